#include "core/view/colour_picker.h"

#include <algorithm>
#include <system_error>

namespace cantelo {

namespace {

// The bars' hit rectangles share their columns; rows are 11..26, 34..49 and 57..72.
constexpr int kHitLeft = 100;
constexpr int kHitRight = 289;
constexpr std::array<int, 3> kHitTop{11, 34, 57};
constexpr int kHitHeight = 15;

std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b) << 16;
}

} // namespace

ColourPicker::ColourPicker(std::uint32_t text, std::uint32_t syllable)
    : m_savedText(text), m_savedSyllable(syllable), m_liveText(text), m_liveSyllable(syllable) {
    setSliders(syllable);
}

int ColourPicker::componentAt(int markerX) {
    return std::clamp((markerX * 255 - 25755) / 187, 0, 255);
}

int ColourPicker::markerFor(int component) {
    return static_cast<int>(component * 187.0 / 255 + kBarLeft);
}

std::uint32_t ColourPicker::slidersColour() const {
    return rgb(m_rgb[0], m_rgb[1], m_rgb[2]);
}

std::uint32_t ColourPicker::barColour(int bar, int i) const {
    std::array<int, 3> c = m_rgb;
    c[static_cast<std::size_t>(bar)] = i * 255 / kBarColumns;
    return rgb(c[0], c[1], c[2]);
}

// Every marker move previews: the colour edited takes the bars' colour at once.
void ColourPicker::placeMarker(int bar, int x) {
    const auto b = static_cast<std::size_t>(bar);
    m_marker[b] = x;
    m_rgb[b] = componentAt(x);
    m_applySwatch = slidersColour();
    (m_target == Target::Text ? m_liveText : m_liveSyllable) = m_applySwatch;
}

void ColourPicker::setSliders(std::uint32_t colour) {
    const std::array<int, 3> parts{static_cast<int>(colour & 0xFF),
                                   static_cast<int>((colour >> 8) & 0xFF),
                                   static_cast<int>((colour >> 16) & 0xFF)};
    for (int bar = 0; bar < 3; ++bar)
        placeMarker(bar, markerFor(parts[static_cast<std::size_t>(bar)]));
    // The marker's place may round; the colour itself is kept exactly.
    m_rgb = parts;
    m_applySwatch = colour;
    (m_target == Target::Text ? m_liveText : m_liveSyllable) = colour;
    m_restoreSwatch = colour;
}

bool ColourPicker::press(int x, int y) {
    for (int bar = 0; bar < 3; ++bar) {
        const int top = kHitTop[static_cast<std::size_t>(bar)];
        if (x > kHitLeft && x < kHitRight && y > top && y < top + kHitHeight) {
            placeMarker(bar, x);
            m_dragged = bar;
            return true;
        }
    }
    return false;
}

bool ColourPicker::dragTo(int x) {
    if (m_dragged < 0 || x <= kHitLeft || x >= kHitRight) return false;
    placeMarker(m_dragged, x);
    return true;
}

void ColourPicker::chooseTarget(Target target) {
    m_target = target;
    if (target == Target::Text) {
        m_liveSyllable = m_savedSyllable;
        setSliders(m_savedText);
    } else {
        m_liveText = m_savedText;
        setSliders(m_savedSyllable);
    }
}

void ColourPicker::applyColour() {
    (m_target == Target::Text ? m_savedText : m_savedSyllable) = m_applySwatch;
    m_restoreSwatch = m_applySwatch;
}

void ColourPicker::restoreColour() {
    setSliders(m_restoreSwatch);
}

std::vector<std::string> backgroundNames(const std::vector<std::filesystem::path>& folders) {
    std::vector<std::string> names;
    for (const std::filesystem::path& folder : folders) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace cantelo
