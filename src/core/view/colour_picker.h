#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cantelo {

// The monitor's colour choice: three bars (red, green, blue) with a marker each, the colour
// being edited (the text's or the sung syllables'), a swatch that applies the bars' colour and
// one that gives back the last applied colour. Every marker move previews on the monitor at
// once; only an applied colour outlives the dialog. Colours are 0xBBGGRR. GUI thread only.
class ColourPicker {
public:
    enum class Target { Text, Syllable };
    static constexpr int kBarLeft = 101;  // the first column of a bar, component 0
    static constexpr int kBarRight = 288; // the last column, component 255
    static constexpr int kBarColumns = kBarRight - kBarLeft + 1;
    static constexpr std::array<int, 3> kBarBaseline{20, 43, 66};

    // The dialog opens with both colours saved and the syllable colour being edited.
    ColourPicker(std::uint32_t text, std::uint32_t syllable);

    // What the monitor shows now: an edited colour previews until the dialog closes.
    std::uint32_t liveText() const { return m_liveText; }
    std::uint32_t liveSyllable() const { return m_liveSyllable; }
    Target target() const { return m_target; }
    int component(int bar) const { return m_rgb[static_cast<std::size_t>(bar)]; }
    int markerX(int bar) const { return m_marker[static_cast<std::size_t>(bar)]; }
    std::uint32_t applySwatch() const { return m_applySwatch; }
    std::uint32_t restoreSwatch() const { return m_restoreSwatch; }

    // The colour of column `i` (0..187) of bar `bar`: the other two components as they stand.
    std::uint32_t barColour(int bar, int i) const;

    // A press at (x, y) in the colour panel: strictly inside a bar it places that bar's marker
    // at x and starts dragging it. Returns whether a bar was hit.
    bool press(int x, int y);
    // The mouse moved with the button held: the dragged marker follows x inside the bar.
    bool dragTo(int x);
    void release() { m_dragged = -1; }

    // The radio buttons: switching drops the unapplied change of the other colour.
    void chooseTarget(Target target);
    // A double click on the apply swatch: the bars' colour becomes the saved one.
    void applyColour();
    // A double click on the restore swatch: the colour edited goes back to the last applied.
    void restoreColour();
    // Closing: the saved colours, which the monitor keeps.
    std::uint32_t savedText() const { return m_savedText; }
    std::uint32_t savedSyllable() const { return m_savedSyllable; }

    static int componentAt(int markerX);
    static int markerFor(int component);

private:
    void setSliders(std::uint32_t colour);
    void placeMarker(int bar, int x);
    std::uint32_t slidersColour() const;

    std::uint32_t m_savedText;
    std::uint32_t m_savedSyllable;
    std::uint32_t m_liveText;
    std::uint32_t m_liveSyllable;
    Target m_target = Target::Syllable;
    std::array<int, 3> m_rgb{};
    std::array<int, 3> m_marker{kBarLeft, kBarLeft, kBarLeft};
    std::uint32_t m_applySwatch = 0;
    std::uint32_t m_restoreSwatch = 0;
    int m_dragged = -1;
};

// The pictures that may be the monitor's background: every entry of the given folders (the
// first of two entries of one name wins), sorted by name. Folders that cannot be read add
// nothing.
std::vector<std::string> backgroundNames(const std::vector<std::filesystem::path>& folders);

} // namespace cantelo
