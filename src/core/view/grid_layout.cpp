#include "core/view/grid_layout.h"

#include "core/song/midi_song.h"
#include "core/timing/time_map.h"

#include <algorithm>
#include <limits>

namespace cantelo {

namespace {

constexpr int kSixteenthsPerWhole = 16;

// Sixteenths per beat for a denominator 2^power: 4 in x/4, 2 in x/8. Beats shorter than a
// sixteenth still advance one, or the walk would never reach the right edge.
std::int64_t sixteenthsPerBeat(std::uint8_t power) {
    return power >= 5 ? 1 : kSixteenthsPerWhole >> power;
}

std::int32_t tickAt(double pixels, const GridMapping& m) {
    const double tick = pixels * m.division() / m.zoom();
    return static_cast<std::int32_t>(
        std::clamp(tick, 0.0, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

} // namespace

void GridLayout::build(const GridScene& scene, const GridMapping& mapping, int width,
                       const GridFont& font) {
    m_mapping = mapping;
    m_width = width;
    m_measures.clear();
    m_beats.clear();
    m_syllableHits.clear();
    m_noteHits.clear();
    m_firstVisibleItem = -1;
    if (scene.song) buildLines(*scene.song);
    if (scene.lyrics) buildLyrics(*scene.lyrics, font);
    if (scene.notes) buildNotes(*scene.notes);
}

// Walks the song a sixteenth at a time from its start, so the measure numbers count every
// measure before the view as well.
void GridLayout::buildLines(const CMidiSong& song) {
    const double quarter = static_cast<double>(static_cast<float>(m_mapping.zoom()) / 4.0F);
    const bool beatLines = m_mapping.zoom() >= kMinBeatLineZoom;
    std::uint32_t beatsLeft = 0;
    std::int32_t measure = 0;
    std::int64_t step = sixteenthsPerBeat(2);
    for (std::int64_t k = 0;; k += step) {
        const double along = static_cast<double>(k) * quarter;
        const std::int64_t x = static_cast<std::int64_t>(along) - m_mapping.scroll();
        if (x >= m_width) break;
        if (beatsLeft == 0) {
            const SignatureInForce s = song.timeMap().signatureAt(tickAt(along, m_mapping));
            beatsLeft = s.numerator - 1;
            if (measure < std::numeric_limits<std::int32_t>::max()) ++measure;
            if (x >= 0) m_measures.push_back({static_cast<int>(x), measure});
            step = sixteenthsPerBeat(s.denominatorPower);
        } else {
            --beatsLeft;
            if (x >= 0 && beatLines) m_beats.push_back(static_cast<int>(x));
        }
    }
}

void GridLayout::buildLyrics(const TItemLyr& lyrics, const GridFont& font) {
    int row = kLyricFirstRow;
    int index = 0;
    for (const LyrItem* it = lyrics.head(); it; it = it->next, ++index) {
        if (it->text.empty() && !it->lineBreak) continue;
        const int x = m_mapping.xFromTick(it->tick);
        if (x > m_width) break;
        if (x < 0) continue;
        if (m_firstVisibleItem < 0) m_firstVisibleItem = index;
        if (!it->text.empty()) {
            const int w = font.width ? font.width(it->text) : 0;
            m_syllableHits.add(it->text, x, row, w + kBoxShadowOffset,
                               font.height + kBoxShadowOffset, index, it->tick);
        } else {
            m_syllableHits.add({}, x, row, kBreakBoxWidth, kBreakBoxHeight, index, it->tick);
        }
        row = nextLyricRow(row);
    }
}

void GridLayout::buildNotes(const TChannelItem& notes) {
    int index = 0;
    for (const ChannelItem* n = notes.head(); n; n = n->next, ++index) {
        if (n->value == 0) continue;
        const int x = m_mapping.xFromTick(n->tick);
        const int w = m_mapping.widthFromTicks(n->amount);
        if (x > m_width) break;
        if (x + w < 0) continue;
        const int top = kNoteTop - (n->value - kMiddleKey);
        const char key = static_cast<char>(n->value);
        // Stored as right = x + w - 1: the bar and its hit box end one pixel before the note.
        m_noteHits.add(std::string_view(&key, 1), x, top, w - 1, kNoteBarHeight, index, n->tick);
    }
}

const RectItem* syllableAt(const TRectItem& hits, int x, int y) {
    for (const RectItem* r = hits.head(); r; r = r->next)
        if (r->left < x && x < r->right && r->top < y && y < r->bottom) return r;
    return nullptr;
}

const RectItem* noteAt(const TRectItem& hits, int x, int y, bool anyHeight) {
    for (const RectItem* r = hits.head(); r; r = r->next)
        if (r->left <= x && x <= r->right && (anyHeight || (r->top <= y && y <= r->bottom)))
            return r;
    return nullptr;
}

std::vector<GridBox> layoutPreview(const std::vector<PreviewItem>& items,
                                   const GridMapping& mapping, int width, int firstRow,
                                   const GridFont& font) {
    std::vector<GridBox> boxes;
    int row = firstRow;
    for (const PreviewItem& item : items) {
        if (item.text.empty() && !item.lineBreak) continue;
        const int x = mapping.xFromTick(item.tick);
        if (x > width) break;
        if (x < 0) continue;
        if (!item.text.empty()) {
            const int w = font.width ? font.width(item.text) : 0;
            boxes.push_back({x, row, x + w + kBoxShadowOffset, row + font.height + kBoxShadowOffset,
                             item.text});
        } else {
            boxes.push_back({x, row, x + kBreakBoxWidth, row + kBreakBoxHeight, {}});
        }
        row = nextLyricRow(row);
    }
    return boxes;
}

} // namespace cantelo
