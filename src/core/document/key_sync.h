#pragma once

#include "core/document/binding.h"
#include "core/lyrics/lyrics_model.h"
#include "core/song/indexed_lists.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace cantelo {

inline constexpr std::string_view kSyncCompleteMessage =
    "Procedura di Sincronizzazione completata correttamente";
inline constexpr std::uint32_t kSyncGutterColour = 0xFF0000; // blue, 0xBBGGRR
inline constexpr std::uint32_t kSyncTappedColour = 0x0000FF; // red
inline constexpr std::uint32_t kSyncLineColour = 0x0000DD;   // the syllable-start red

// What the editor and the monitor strip show of a take after one of its steps.
struct SyncView {
    int line = 0;             // the line being synchronised
    int firstVisibleLine = 0; // the editor's scroll position
    int row = 0;              // the line's editor row (its text at y = row x 16 + 2)
    std::string lineText;     // drawn in black on the strip at (3, 3)
    std::string tappedText;   // the start of the line already tapped, red over it
    int highlightItem = -1;   // the syllable just reached, white on green in the editor; -1 none
    std::int32_t gutterTick = -1; // drawn in blue in the row's gutter; -1 nothing to draw
    bool lineChanged = false; // a break was crossed: the strip is cleared, the old row goes back
                              // to black and the line is drawn in the syllable-start red
};

struct SyncStep {
    bool accepted = false; // false: the command or key did nothing
    // The take reached its end: the caller runs the transport's stop (which calls `stop`), then
    // shows `message` as an information message.
    bool finished = false;
    std::string_view message;
    SyncView view;
};

// The tick a tap stands for when the user's taps run `latencyMs` late: that long before `tick`
// in the song's time, never before 0.
std::int32_t tappedTick(const CMidiSong& song, std::int32_t tick, int latencyMs);

// Synchronisation by key taps: while the song plays, every tap gives the next lyric item the
// song position. The state lives from one take to the next, since the transport places the
// cursor whenever playback stops or the position moves. GUI thread only; the song position comes
// in as a parameter (the player's tick when the key was pressed).
class KeySync {
public:
    // `PlaceSyncCursor`: the next take starts at the first syllable at or after `tick` (the
    // count when none), on the line that holds it.
    void PlaceSyncCursor(const TItemLyr& list, std::int32_t tick);
    // Play from the transport and "go to start": the next take starts at the top.
    void resetCursor();

    bool syncMode() const { return m_syncMode; }
    int syncIndex() const { return m_syncIndex; }
    int positionLine() const { return m_positionLine; }
    int syncLine() const { return m_syncLine; }

    // Starts a take: refused while the song plays or a take runs. `scrollMax` is the editor scroll
    // bar's maximum. Records the undo step that the whole take makes. The caller then starts
    // playback, turns the monitor into the strip and draws `view`.
    SyncStep start(LyricsDocument& lyrics, bool playing, int scrollMax, UndoTarget undo = {});
    // A tap of the space bar at song position `position`. Ignored outside a take.
    SyncStep tap(LyricsDocument& lyrics, std::int32_t position);
    // The synchronisation part of the transport's stop, after playback has stopped at
    // `position`: the ticks are made to rise strictly (taps and untouched items may have crossed),
    // the take ends, the cursor is placed at `position` and the common refresh runs without
    // moving the song position. False, changing nothing, outside a take.
    bool stop(LyricsDocument& lyrics, std::int32_t position);

private:
    SyncView view(TItemLyr& list) const;

    bool m_syncMode = false;
    int m_syncIndex = 0;
    int m_positionLine = 0;
    int m_syncLine = 0;
    int m_lineFirst = 0; // the first item of the line being synchronised
    int m_scrollMax = 0;
};

} // namespace cantelo
