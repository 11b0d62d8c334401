#pragma once

#include "core/document/display_step.h"
#include "core/document/key_sync.h"
#include "core/document/song_file.h"
#include "core/playback/midi_player.h"

#include <array>
#include <cstdint>
#include <limits>

namespace cantelo {

class MidiOutput;

enum class TransportState { Idle, Playing, Synchronising };

// What the transport stop did, for the buttons and the views.
struct TransportStop {
    bool stopped = false;      // the transport was running: the buttons show idle again
    bool syncFinished = false; // a key-tap take ended: the editor and monitor leave the strip
};

// What a position command did.
struct TransportMove {
    bool moved = false;              // false: ignored, the song is playing
    std::int32_t tick = 0;           // the position now: the grid cursor and monitor go there
    bool toolWindowsRefresh = false; // the MIDI parameters and patch windows follow
};

// Play, stop, the position commands and the display timer's step, over the one player, the open
// song and the output that channel values are re-sent to. It is the one place that knows whether
// the song plays for the user (transport active), whether a key-tap take runs, and what the
// position read-outs show. The player's atomics are its only source of what playback did.
//
// Threads: user-interface thread only. Nothing here blocks longer than the player's Stop.
class Transport {
public:
    static constexpr int kFirstMelodyChannel = 3;

    Transport(CMidiPlayer& player, SongDocument& doc, MidiOutput& output, KeySync& sync);
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    TransportState state() const;
    // Set by play and by a take's start; cleared only by the transport stop.
    bool active() const { return m_active; }
    // A key-tap take runs: the Sincronizza button shows its running image.
    bool syncRunning() const { return m_syncRunning; }
    // False from a start (or a move while playing) until the display step has re-sent every
    // channel value once.
    bool fullRefreshDone() const { return m_fullRefreshDone; }

    int melodyChannel() const { return m_melodyChannel; }
    // 0..15 (others are clamped); the instrument read-out is rewritten at the next step.
    void setMelodyChannel(int channel);
    // While the slider cursor is dragged the position read-outs keep still.
    void setDragging(bool on) { m_dragging = on; }
    bool dragging() const { return m_dragging; }
    // While the mixer is open, the position commands re-send every channel value so that its
    // knobs show the values in force at the new position.
    void setMixerOpen(bool open) { m_mixerOpen = open; }

    // Play (button, menu, remote): tidies the lyrics, starts the take cursor from the top and
    // plays from the position, or from the start when the position is at the song's end. Returns
    // whether the song plays; already playing it changes nothing.
    bool play();
    // The transport stop (button, menu, remote, the song's end): stops playback, ends a running
    // take (its ticks made to rise) and places the take cursor at the final position.
    TransportStop stop();
    // "Sincronizza": starts a key-tap take at the cursor and plays. `scrollMax` is the editor's
    // scroll bar maximum. Refused while playing; when playback cannot start the take is ended at
    // once and the step comes back refused.
    SyncStep startSync(int scrollMax, UndoTarget undo = {});

    // Before a song is opened in place: the transport stop when anything plays, so that playback
    // never reads the song while it is read again and no later step stops it a second time.
    TransportStop beforeOpen();
    // After an open: the next display step rewrites every read-out for the new song.
    void showAfresh();
    // After the song's tempos changed (an edit, its undo or redo): while playing, the pending
    // events follow the new tempos from the tick reached, without a jump of the position; stopped,
    // the clock is worked out again at the same tick. The read-outs are rewritten at the next
    // step.
    void tempoEdited();
    // The output was opened again: its channel values are re-sent at the next step while playing.
    void requestFullRefresh() { m_fullRefreshDone = false; }

    // Ignored while playing.
    TransportMove goToStart();
    TransportMove goToEnd();
    // Ignored while playing, except that the tool windows refresh in every case.
    TransportMove measureBack();
    TransportMove measureForward();
    // The slider: the position moves to `tick` (kept within the song) in every state, and
    // playback continues from there when it was playing.
    TransportMove seek(std::int32_t tick);

    // One run of the display timer: what changed since the previous run. It also sends what the
    // run owes the output (the channel values the player flagged, the full refresh after a start,
    // the melody channel's program when it changes) and runs the transport stop when the song
    // has ended by itself.
    DisplayUpdate displayStep();

private:
    static constexpr std::int32_t kNothingShown = std::numeric_limits<std::int32_t>::min();

    // The song ended by itself but no step has noticed yet: finish the stop before acting.
    void settle();
    TransportMove moveTo(std::int32_t tick);
    void placeCursor(std::int32_t tick);
    void chaseForMixer();
    void showPosition(DisplayUpdate& u, std::int32_t tick, bool playing);
    void showMelodyProgram(DisplayUpdate& u, std::int32_t tick);
    bool monitorShowsText();

    CMidiPlayer& m_player;
    SongDocument& m_doc;
    MidiOutput& m_output;
    KeySync& m_sync;

    bool m_active = false;
    bool m_syncRunning = false;
    bool m_fullRefreshDone = true;
    bool m_dragging = false;
    bool m_mixerOpen = false;
    int m_melodyChannel = kFirstMelodyChannel;

    std::int32_t m_shownTick = kNothingShown;
    std::array<std::uint8_t, 2> m_shownSignature{}; // numerator, denominator power; 0/0 = none
    std::int32_t m_shownTempo = kNothingShown;
    std::int32_t m_shownProgram = kNothingShown;
};

} // namespace cantelo
