#include "core/view/midi_overview.h"

#include <algorithm>
#include <limits>

namespace cantelo {

namespace {

constexpr int kBandLines = 16;
constexpr int kBandLineHeight = kOverviewRowHeight / kBandLines;
constexpr int kBarBottomInset = 2;
constexpr int kBarMinHeight = 2;
constexpr int kBarMaxHeight = kOverviewRowHeight - 4;
constexpr int kBarPixelsPerQuarter = 4;
constexpr int kShortMarkTop = 15;
constexpr int kTallMarkTop = 9;
constexpr int kTenthMeasure = 10;
constexpr int kMaxRulerMarks = kOverviewWidth; // one per column at most
constexpr std::uint32_t kRulerColour = 0xFFFFFF;

void addBand(std::vector<OverviewRect>& out, int left, int width, int top, std::uint32_t base,
             std::uint32_t step) {
    for (int i = 0; i < kBandLines; ++i)
        out.push_back({left, top + i * kBandLineHeight, width, kBandLineHeight,
                       base + static_cast<std::uint32_t>(i) * step});
}

} // namespace

std::array<std::string, 2> splitInstrumentName(const std::string& name) {
    if (name.size() <= kOverviewNameSplit) return {name, {}};
    const std::size_t space = name.find(' ');
    if (space == std::string::npos) return {name, {}};
    return {name.substr(0, space), name.substr(space + 1)};
}

void OverviewNotes::rebuild(const CMidiSong& song) {
    for (auto& c : m_channels) c.clear();
    for (const CChannelTrack& track : song.data().tracks) {
        std::vector<Note>& out = m_channels[track.channel & 15];
        for (const CObjectEvent& e : track.events) {
            if (e.status() != 0x90) continue;
            const auto& note = static_cast<const CObjectEventNote&>(e);
            if (note.velocity <= 0) continue;
            const std::int64_t length = std::int64_t{note.offTick} - note.tick;
            out.push_back({note.tick, static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                          length, 0, std::numeric_limits<std::int32_t>::max()))});
        }
    }
    // A channel's events come chunk after chunk, so a channel is not always in tick order.
    for (auto& c : m_channels)
        if (!std::is_sorted(c.begin(), c.end(),
                            [](const Note& a, const Note& b) { return a.tick < b.tick; }))
            std::stable_sort(c.begin(), c.end(),
                             [](const Note& a, const Note& b) { return a.tick < b.tick; });
}

// ---- mapping ----------------------------------------------------------------------------------

OverviewMapping::OverviewMapping(int zoom, int scrollPixels, std::int32_t division)
    : m_zoom(std::max(zoom, 1)), m_division(std::max(division, 1)) {
    scrollPixels = std::max(scrollPixels, 0);
    m_scroll = scrollPixels - scrollPixels % m_zoom;
}

int OverviewMapping::xFromTick(std::int32_t tick) const {
    constexpr std::int64_t kLimit = std::int64_t{1} << 30;
    const std::int64_t x = kOverviewStripLeft + std::int64_t{tick} * m_zoom / m_division - m_scroll;
    return static_cast<int>(std::clamp(x, -kLimit, kLimit));
}

std::int32_t OverviewMapping::tickFromX(int x) const {
    const std::int64_t tick =
        std::int64_t{m_division} * (std::int64_t{m_scroll} - kOverviewStripLeft + x) / m_zoom;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        tick, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

int OverviewMapping::lineX(std::int32_t tick) const {
    const int x = xFromTick(tick);
    return x >= kOverviewStripLeft ? x : kOverviewHiddenLineX;
}

// ---- layout -----------------------------------------------------------------------------------

void OverviewLayout::build(const CMidiSong& song, const OverviewNotes& notes,
                           const OverviewView& view) {
    m_view = view;
    m_view.firstRow = std::clamp(view.firstRow, 0, kOverviewFirstRowMax);
    m_rects.clear();
    m_texts.clear();
    m_bars = 0;
    m_rects.push_back({0, 0, kOverviewWidth, kOverviewHeight, kOverviewBackground});
    buildRuler(song);
    for (int row = 0; row < kOverviewRowsShown; ++row)
        buildRow(song, notes, m_view.firstRow + row, kOverviewRowTop + row * kOverviewRowHeight);
}

std::optional<int> OverviewLayout::selectedRowTop() const {
    const int row = m_view.selected - m_view.firstRow;
    if (row < 0 || row >= kOverviewRowsShown) return std::nullopt;
    return kOverviewRowTop + row * kOverviewRowHeight;
}

void OverviewLayout::buildRuler(const CMidiSong& song) {
    const OverviewMapping& map = m_view.mapping;
    m_rects.push_back({kOverviewStripLeft, 0, kOverviewWidth - kOverviewStripLeft, kOverviewRowTop,
                       kRulerColour});
    const TimeMap& time = song.timeMap();
    const std::int32_t left = std::max(map.tickFromX(kOverviewStripLeft), 0);
    // The first measure that starts at or after the left edge.
    std::int32_t tick = left == 0 ? 0 : time.nextMeasureTick(left - 1);
    for (int k = 0; k < kMaxRulerMarks; ++k) {
        const int x = map.xFromTick(tick);
        if (x >= kOverviewWidth) break;
        const bool tenth = k % kTenthMeasure == 0;
        const int top = tenth ? kTallMarkTop : kShortMarkTop;
        m_rects.push_back({x, top, 1, kOverviewRowTop - top, kOverviewInk});
        if (tenth)
            m_texts.push_back({x + 2, 0, std::to_string(time.measureIndexAt(tick) + 1),
                               OverviewTextKind::RulerNumber});
        const std::int32_t next = time.nextMeasureTick(tick);
        if (next <= tick) break; // a damaged signature: no measure would end
        tick = next;
    }
}

void OverviewLayout::buildRow(const CMidiSong& song, const OverviewNotes& notes, int ch, int top) {
    const bool selected = ch == m_view.selected;
    addBand(m_rects, 0, kOverviewStripLeft, top,
            selected ? kOverviewSelectedBase : kOverviewBandBase,
            selected ? kOverviewSelectedStep : kOverviewBandStep);
    addBand(m_rects, kOverviewStripLeft, kOverviewWidth - kOverviewStripLeft, top,
            selected ? kOverviewStripSelectedBase : kOverviewBandBase,
            selected ? kOverviewStripSelectedStep : kOverviewBandStep);

    // The program in force is looked up at tick 5 at the earliest, so that a program change a
    // few ticks into the song counts from its start.
    std::string name;
    song.programNameAt(ch, std::max(m_view.tick, 5), &name);
    const auto lines = splitInstrumentName(name);
    const auto value = [&](DisplayController c) {
        return std::to_string(std::max(song.displayValue(ch, c), 0));
    };
    const int middle = top + kOverviewRowHeight / 2 - 7;
    m_texts.push_back(
        {kChannelColumn, middle, std::to_string(ch + 1), OverviewTextKind::Cell, selected});
    // A long name (or the placeholder of no program) stops short of the volume column.
    constexpr int kNameWidth = kVolumeColumn - kNameColumn - 2;
    if (lines[1].empty()) {
        m_texts.push_back(
            {kNameColumn, middle, lines[0], OverviewTextKind::Cell, selected, kNameWidth});
    } else {
        m_texts.push_back(
            {kNameColumn, top + 2, lines[0], OverviewTextKind::Cell, selected, kNameWidth});
        m_texts.push_back(
            {kNameColumn, top + 16, lines[1], OverviewTextKind::Cell, selected, kNameWidth});
    }
    m_texts.push_back({kVolumeColumn, middle, value(DisplayController::Volume),
                       OverviewTextKind::Cell, selected});
    m_texts.push_back(
        {kPanColumn, middle, value(DisplayController::Pan), OverviewTextKind::Cell, selected});

    buildBars(notes.channel(ch), top, song.division(),
              selected ? kOverviewSelectedNoteColour : kOverviewNoteColour);
}

// Bars are one pixel wide and stand on the row's foot, so of the notes that start in one column
// only the longest shows: each column keeps its tallest bar and is drawn once. The visible notes
// are found by bisection; everything right of the strips' edge is left alone.
void OverviewLayout::buildBars(const std::vector<OverviewNotes::Note>& notes, int top,
                               std::int32_t division, std::uint32_t colour) {
    const OverviewMapping& map = m_view.mapping;
    constexpr int kColumns = kOverviewWidth - kOverviewStripLeft;
    m_columnHeights.assign(kColumns, 0);
    const auto first = std::partition_point(notes.begin(), notes.end(), [&](const auto& n) {
        return map.xFromTick(n.tick) < kOverviewStripLeft;
    });
    division = std::max(division, 1);
    for (auto it = first; it != notes.end(); ++it) {
        const int x = map.xFromTick(it->tick);
        if (x >= kOverviewWidth) break;
        const std::int64_t h =
            kBarMinHeight + std::int64_t{it->length} * kBarPixelsPerQuarter / division;
        int& column = m_columnHeights[static_cast<std::size_t>(x - kOverviewStripLeft)];
        column = std::max(column, static_cast<int>(std::min<std::int64_t>(h, kBarMaxHeight)));
    }
    const int foot = top + kOverviewRowHeight - kBarBottomInset;
    for (int c = 0; c < kColumns; ++c) {
        const int h = m_columnHeights[static_cast<std::size_t>(c)];
        if (h == 0) continue;
        m_rects.push_back({kOverviewStripLeft + c, foot - h, 1, h, colour});
        ++m_bars;
    }
}

std::optional<int> overviewRowAt(const OverviewView& view, int y) {
    if (y < kOverviewRowTop) return std::nullopt;
    const int row = (y - kOverviewRowTop) / kOverviewRowHeight;
    const int ch = std::clamp(view.firstRow, 0, kOverviewFirstRowMax) + row;
    if (row >= kOverviewRowsShown || ch >= kChannels) return std::nullopt;
    return ch;
}

std::optional<std::int32_t> overviewRulerTick(const OverviewView& view, int x, int y) {
    if (y >= kOverviewRulerBottom || x < kOverviewStripLeft) return std::nullopt;
    return view.mapping.tickFromX(x);
}

} // namespace cantelo
