#include "core/lyrics/lyrics_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace cantelo {

namespace {

constexpr std::int32_t kMaxTick = std::numeric_limits<std::int32_t>::max();

// Lyric ticks are doubles in the list; a file's ticks are 32-bit. Out-of-range values stay at
// the nearest end rather than wrapping (a wrapped tick would move a syllable to the song's start).
std::int32_t wholeTick(double tick) {
    if (std::isnan(tick)) return 0;
    return static_cast<std::int32_t>(std::clamp(
        std::trunc(tick), double{std::numeric_limits<std::int32_t>::min()}, double{kMaxTick}));
}

// Items near the last tick pile up on it in their order instead of wrapping round.
std::int32_t tickAfter(std::int32_t tick, std::int64_t gap) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(tick + gap, kMaxTick));
}

// The syllable before a break loses one trailing space, as the reader's break marks take it
// when the song is opened again: a saved song then opens to the same syllables.
void endLine(LyrItem& item) {
    if (!item.lineBreak && !item.text.empty() && item.text.back() == ' ') item.text.pop_back();
}

} // namespace

LyrItem& lyricItem(TItemLyr& list, int i) {
    LyrItem* it = list.get(i);
    if (!it) throw std::out_of_range("lyric item index");
    return *it;
}

void makeTicksRise(TItemLyr& list) {
    std::int32_t previous = 0;
    for (LyrItem* it = list.head(); it; it = it->next) {
        if (wholeTick(it->tick) <= previous) {
            previous = tickAfter(previous, kLyricGap);
            it->tick = previous;
        } else {
            previous = wholeTick(it->tick);
        }
    }
}

LyricsDocument::LyricsDocument() = default;

void LyricsDocument::reset() {
    for (auto& list : m_lists) list.clear();
    m_spareScratch.clear();
    m_lyricTrack = -1;
    m_lyricMetaType = 5;
    m_encoding = TextEncoding();
    m_lineList.clear();
    m_lineStartTicks.clear();
}

TItemLyr& LyricsDocument::scratchList() {
    const int slot = (m_lyricTrack < 0 ? 0 : m_lyricTrack) + 1;
    return slot < kSlots ? m_lists[static_cast<std::size_t>(slot)] : m_spareScratch;
}

std::int32_t LyricsDocument::lineStartTick(int line) {
    if (line < 0 || line >= m_lineList.count()) return -1;
    // The line begins after the break that closes the line before it.
    const KLItem* before = line == 0 ? nullptr : m_lineList.item(line - 1);
    const int first = before ? static_cast<int>(before->value) + 1 : 0;
    TItemLyr& list = lyrics();
    if (first < list.count()) return wholeTick(lyricItem(list, first).tick);
    // An empty last line after a closing break: the break's tick.
    if (first >= 1 && first - 1 < list.count()) return wholeTick(lyricItem(list, first - 1).tick);
    return -1;
}

void LyricsDocument::BuildLineList() {
    m_lineList.clear();
    TItemLyr& list = lyrics();
    std::string text;
    const int n = list.count();
    for (int i = 0; i < n; ++i) {
        const LyrItem& it = lyricItem(list, i);
        if (it.lineBreak) {
            m_lineList.add(text, i);
            text.clear();
        } else {
            text += it.text;
        }
    }
    if (!text.empty() || (n > 0 && list.tail()->lineBreak)) m_lineList.add(text, n);
}

void LyricsDocument::PlaceLineBreaks() {
    std::int32_t last = 0;
    for (LyrItem* it = lyrics().head(); it; it = it->next) {
        if (!it->lineBreak) {
            last = wholeTick(it->tick);
            continue;
        }
        it->tick = tickAfter(last, kLyricGap);
        // A break must come before the next line's first syllable, or the rising fix-up pushes
        // that syllable later, and its own next break may then collide again at the following
        // save: where there is room, the break goes just before the syllable instead.
        const LyrItem* next = it->next;
        if (next && !next->lineBreak) {
            const std::int32_t nextTick = wholeTick(next->tick);
            if (nextTick <= it->tick && std::int64_t{nextTick} - 1 > last) it->tick = nextTick - 1;
        }
    }
}

void LyricsDocument::fillEmptyLines() {
    TItemLyr& list = lyrics();
    list.clear();
    for (int k = 0; k < kMinLines; ++k) list.add("", 1, kFirstEmptyLineTick + kEmptyLineStep * k);
}

bool LyricsDocument::padLinesQuiet() {
    const int lines = m_lineList.count();
    if (lines > kMinLines) return false;
    TItemLyr& list = lyrics();
    if (list.count() == 0) {
        fillEmptyLines();
    } else {
        if (lines < kMinLines) endLine(*list.tail());
        const std::int32_t last = wholeTick(list.tail()->tick);
        for (int i = lines; i < kMinLines; ++i)
            list.add("", 1, tickAfter(last, std::int64_t{kEmptyLineStep} * i));
    }
    BuildLineList();
    return true;
}

void LyricsDocument::PadLines() {
    if (padLinesQuiet()) notify({.editor = true});
}

void LyricsDocument::TidyLyrics() {
    TItemLyr& list = lyrics();
    for (int i = 0; i < list.count();) {
        if (!lyricItem(list, i).lineBreak) {
            ++i;
        } else if (i == 0 || lyricItem(list, i - 1).lineBreak) {
            list.remove(i);
        } else {
            endLine(lyricItem(list, i - 1));
            ++i;
        }
    }
    if (list.count() == 0) {
        fillEmptyLines();
        BuildLineList();
        notify({.editor = true,
                .cursorLine = true,
                .movePosition = true,
                .grid = true,
                .monitor = true});
        return;
    }
    // Breaks are placed before the ticks are made to rise: a break placed afterwards could land
    // after the next line's first syllable, and the saved file would then move that syllable
    // to the line before.
    PlaceLineBreaks();
    makeTicksRise(list);
    BuildLineList();
    padLinesQuiet();
    notify(
        {.editor = true, .cursorLine = true, .movePosition = true, .grid = true, .monitor = true});
}

void LyricsDocument::appendEmptyLine() {
    TItemLyr& list = lyrics();
    const double last = list.tail() ? list.tail()->tick : kFirstEmptyLineTick - kEmptyLineStep;
    list.add("", 1, std::min(last + kEmptyLineStep, double{kMaxTick}));
}

void LyricsDocument::refresh(int column, int rowOffset, bool movePosition) {
    BuildLineList();
    notify({.editor = true,
            .cursorLine = true,
            .column = column,
            .rowOffset = rowOffset,
            .movePosition = movePosition,
            .grid = true,
            .monitor = true});
}

bool LyricsDocument::handOverLyrics(CMidiSong& song) {
    auto& texts = song.data().texts;
    for (CObjectEvent* n = texts.head(); n;) {
        CObjectEvent* next = n->next;
        if (static_cast<CObjectMetaEventText*>(n)->extracted) texts.erase(n);
        n = next;
    }

    const std::int32_t track = m_lyricTrack < 0 ? 0 : m_lyricTrack;
    // The reader ignores lyric events at tick 100 or earlier: items there are written from 101
    // on, 5 ticks apart, and whatever follows stays after them.
    std::int32_t previous = kLastIgnoredLyricTick + 1 - kLyricGap;
    bool sawSyllable = false;
    bool longLine = false;
    std::size_t lineLength = 0;
    static constexpr std::uint8_t kLineMark = '\r';
    for (const LyrItem* it = lyrics().head(); it; it = it->next) {
        std::span<const std::uint8_t> bytes;
        if (it->lineBreak) {
            // Breaks before the first syllable carry nothing the reader keeps; written, they
            // would pile up from save to save.
            if (!sawSyllable) continue;
            lineLength = 0;
            bytes = {&kLineMark, 1};
        } else {
            if (it->text.empty()) continue;
            sawSyllable = true;
            lineLength += m_encoding.charCount(it->text);
            longLine = longLine || lineLength > static_cast<std::size_t>(kSoftLineLength);
            bytes = {reinterpret_cast<const std::uint8_t*>(it->text.data()), it->text.size()};
        }
        std::int32_t tick = wholeTick(it->tick);
        if (tick <= kLastIgnoredLyricTick || tick <= previous)
            tick = tickAfter(previous, kLyricGap);
        previous = tick;
        song.addTextEvent(5, bytes, tick, track);
        // The next save replaces these too.
        texts.tail()->extracted = true;
    }
    return longLine;
}

int LyricsDocument::subscribe(LyricsListener listener) {
    const int id = m_nextListenerId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void LyricsDocument::unsubscribe(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void LyricsDocument::notify(const LyricsChange& change) {
    // A copy: a listener may subscribe or unsubscribe while it is called.
    const auto listeners = m_listeners;
    for (const auto& [id, listener] : listeners) listener(change);
}

} // namespace cantelo
