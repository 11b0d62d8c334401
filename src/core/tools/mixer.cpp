#include "core/tools/mixer.h"

#include "core/document/display_step.h"
#include "core/playback/midi_device.h"
#include "core/tools/song_tools.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cantelo {

namespace {

constexpr int kKnobInset = 2; // a knob's left edge from its strip's
constexpr int kMuteInset = 4;
constexpr int kFaderHalfWidth = 10;

struct Knob {
    MixKind kind;
    int top;
    int MixerStrip::*value;
};
constexpr Knob kKnobs[] = {{MixKind::Chorus, kMixerChorusTop, &MixerStrip::chorus},
                           {MixKind::Reverb, kMixerReverbTop, &MixerStrip::reverb},
                           {MixKind::Pan, kMixerPanTop, &MixerStrip::pan}};

constexpr MixKind kKindOrder[] = {MixKind::Volume, MixKind::Pan,  MixKind::Reverb,
                                  MixKind::Chorus, MixKind::Mute, MixKind::Solo};

int idOf(int channel, MixKind kind) {
    const auto at = std::find(std::begin(kKindOrder), std::end(kKindOrder), kind);
    return channel * 8 + static_cast<int>(at - std::begin(kKindOrder));
}

constexpr int kMixControllers[] = {7, 10, 91, 93};

} // namespace

int mixController(MixKind kind) {
    switch (kind) {
    case MixKind::Volume:
        return 7;
    case MixKind::Pan:
        return 10;
    case MixKind::Reverb:
        return 91;
    case MixKind::Chorus:
        return 93;
    default:
        return -1;
    }
}

std::vector<MixerItem> mixerItems(const MixerStrips& strips) {
    std::vector<MixerItem> items;
    items.reserve(kChannels * std::size(kKindOrder));
    for (int c = 0; c < kChannels; ++c) {
        const MixerStrip& s = strips[static_cast<std::size_t>(c)];
        const int x = mixerStripLeft(c);
        const int faderY = kMixerFaderBottom - s.volume;
        const int faderX = x + kMixerFaderCentre;
        items.push_back({MixKind::Volume, faderX - kFaderHalfWidth, faderX + kFaderHalfWidth,
                         faderY - kMixerFaderKnobHalfHeight - 1,
                         faderY + kMixerFaderKnobHalfHeight + 1, idOf(c, MixKind::Volume), c,
                         s.volume});
        for (const Knob& k : kKnobs)
            items.push_back({k.kind, x + kKnobInset, x + kKnobInset + kMixerKnobSize, k.top,
                             k.top + kMixerKnobSize, idOf(c, k.kind), c, s.*k.value});
        const int mute = x + kMuteInset;
        items.push_back({MixKind::Mute, mute, mute + kMixerButtonWidth, kMixerButtonTop,
                         kMixerButtonTop + kMixerButtonHeight, idOf(c, MixKind::Mute), c, s.mute});
        const int solo = mute + kMixerSoloOffset;
        items.push_back({MixKind::Solo, solo, solo + kMixerButtonWidth, kMixerButtonTop,
                         kMixerButtonTop + kMixerButtonHeight, idOf(c, MixKind::Solo), c, s.solo});
    }
    return items;
}

double knobAngle(int dx, int dy) {
    double a;
    if (dy != 0)
        a = std::atan(double(dx) / double(dy)) * 180.0 / std::numbers::pi;
    else
        a = dx < 0 ? 90.0 : dx > 0 ? -90.0 : 0.0;
    // atan gives one half-turn; the quadrant puts it on the full circle.
    if (dy < 0 && dx >= 0)
        a = 180.0 - a;
    else if (dy > 0 && dx > 0)
        a = 360.0 - a;
    else if (dy > 0 && dx < 0)
        a = -a;
    else if (a != 0.0)
        a = 180.0 - a;
    return a;
}

int knobValue(int dx, int dy) {
    const double v = std::trunc((knobAngle(dx, dy) - 45.0) * 127.0 / 270.0);
    return static_cast<int>(std::clamp(v, 0.0, 127.0));
}

int faderValue(int value, int lastY, int y) {
    return static_cast<int>(
        std::clamp<std::int64_t>(std::int64_t{value} - (std::int64_t{y} - lastY), 0, 127));
}

// ---- Mixer ------------------------------------------------------------------------------------

Mixer::Mixer(EditorDocument& doc, MidiDevice& output, Position position)
    : m_doc(doc), m_output(output), m_position(std::move(position)) {
    layout();
}

MixerStrips Mixer::strips() const {
    const CMidiSong& song = m_doc.song();
    MixerStrips out;
    for (int c = 0; c < kChannels; ++c) {
        MixerStrip& s = out[static_cast<std::size_t>(c)];
        const auto shown = [&](DisplayController d) {
            return std::clamp(song.displayValue(c, d), 0, 127);
        };
        s.volume = shown(DisplayController::Volume);
        s.pan = shown(DisplayController::Pan);
        s.reverb = shown(DisplayController::Reverb);
        s.chorus = shown(DisplayController::Chorus);
        s.used = song.channelUsed[static_cast<std::size_t>(c)];
        s.mute = m_mute[static_cast<std::size_t>(c)];
        s.solo = m_solo[static_cast<std::size_t>(c)];
    }
    return out;
}

const MixerItem* Mixer::itemAt(int x, int y) const {
    for (const MixerItem& item : m_items)
        if (item.contains(x, y)) return &item;
    return nullptr;
}

const MixerItem* Mixer::findItem(int id) const {
    for (const MixerItem& item : m_items)
        if (item.id == id) return &item;
    return nullptr;
}

bool Mixer::mouseDown(int x, int y) {
    layout();
    const MixerItem* item = itemAt(x, y);
    if (!item || !m_doc.song().channelUsed[static_cast<std::size_t>(item->channel)]) return false;
    switch (item->kind) {
    case MixKind::Mute:
        toggleMute(item->channel);
        break;
    case MixKind::Solo:
        toggleSolo(item->channel);
        break;
    default:
        // However many moves follow, the drag is one undo step.
        m_doc.beginSongGesture(DocumentChangeKind::Controllers, SongScope::controls(item->channel));
        m_drag = Drag{item->id, y};
        break;
    }
    layout();
    return true;
}

std::optional<int> Mixer::mouseMove(int x, int y) {
    if (!m_drag) return std::nullopt;
    layout();
    const MixerItem* item = findItem(m_drag->id);
    if (!item) return std::nullopt;
    const int channel = item->channel;
    std::optional<int> meter;
    if (item->kind == MixKind::Volume) {
        const int v = faderValue(item->value, m_drag->lastY, y);
        m_drag->lastY = y;
        SetMixValue(channel, v, 7);
        meter = meterLevel(m_doc.song().displayValue(channel, DisplayController::Volume));
    } else {
        const int half = kMixerKnobSize / 2;
        SetMixValue(channel, knobValue(x - item->left - half, y - item->top - half),
                    mixController(item->kind));
    }
    return meter;
}

void Mixer::mouseUp() {
    if (!m_drag) return;
    m_drag.reset();
    m_doc.endSongGesture();
}

bool Mixer::stepControl(int id, int delta) {
    layout();
    const MixerItem* item = findItem(id);
    const int controller = item ? mixController(item->kind) : -1;
    if (controller < 0 || m_drag ||
        !m_doc.song().channelUsed[static_cast<std::size_t>(item->channel)])
        return false;
    const int v = std::clamp(item->value + delta, 0, 127);
    if (v == item->value) return false;
    SetMixValue(item->channel, v, controller);
    return true;
}

void Mixer::SetMixValue(int channel, int value, int controller) {
    if (channel < 0 || channel >= kChannels) return;
    value = std::clamp(value, 0, 127);
    // A value equal to the song's changes nothing and records no step; it is sent all the same.
    m_applying = true;
    setChannelController(m_doc, channel, m_position(), value, controller);
    m_applying = false;
    m_output.SendController(channel, value, controller);
    layout();
}

bool Mixer::anySolo() const {
    return std::any_of(m_solo.begin(), m_solo.end(), [](bool b) { return b; });
}

void Mixer::applyMutes() {
    const bool solo = anySolo();
    CMidiSong& song = m_doc.song();
    for (std::size_t c = 0; c < kChannels; ++c)
        song.setMuted(static_cast<int>(c), solo ? !m_solo[c] : m_mute[c]);
}

void Mixer::toggleMute(int channel) {
    const auto c = static_cast<std::size_t>(channel & 15);
    m_mute[c] = !m_mute[c];
    if (!anySolo()) m_doc.song().setMuted(channel & 15, m_mute[c]);
}

void Mixer::toggleSolo(int channel) {
    const auto c = static_cast<std::size_t>(channel & 15);
    m_solo[c] = !m_solo[c];
    applyMutes();
}

void Mixer::songOpened() {
    m_drag.reset();
    m_mute.fill(false);
    m_solo.fill(false);
    applyMutes();
    layout();
}

void Mixer::followSong() {
    CMidiSong& song = m_doc.song();
    const std::int32_t tick = m_position();
    for (int c = 0; c < kChannels; ++c) {
        for (int controller : kMixControllers) {
            const std::int32_t v = song.controllerAt(controller, c, tick);
            const DisplayController slot = *displaySlot(controller);
            if (v == song.displayValue(c, slot)) continue;
            song.setDisplayValue(c, slot, v);
            if (v >= 0) m_output.SendController(c, v, controller);
        }
    }
    layout();
}

} // namespace cantelo
