#pragma once

#include <string>

namespace cantelo {

// FluidSynth and ALSA print their diagnostics to the terminal by default, which on a machine
// without a sound card or sequencer means a screen of noise every time outputs are listed or
// the synthesizer is tried. This turns both off for the process (idempotent, any thread).
void quietBackendLibraries();

// While alive, FluidSynth errors raised on the constructing thread are collected here, so a
// failed open can say why. Errors raised on other threads (the audio thread) are dropped.
class BackendErrorCapture {
public:
    BackendErrorCapture();
    BackendErrorCapture(const BackendErrorCapture&) = delete;
    BackendErrorCapture& operator=(const BackendErrorCapture&) = delete;
    ~BackendErrorCapture();
    const std::string& text() const { return m_text; }
    void append(const char* message);

private:
    std::string m_text;
    BackendErrorCapture* m_outer;
};

} // namespace cantelo
