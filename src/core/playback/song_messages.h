#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace cantelo {

class CMidiSong;
class CObjectSysExData;

// One message of a song laid out on a single time line, for playing the song start to end
// without the sequencer's clock (offline rendering).
struct ScheduledMessage {
    std::int64_t ms = 0; // from the start of the song, through the tempo map
    std::int32_t tick = 0;
    std::uint32_t packed = 0;                // short message (see packShort); 0 for a SysEx event
    const CObjectSysExData* sysEx = nullptr; // the stored event (bytes after 0xF0), else null
};

// One short message of a sequencer queue, stamped with its tick and its time in milliseconds
// from the song start (clamped to the unsigned 32-bit range). The message is packed as
// MidiOutput::sendShort takes it.
struct TimedMessage {
    std::int32_t tick = 0;
    std::uint32_t ms = 0;
    std::uint32_t message = 0;
};
static_assert(sizeof(TimedMessage) == 12);

std::uint32_t stampMs(std::int64_t ms);

// Every message the song sends from its start, in the order it is sent: the channel program
// lists and channel tracks on their output channels (a note gives a note-on and a note-off at its
// off tick; pan, reverb and chorus are sent where they occur), and the SysEx events. At equal
// times SysEx comes first (a reset must not wipe the programs set beside it), then program and
// control changes, then note-offs, then everything else, so a key struck again at the moment it
// is released sounds again. A note that ends where it starts is released after its own note-on.
// Ties beyond those keep the order of the song's lists (SysEx, the channel program lists by
// channel, then the tracks). The result points into the song: it is valid until the song changes.
std::vector<ScheduledMessage> songMessages(const CMidiSong& song);

// The same messages as the sequencer queues them: into `*channels[o]` the short messages of
// output channel o, into `sysEx` the SysEx events, each in the order songMessages gives them
// (the vectors are cleared first and their memory reused; `channels` may repeat a vector only
// for outputs that no song channel uses). Built in one pass over the song with moving tempo
// cursors; a track's messages need only the few moves that note-offs make, not a sort. SysEx
// records point into the song.
void songQueues(const CMidiSong& song, const std::array<std::vector<TimedMessage>*, 16>& channels,
                std::vector<ScheduledMessage>& sysEx);

} // namespace cantelo
