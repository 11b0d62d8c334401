#pragma once

#include "core/document/editor_document.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace cantelo {

class MidiDevice;

// The mixer's panel, in its own pixels: one 30-pixel strip per channel starting at x = 3.
inline constexpr int kMixerWidth = 479;
inline constexpr int kMixerHeight = 336;
inline constexpr int kMixerStripWidth = 30;
inline constexpr int kMixerKnobSize = 20;
inline constexpr int kMixerChorusTop = 12;
inline constexpr int kMixerReverbTop = 58;
inline constexpr int kMixerPanTop = 104;
inline constexpr int kMixerButtonTop = 140;
inline constexpr int kMixerButtonWidth = 8;
inline constexpr int kMixerButtonHeight = 11;
inline constexpr int kMixerSoloOffset = 14; // the solo button, right of the mute button
inline constexpr int kMixerMeterLeft = 1;
inline constexpr int kMixerMeterTop = 152;
inline constexpr int kMixerFaderBottom = 301; // a fader's knob sits `value` pixels above it
inline constexpr int kMixerFaderKnobHalfHeight = 4;
inline constexpr int kMixerFaderCentre = 12; // the fader's track, from its strip's left edge

inline int mixerStripLeft(int channel) {
    return 3 + kMixerStripWidth * channel;
}

// What a hit rectangle is: the volume fader, the three knobs, the mute and the solo button.
enum class MixKind : char {
    Volume = 'v',
    Pan = 'p',
    Reverb = 'r',
    Chorus = 'c',
    Mute = 'm',
    Solo = 's'
};

// The controller a fader or knob sets (7, 10, 91, 93); -1 for the buttons.
int mixController(MixKind kind);

struct MixerItem {
    MixKind kind = MixKind::Volume;
    int left = 0, right = 0, top = 0, bottom = 0;
    int id = 0; // the same for a control from one redraw to the next
    int channel = 0;
    int value = 0;
    // Strictly inside: a point on the border belongs to neither neighbour.
    bool contains(int x, int y) const { return x > left && x < right && y > top && y < bottom; }
};

// One strip as the panel draws it.
struct MixerStrip {
    int volume = 0, pan = 0, reverb = 0, chorus = 0; // a missing value shows as 0
    bool used = false;
    bool mute = false, solo = false;
};
using MixerStrips = std::array<MixerStrip, kChannels>;

// The hit rectangles of the strips, six per channel (unused channels too: the mouse finds
// them and is ignored there).
std::vector<MixerItem> mixerItems(const MixerStrips& strips);

// A knob's value for a point (dx, dy) from its centre: the angle clockwise from straight down,
// 45 degrees (down-left) giving 0 and 315 (down-right) 127.
double knobAngle(int dx, int dy);
int knobValue(int dx, int dy);
// The fader dragged from `lastY` to `y` (up is more), kept within 0..127.
int faderValue(int value, int lastY, int y);

// The mixer's logic over the document and the output: what the strips show, the mouse, and
// SetMixValue, the one path by which a value changes (the song at the position as an undo
// step, a drag being one step however many moves it makes, then the output). The mute and solo
// buttons live as long as the editor and are cleared when a song is opened; they set the song's
// muted flags, which are not part of the file. User-interface thread only.
class Mixer {
public:
    using Position = std::function<std::int32_t()>;

    Mixer(EditorDocument& doc, MidiDevice& output, Position position);

    MixerStrips strips() const;
    // The hit rectangles of the last layout().
    const std::vector<MixerItem>& items() const { return m_items; }
    void layout() { m_items = mixerItems(strips()); }
    const MixerItem* itemAt(int x, int y) const;
    const MixerItem* findItem(int id) const;

    // The mouse. Down returns whether it hit a control of a channel in use (a button toggled or
    // a drag started); a fader's move returns the meter level to show on its channel.
    bool mouseDown(int x, int y);
    std::optional<int> mouseMove(int x, int y);
    void mouseUp();
    bool dragging() const { return m_drag.has_value(); }

    // The wheel or an arrow key on control `id`: one step up or down, an undo step of its own.
    bool stepControl(int id, int delta);

    void SetMixValue(int channel, int value, int controller);
    // SetMixValue is under way: the document's notices of it need no followSong.
    bool applying() const { return m_applying; }

    bool muted(int channel) const { return m_mute[channel & 15]; }
    bool soloed(int channel) const { return m_solo[channel & 15]; }
    void toggleMute(int channel);
    void toggleSolo(int channel);

    // A song was opened: every button up, no drag.
    void songOpened();
    // The song's controllers changed other than through SetMixValue (an undo, another tool):
    // the shown values follow the song at the position, and the output hears what changed.
    void followSong();

private:
    struct Drag {
        int id = 0;
        int lastY = 0;
    };
    bool anySolo() const;
    void applyMutes();

    EditorDocument& m_doc;
    MidiDevice& m_output;
    Position m_position;
    std::array<bool, kChannels> m_mute{};
    std::array<bool, kChannels> m_solo{};
    std::vector<MixerItem> m_items;
    std::optional<Drag> m_drag;
    bool m_applying = false;
};

} // namespace cantelo
