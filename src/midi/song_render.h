#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace cantelo {

class CMidiSong;
class FluidSynthOutput;

struct RenderSummary {
    std::int64_t songMs = 0;  // time of the song's last message
    std::int64_t frames = 0;  // frames handed to the sink, the closing tail included
    std::size_t messages = 0; // short messages and SysEx events played
};

// The most a render runs on after the song's last message.
inline constexpr std::int64_t kRenderMaxTailMs = 5000;

// Receives each rendered block (interleaved stereo); returning false stops the render.
using RenderSink = std::function<bool(std::span<const float>)>;

// Plays the whole song through an open offline synthesizer as fast as it can synthesise: every
// message of songMessages() at its sample position, then a tail until the last voice has died
// (at most a few seconds, for notes a damaged song never ends) and the reverb has faded. SysEx
// events go through frameSysEx. False when the synthesizer is not an open offline one or the
// sink gave up.
bool renderSong(const CMidiSong& song, FluidSynthOutput& synth, const RenderSink& sink,
                RenderSummary* summary = nullptr);

} // namespace cantelo
