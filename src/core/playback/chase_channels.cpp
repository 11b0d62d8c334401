#include "core/playback/chase_channels.h"

#include "core/playback/midi_output.h"
#include "core/song/midi_song.h"

namespace cantelo {

void ChaseChannels(CMidiPlayer& player, MidiOutput& output, const ChaseKinds& kinds) {
    CMidiSong* song = player.song();
    if (!song || kinds.none()) return;
    const std::int32_t tick = player.tick();
    struct Controller {
        bool wanted;
        std::uint8_t number;
        DisplayController slot;
    };
    const Controller controllers[] = {{kinds.volume, 7, DisplayController::Volume},
                                      {kinds.pan, 10, DisplayController::Pan},
                                      {kinds.reverb, 91, DisplayController::Reverb},
                                      {kinds.chorus, 93, DisplayController::Chorus}};
    for (int c = 0; c < kChannels; ++c) {
        const auto ch = static_cast<std::uint8_t>(c);
        if (kinds.program) {
            const std::int32_t program = song->programAt(c, tick);
            if (program >= 0) {
                const auto out = static_cast<std::uint8_t>(song->outputChannel(c) & 15);
                output.sendShort(packShort(0xC0 | out, static_cast<std::uint8_t>(program & 0x7F)));
                player.raiseRefreshFlag(RefreshFlag::Any);
            }
        }
        for (const auto& k : controllers) {
            if (!k.wanted) continue;
            const std::int32_t value = song->controllerAt(k.number, c, tick);
            if (value < 0) continue;
            song->setDisplayValue(c, k.slot, value);
            output.sendShort(
                packShort(0xB0 | ch, k.number, static_cast<std::uint8_t>(value & 0x7F)));
        }
    }
}

} // namespace cantelo
