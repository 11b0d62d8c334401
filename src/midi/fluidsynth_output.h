#pragma once

#include "core/playback/midi_output.h"

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace cantelo {

// The name of listing entry 0.
inline constexpr const char* kBuiltInSynthName = "Sintetizzatore GM interno";

struct FluidSynthOptions {
    // The soundfont named in the settings; empty when none is named.
    std::filesystem::path soundFont;
    std::filesystem::path systemDefault = "/usr/share/sounds/sf2/default-GM.sf2";
    // Searched (with their subfolders) for any .sf2 or .sf3 when the above cannot be loaded.
    std::vector<std::filesystem::path> searchDirs = {"/usr/share/sounds/sf2",
                                                     "/usr/share/soundfonts"};
    // Tried in this order; the first that starts is kept.
    std::vector<std::string> audioDrivers = {"pipewire", "pulseaudio", "alsa", "jack"};
    // No audio driver at all: the owner pulls the sound with render(). For tests and rendering.
    bool offline = false;
    double sampleRate = 44100.0;
};

// The soundfonts open() tries, in order: the named one, the system default, then every .sf2 and
// .sf3 of the search folders by path. A file reached twice (the default is usually a link into a
// search folder) is listed once. Files that are missing or not RIFF soundfonts are left out.
std::vector<std::filesystem::path> soundFontCandidates(const FluidSynthOptions& options);

// The built-in General MIDI synthesizer. Not thread-safe by itself (the device layer serialises
// calls), but its audio runs on the driver's own thread once open.
class FluidSynthOutput final : public MidiOutput {
public:
    explicit FluidSynthOutput(FluidSynthOptions options = {});
    FluidSynthOutput(const FluidSynthOutput&) = delete;
    FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;
    ~FluidSynthOutput() override;

    std::string name() const override { return kBuiltInSynthName; }
    // Loads the first soundfont that loads and starts the first audio driver that works (none in
    // offline mode). Fails, leaving nothing open, when neither a soundfont nor (unless offline)
    // an audio driver can be had; `error` then says which.
    bool open(std::string* error) override;
    void close() override;
    bool isOpen() const override;
    void reset() override;
    void sendShort(std::uint32_t packed) override;
    // GM, GM2, GS and XG resets reset the synthesizer; the universal master volume sets its
    // gain; anything else goes to the synthesizer's own SysEx handling (tuning, GS parts),
    // which ignores what it does not know.
    void sendSysEx(std::span<const std::uint8_t> bytes) override;

    // Offline mode only: synthesises the next frames into interleaved stereo samples (left,
    // right, ...; an odd trailing sample is left untouched). False when not open or not offline.
    bool render(std::span<float> interleaved);
    double sampleRate() const { return m_options.sampleRate; }
    // Voices still sounding; 0 when closed.
    int activeVoices() const;
    // The soundfont and the audio driver in use while open (the driver is empty offline).
    const std::filesystem::path& soundFont() const { return m_loadedSoundFont; }
    const std::string& audioDriver() const { return m_driverName; }

private:
    struct Fluid;
    void resetGain();

    FluidSynthOptions m_options;
    std::unique_ptr<Fluid> m_fluid;
    std::filesystem::path m_loadedSoundFont;
    std::string m_driverName;
};

} // namespace cantelo
