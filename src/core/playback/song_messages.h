#pragma once

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

// Every message the song sends from its start, in the order it is sent: the channel program
// lists and channel tracks on their output channels (a note gives a note-on and a note-off at its
// off tick; pan, reverb and chorus are sent where they occur), and the SysEx events. At equal
// times SysEx comes first (a reset must not wipe the programs set beside it), then program and
// control changes, then note-offs, then everything else, so a key struck again at the moment it
// is released sounds again. A note that ends where it starts is released after its own note-on.
// Ties beyond those keep the order of the song's lists. The result points into the song: it is
// valid until the song changes.
std::vector<ScheduledMessage> songMessages(const CMidiSong& song);

} // namespace cantelo
