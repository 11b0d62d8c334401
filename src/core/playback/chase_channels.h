#pragma once

#include "core/playback/midi_player.h"

namespace cantelo {

class MidiOutput;

// Sends again, on every channel, the values in force at the player's tick for the kinds asked
// for: the program (a program change on the channel's output channel, which raises the player's
// any refresh flag as every program change sent outside playback does) and the last volume, pan,
// reverb and chorus controller (each also stored as the channel's display value). A kind with no
// value in force on a channel sends nothing there. User-interface thread; does nothing without
// a song.
void ChaseChannels(CMidiPlayer& player, MidiOutput& output, const ChaseKinds& kinds);

} // namespace cantelo
