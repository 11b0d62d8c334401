#include "core/document/key_sync.h"

#include "core/timing/time_map.h"

#include <algorithm>

namespace cantelo {

std::int32_t tappedTick(const CMidiSong& song, std::int32_t tick, int latencyMs) {
    if (latencyMs <= 0) return tick;
    const std::int64_t ms = song.timeMap().tickToMs(tick) - latencyMs;
    return ms <= 0 ? 0 : std::min(tick, song.timeMap().msToTick(ms));
}

namespace {

std::int32_t wholeTick(double tick) {
    return static_cast<std::int32_t>(tick);
}

int breaksBefore(const TItemLyr& list, int index) {
    int breaks = 0;
    int i = 0;
    for (const LyrItem* it = list.head(); it && i < index; it = it->next, ++i)
        if (it->lineBreak) ++breaks;
    return breaks;
}

} // namespace

void KeySync::PlaceSyncCursor(const TItemLyr& list, std::int32_t tick) {
    m_positionLine = 0;
    m_syncIndex = 0;
    for (const LyrItem* it = list.head(); it; it = it->next, ++m_syncIndex) {
        if (it->lineBreak)
            ++m_positionLine;
        else if (wholeTick(it->tick) >= tick)
            return;
    }
}

void KeySync::resetCursor() {
    m_syncIndex = 0;
    m_positionLine = 0;
}

SyncView KeySync::view(TItemLyr& list) const {
    SyncView v;
    v.line = m_syncLine;
    v.firstVisibleLine = std::min(m_syncLine, m_scrollMax);
    v.row = m_syncLine - v.firstVisibleLine;
    int i = m_lineFirst;
    for (const LyrItem* it = list.get(i); it && !it->lineBreak; it = it->next, ++i) {
        v.lineText += it->text;
        if (i < m_syncIndex) v.tappedText += it->text;
    }
    return v;
}

SyncStep KeySync::start(LyricsDocument& lyrics, bool playing, int scrollMax, UndoTarget undo) {
    if (playing || m_syncMode) return {};
    TItemLyr& list = lyrics.lyrics();
    // The list may have been edited since the cursor was placed: the line is counted again
    // rather than trusted.
    m_syncIndex = std::clamp(m_syncIndex, 0, list.count());
    m_positionLine = breaksBefore(list, m_syncIndex);
    m_syncLine = m_positionLine;
    m_lineFirst = std::max(0, firstItemOfLine(list, m_positionLine));
    m_scrollMax = std::max(0, scrollMax);
    m_syncMode = true;
    undo.record(list);

    SyncStep step;
    step.accepted = true;
    step.view = view(list);
    if (m_syncIndex > 0 && !lyricItem(list, m_syncIndex - 1).lineBreak)
        step.view.highlightItem = m_syncIndex - 1;
    if (m_syncIndex < list.count())
        step.view.gutterTick = wholeTick(lyricItem(list, m_syncIndex).tick);
    return step;
}

SyncStep KeySync::tap(LyricsDocument& lyrics, std::int32_t position) {
    if (!m_syncMode) return {};
    TItemLyr& list = lyrics.lyrics();
    SyncStep step;
    step.accepted = true;
    const int count = list.count();
    if (m_syncIndex < count) {
        LyrItem* tapped = &lyricItem(list, m_syncIndex);
        tapped->tick = position;
        ++m_syncIndex;
        if (tapped->lineBreak) {
            // One tap crosses every empty line up to the next syllable, which the next tap binds
            // again: until then it waits at this tap's tick.
            for (LyrItem* it = tapped->next; it; it = it->next) {
                it->tick = position;
                ++m_syncIndex;
                ++m_syncLine;
                if (!it->lineBreak) break;
            }
            --m_syncIndex;
            m_lineFirst = m_syncIndex;
            step.view = view(list);
            step.view.lineChanged = true;
            step.view.gutterTick = position;
        } else {
            step.view = view(list);
            step.view.highlightItem = m_syncIndex - 1;
        }
        if (m_syncIndex < count - 1) return step;
        if (LyrItem* last = list.get(m_syncIndex)) last->tick = position;
    } else {
        step.view = view(list);
    }
    step.finished = true;
    step.message = kSyncCompleteMessage;
    return step;
}

bool KeySync::stop(LyricsDocument& lyrics, std::int32_t position) {
    if (!m_syncMode) return false;
    TItemLyr& list = lyrics.lyrics();
    makeTicksRise(list);
    m_syncMode = false;
    PlaceSyncCursor(list, position);
    lyrics.refresh(-1, 0, false);
    return true;
}

} // namespace cantelo
