#include "core/view/karaoke_monitor.h"

#include "core/lyrics/cp1252.h"

#include <algorithm>

namespace cantelo {

namespace {

constexpr int kReferenceHeight = 568;
constexpr int kWideMargin = 20; // a line wider than the image less this is squeezed
constexpr int kSqueezedLeft = 10;
constexpr std::string_view kTitle = "Cantelo Edit";
constexpr std::uint32_t kTitleShadow = 0x601000;
constexpr std::uint32_t kTitleColour = 0xF04000;
constexpr std::uint32_t kCaptionShadow = 0x000040;
constexpr std::uint32_t kCaptionColour = 0x0000C0;

} // namespace

MonitorGeometry computeMonitorGeometry(int clientHeight) {
    MonitorGeometry g;
    // The integer division comes first: the sizes of the original layout depend on it.
    g.scale = static_cast<double>(clientHeight + 100 * clientHeight / kReferenceHeight) /
              kReferenceHeight;
    g.fontSize = static_cast<int>(56 * g.scale);
    g.lineStep = static_cast<int>(120 * g.scale);
    g.rowY[0] = clientHeight / 2 - 2 * g.lineStep;
    for (int r = 1; r < 4; ++r) g.rowY[static_cast<std::size_t>(r)] = g.rowY[0] + r * g.lineStep;
    return g;
}

int outlineThickness(int fontSize) {
    if (fontSize < 9) return 1;
    if (fontSize <= 20) return 2;
    if (fontSize <= 30) return 3;
    return 4;
}

// ---- The window's size ----------------------------------------------------------------------

namespace {
constexpr int kToggledOuterWidth = 1020;
int pageHeight(int width) {
    return width * 5 / 13;
}
} // namespace

std::optional<MonitorClientSize> monitorSizeForWidthDrag(int x) {
    if (x < 280 || x >= 1024) return std::nullopt;
    return MonitorClientSize{x, pageHeight(x)};
}

std::optional<MonitorClientSize> monitorSizeForHeightDrag(int y) {
    if (y < 108 || y >= 394) return std::nullopt;
    return MonitorClientSize{static_cast<int>(y * 2.6), y};
}

MonitorClientSize monitorToggledSize(int outerWidth, int normalClientWidth, int frameWidth) {
    const int width =
        outerWidth >= kToggledOuterWidth ? normalClientWidth : kToggledOuterWidth - frameWidth;
    return {width, pageHeight(width)};
}

// ---- Character widths ------------------------------------------------------------------------

namespace {
constexpr int kCodes = 256 - 32;
constexpr int kSizes = MonitorCharWidths::kLargest - MonitorCharWidths::kSmallest + 1;
} // namespace

MonitorCharWidths::MonitorCharWidths(Measure measure)
    : m_measure(std::move(measure)), m_widths(static_cast<std::size_t>(kSizes * kCodes), 0),
      m_measured(static_cast<std::size_t>(kSizes), false) {}

int MonitorCharWidths::width(std::string_view text, int size, const TextEncoding& encoding) const {
    const int row = std::clamp(size, kSmallest, kLargest) - kSmallest;
    if (!encoding.isWindows1252()) {
        int sum = 0;
        for (std::size_t at = 0; at < text.size(); at += encoding.charLength(text, at)) {
            const char32_t c = encoding.decodeAt(text, at);
            if (c < 32) continue;
            const std::uint64_t key = std::uint64_t(row) << 32 | c;
            auto found = m_otherWidths.find(key);
            if (found == m_otherWidths.end())
                found =
                    m_otherWidths.emplace(key, std::max(m_measure(row + kSmallest, c), 0)).first;
            sum += found->second;
        }
        return sum;
    }
    std::uint16_t* widths = m_widths.data() + static_cast<std::ptrdiff_t>(row * kCodes);
    if (!m_measured[static_cast<std::size_t>(row)]) {
        for (int c = 32; c < 256; ++c)
            widths[c - 32] = static_cast<std::uint16_t>(std::clamp(
                m_measure(row + kSmallest, unicodeFromCp1252(static_cast<char>(c))), 0, 0xFFFF));
        m_measured[static_cast<std::size_t>(row)] = true;
    }
    int sum = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 32) sum += widths[c - 32];
    }
    return sum;
}

// ---- The monitor -----------------------------------------------------------------------------

KaraokeMonitor::KaraokeMonitor(LyricsDocument& lyrics, const MonitorCharWidths& widths)
    : m_doc(lyrics), m_widths(widths), m_geometry(computeMonitorGeometry(m_surface.clientHeight)) {
    m_currentY = m_geometry.rowY[0];
}

void KaraokeMonitor::setColours(std::uint32_t text, std::uint32_t sung) {
    m_textColour = text;
    m_sungColour = sung;
}

std::vector<MonitorPaint> KaraokeMonitor::takePaints() {
    std::vector<MonitorPaint> out;
    out.swap(m_paints);
    return out;
}

bool KaraokeMonitor::wide(const std::string& text) const {
    return m_widths.width(text, m_geometry.fontSize, m_doc.textEncoding()) >
           m_surface.imageWidth - kWideMargin;
}

void KaraokeMonitor::fillSlots(int firstLine) {
    for (int s = 0; s < 4; ++s) {
        const std::string* line = m_doc.lineList().get(firstLine + s);
        m_lineSlots[static_cast<std::size_t>(s)] = line ? *line : std::string();
    }
}

void KaraokeMonitor::drawLine(const std::string& text, int y, int row) {
    const auto r = static_cast<std::size_t>(row);
    const int size = m_geometry.fontSize;
    m_rowFontSize[r] = size;
    if (wide(text)) {
        m_rowX[r] = kSqueezedLeft;
        if (m_imageVisible)
            m_paints.push_back({MonitorPaint::Kind::Squeezed,
                                text,
                                {},
                                kSqueezedLeft,
                                y,
                                size,
                                outlineThickness(size),
                                m_textColour,
                                m_sungColour});
        return;
    }
    m_rowX[r] = m_surface.clientWidth / 2 - m_widths.width(text, size, m_doc.textEncoding()) / 2;
    if (m_imageVisible && !text.empty())
        m_paints.push_back({MonitorPaint::Kind::Outlined,
                            text,
                            {},
                            m_rowX[r],
                            y,
                            size,
                            outlineThickness(size),
                            m_textColour,
                            0});
}

void KaraokeMonitor::drawPage(int s0, int s1, int s2, int s3) {
    const std::array<int, 4> slots{s0, s1, s2, s3};
    if (m_surface.windowVisible) {
        if (m_imageVisible) m_paints.push_back({MonitorPaint::Kind::Background});
        for (std::size_t r = 0; r < 4; ++r)
            drawLine(m_lineSlots[static_cast<std::size_t>(slots[r])], m_geometry.rowY[r],
                     static_cast<int>(r));
    }
    for (std::size_t r = 0; r < 4; ++r)
        m_shownLines[r] = m_lineSlots[static_cast<std::size_t>(slots[r])];
}

// The sung colouring of `row`, which shows `line`: `prefix` repainted over its start.
void KaraokeMonitor::paintSung(const std::string& line, const std::string& prefix, int row) {
    const auto r = static_cast<std::size_t>(row);
    const int y = m_geometry.rowY[r];
    if (wide(line))
        m_paints.push_back({MonitorPaint::Kind::Squeezed, line, prefix, kSqueezedLeft, y,
                            m_rowFontSize[r], outlineThickness(m_rowFontSize[r]), m_textColour,
                            m_sungColour});
    else
        m_paints.push_back({MonitorPaint::Kind::Plain,
                            prefix,
                            {},
                            m_rowX[r],
                            y,
                            m_rowFontSize[r],
                            0,
                            m_sungColour});
}

void KaraokeMonitor::drawSungPrefix(const std::string& syllable, int n, const std::string& line) {
    m_sungPrefix = line.substr(0, std::min(line.size(), static_cast<std::size_t>(n))) + syllable;
    if (!syllable.empty() && m_imageVisible) paintSung(line, m_sungPrefix, m_currentRow);
}

// Half-page flips: the singer always reads one half-page ahead.
void KaraokeMonitor::advanceRow() {
    m_currentY += m_geometry.lineStep;
    ++m_currentRow;
    if (m_currentY > m_geometry.rowY[3]) {
        m_currentY = m_geometry.rowY[0];
        m_currentRow = 0;
        drawPage(0, 1, 2, 3);
    }
    if (m_currentY == m_geometry.rowY[2]) drawPage(2, 3, 0, 1);
}

// Colours item nextSyllable. The line changes when the first syllable after a break is
// reached, not at the break's own tick, so a finished line stays coloured until then.
void KaraokeMonitor::step() {
    int tested = m_nextSyllable;
    if (m_started && m_nextSyllable > 0) {
        tested = m_nextSyllable - 1;
        m_sungChars += static_cast<int>(lyricItem(m_doc.lyrics(), tested).text.size());
    } else if (!m_started) {
        m_sungChars = 0;
        m_started = true;
    }
    if (lyricItem(m_doc.lyrics(), tested).lineBreak) {
        m_sungChars = 0;
        fillSlots(m_nextLine);
        ++m_nextLine;
        advanceRow();
    }
    drawSungPrefix(lyricItem(m_doc.lyrics(), m_nextSyllable).text, m_sungChars, m_lineSlots[0]);
    ++m_nextSyllable;
}

void KaraokeMonitor::updateAt(double tick) {
    if (!m_hasLyricTrack || m_nextSyllable >= m_doc.lyrics().count()) return;
    if (tick >= lyricItem(m_doc.lyrics(), m_nextSyllable).tick) {
        step();
    } else if (!m_firstPageShown) {
        fillSlots(0);
        m_nextLine = 1;
        m_firstPageShown = true;
        drawPage(0, 1, 2, 3);
    }
}

void KaraokeMonitor::update(double tick, bool synchronising) {
    if (!m_showLyrics || synchronising) return;
    const std::string* first = m_doc.lineList().get(0);
    if (!first || first->empty()) return;
    updateAt(tick);
}

void KaraokeMonitor::relocate(double tick) {
    m_imageVisible = false;
    if (m_hasLyricTrack) {
        m_nextSyllable = 0;
        m_firstPageShown = false;
        m_sungChars = 0;
        m_started = false;
        m_currentRow = 0;
        m_currentY = m_geometry.rowY[0];
        if (m_doc.lyrics().count() > 0) {
            fillSlots(0);
            m_nextLine = 1;
            m_firstPageShown = true;
            drawPage(0, 1, 2, 3);
        }
        m_sungPrefix.clear();
        while (m_nextSyllable < m_doc.lyrics().count() &&
               lyricItem(m_doc.lyrics(), m_nextSyllable).tick < tick)
            step();
        // An item exactly at the position is coloured here, as playback would colour it.
        updateAt(tick);
        updateAt(tick);
    }
    m_imageVisible = true;
    redraw();
}

void KaraokeMonitor::redraw() {
    m_geometry = computeMonitorGeometry(m_surface.clientHeight);
    m_currentY = m_geometry.rowY[static_cast<std::size_t>(m_currentRow)];
    if (!m_showLyrics) {
        drawTitleScreen();
        return;
    }
    m_paints.push_back({MonitorPaint::Kind::Background});
    for (std::size_t r = 0; r < 4; ++r)
        drawLine(m_shownLines[r], m_geometry.rowY[r], static_cast<int>(r));
    // Rows 1 and 3 are the lower line of a half-page whose upper line is fully sung.
    if (m_currentRow == 1 || m_currentRow == 3) {
        const std::string& done = m_shownLines[static_cast<std::size_t>(m_currentRow - 1)];
        if (!done.empty()) paintSung(done, done, m_currentRow - 1);
    }
    if (!m_sungPrefix.empty())
        paintSung(m_shownLines[static_cast<std::size_t>(m_currentRow)], m_sungPrefix, m_currentRow);
}

void KaraokeMonitor::drawTitleScreen() {
    m_geometry = computeMonitorGeometry(m_surface.clientHeight);
    const double scale = m_geometry.scale;
    m_paints.push_back({MonitorPaint::Kind::Background});
    const std::string title(kTitle);
    const int size = static_cast<int>(87 * scale);
    const int width = m_widths.width(title, size);
    const int x = m_surface.clientWidth / 2 - width / 2;
    using K = MonitorPaint::Kind;
    m_paints.push_back(
        {K::Plain, title, {}, x + 2, static_cast<int>(66 * scale), size, 0, kTitleShadow});
    m_paints.push_back(
        {K::Plain, title, {}, x, static_cast<int>(60 * scale), size, 0, kTitleColour});
    if (m_versionCaption.empty()) return;
    const int captionSize = static_cast<int>(32 * scale);
    const int x2 = x + width - m_widths.width(m_versionCaption, captionSize);
    m_paints.push_back({K::Plain,
                        m_versionCaption,
                        {},
                        x2 + 2,
                        static_cast<int>(202 * scale),
                        captionSize,
                        0,
                        kCaptionShadow});
    m_paints.push_back({K::Plain,
                        m_versionCaption,
                        {},
                        x2,
                        static_cast<int>(200 * scale),
                        captionSize,
                        0,
                        kCaptionColour});
}

} // namespace cantelo
