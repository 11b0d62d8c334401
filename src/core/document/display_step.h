#pragma once

#include "core/playback/midi_player.h"
#include "core/song/midi_song.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace cantelo {

// The time signature as the grid counts it: the numerator and the note value (4 for quarters).
struct ShownSignature {
    int numerator = 4;
    int denominator = 4;
};

// What one run of the display timer changed. The window applies it as it is: a field that is
// empty (or false) asks for nothing, so a label is rewritten only when its value changed.
struct DisplayUpdate {
    // The position moved: the slider cursor goes there (unless the user drags it).
    std::optional<std::int32_t> tick;
    std::optional<std::string> position;  // LblszPointer, measure.beat.tick (not while dragging)
    std::optional<std::string> clock;     // LblszPointer2 (not while dragging)
    std::optional<std::string> signature; // LblszSignature
    std::optional<ShownSignature> currentSignature; // kept for the grid with the label
    std::optional<std::string> tempo;               // LblszTempo
    std::optional<std::string> instrument;          // lblIName: the melody channel's instrument
    // The mixer's meter: SetValue(level, channel) for each channel that sounded a note.
    std::array<std::optional<int>, kChannels> meterLevels{};
    ChaseKinds chased;               // the kinds of channel value this run sent again
    bool toolWindowsRefresh = false; // the MIDI parameters, patch and mixer windows redraw
    bool gridFollows = false;        // playing: the grid's position line moves to `tick`
    bool monitorFollows = false;     // the karaoke monitor shows `tick`
    bool songEnded = false;          // the song ended by itself: the transport stop ran
    bool syncFinished = false;       // ... and ended a key-tap take with it
};

// "%i/%i" of the numerator and the note value.
std::string signatureText(const ShownSignature& s);
// "%3i" of the tempo in BPM.
std::string tempoText(std::int32_t bpm);
// The meter level (0..13) for a channel's display volume: volume x 13 / 127, where a quiet but
// audible channel still lights one segment.
int meterLevel(std::int32_t volume);

} // namespace cantelo
