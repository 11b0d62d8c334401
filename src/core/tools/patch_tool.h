#pragma once

#include "core/document/editor_document.h"
#include "core/files/result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cantelo {

// "Strumenti e banchi di suoni": the program and bank select (controllers 0 and 32) in force on
// one channel at the position, and their writing into the song.

// What the window shows for a channel: the instrument list's index (program + 1, 0 for none)
// and the bank values, -1 when the field is empty (no bank select belongs to the program).
struct PatchView {
    int instrument = 0;
    int msb = -1;
    int lsb = -1;
};

// Bank selects more than this many ticks before the program change do not belong to it.
inline constexpr std::int32_t kBankReach = 10;

PatchView loadPatch(const CMidiSong& song, int ch, std::int32_t tick);

// The instrument list: "==================" (no program), then "000 - " and the song's name of
// each program 0..127.
std::vector<std::string> instrumentItems(const CMidiSong& song);

// Whether a bank field may hold `text` after an edit: digits only, at most three, never above
// 127 (empty is allowed: no bank select). An edit that would leave anything else is refused.
bool bankTextAllowed(const std::string& text);
// The field's number, -1 for an empty text.
int bankFieldValue(const std::string& text);
// The text shown for a value: empty for -1.
std::string bankFieldText(int value);

enum class PatchRefusal { None, ChannelNotInUse, NoInstrument };

struct PatchOutcome {
    Result result;
    PatchRefusal refusal = PatchRefusal::None;
    int sendProgram = -1; // the program to send on the channel at once, -1 for none
};

// "Applica" at `tick`: instrument is the list index (0 refused), msb/lsb the fields (-1 empty).
// `confirmInsert` is asked when the channel has no program change at or before the tick ("Si"
// inserts it with the bank selects; on "No" only the bank values already set stay). It is asked
// before the song is touched, so that no event loop runs inside a half-made edit. One undo
// step; publishes Programs.
PatchOutcome applyPatch(EditorDocument& doc, int ch, int instrument, int msb, int lsb,
                        std::int32_t tick, const std::function<bool()>& confirmInsert);

} // namespace cantelo
