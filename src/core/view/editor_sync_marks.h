#pragma once

#include "core/document/binding.h"
#include "core/document/key_sync.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cantelo {

class EditorDocument;

inline constexpr std::uint32_t kSyncHighlightColour = 0x008000; // the syllable reached: on green
inline constexpr std::uint32_t kSyncBreakColour = 0x800000;     // a break reached: on dark blue

// Text painted over the editor's rows on its own background: what a key-tap take shows.
struct EditorMark {
    int x = 0;
    int top = 0; // the row's top
    std::string text{};
    std::uint32_t colour = 0xFFFFFF;
    std::uint32_t background = 0x000000;
    bool operator==(const EditorMark&) const = default;
};

// The marks of a take's step: the take's next tick in blue in its row's gutter, and the item
// just reached highlighted (a syllable white on green at its place in the text; a break, its
// tick white on dark blue in the gutter). Rows are counted from the editor's first visible line;
// an item outside the visible rows gives no mark.
std::vector<EditorMark> syncMarks(EditorDocument& doc, const TextWidth& width, const SyncView& view,
                                  int visibleRows);

} // namespace cantelo
