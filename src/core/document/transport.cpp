#include "core/document/transport.h"

#include "core/playback/chase_channels.h"
#include "core/playback/midi_output.h"
#include "core/timing/time_map.h"

#include <algorithm>

namespace cantelo {

Transport::Transport(CMidiPlayer& player, SongDocument& doc, MidiOutput& output, KeySync& sync)
    : m_player(player), m_doc(doc), m_output(output), m_sync(sync) {}

TransportState Transport::state() const {
    if (!m_active) return TransportState::Idle;
    return m_sync.syncMode() ? TransportState::Synchronising : TransportState::Playing;
}

void Transport::setMelodyChannel(int channel) {
    m_melodyChannel = std::clamp(channel, 0, kChannels - 1);
    m_shownProgram = kNothingShown;
}

// ---- play and stop ---------------------------------------------------------------------------

void Transport::settle() {
    if (m_active && !m_player.playing()) stop();
}

bool Transport::play() {
    settle();
    if (m_player.playing()) return true;
    m_doc.lyrics.TidyLyrics();
    m_sync.resetCursor();
    // Playing on from the end would stop again at once; a song heard to its end starts over.
    if (m_player.tick() >= m_doc.song.songLength) m_player.Locate(0);
    m_active = true;
    if (!m_player.Play()) {
        stop();
        return false;
    }
    m_fullRefreshDone = false;
    return true;
}

TransportStop Transport::stop() {
    if (!m_player.playing() && !m_active && !m_sync.syncMode()) return {};
    m_syncRunning = false;
    m_active = false;
    m_player.Stop();
    TransportStop result;
    result.stopped = true;
    const std::int32_t tick = m_player.tick();
    if (m_sync.syncMode())
        result.syncFinished = m_sync.stop(m_doc.lyrics, tick); // places the cursor itself
    else
        m_sync.PlaceSyncCursor(m_doc.lyrics.lyrics(), tick);
    return result;
}

SyncStep Transport::startSync(int scrollMax, UndoTarget undo) {
    settle();
    SyncStep step = m_sync.start(m_doc.lyrics, m_player.playing(), scrollMax, undo);
    if (!step.accepted) return step;
    m_active = true;
    m_syncRunning = true;
    if (!m_player.Play()) {
        stop();
        return {};
    }
    m_fullRefreshDone = false;
    return step;
}

TransportStop Transport::beforeOpen() {
    return stop();
}

void Transport::showAfresh() {
    m_shownTick = kNothingShown;
    m_shownSignature = {};
    m_shownTempo = kNothingShown;
    m_shownProgram = kNothingShown;
}

void Transport::tempoEdited() {
    if (m_player.playing())
        m_player.RetimeQueues();
    else
        m_player.Locate(m_player.tick());
    m_shownTick = kNothingShown;
    m_shownTempo = kNothingShown;
}

// ---- position commands -----------------------------------------------------------------------

void Transport::placeCursor(std::int32_t tick) {
    // A running take owns its cursor; it is placed again when the take ends.
    if (!m_sync.syncMode()) m_sync.PlaceSyncCursor(m_doc.lyrics.lyrics(), tick);
}

void Transport::chaseForMixer() {
    if (m_mixerOpen) ChaseChannels(m_player, m_output, ChaseKinds::all());
}

TransportMove Transport::moveTo(std::int32_t tick) {
    settle();
    m_player.Locate(tick);
    placeCursor(tick);
    chaseForMixer();
    return {true, tick, true};
}

TransportMove Transport::goToStart() {
    if (m_player.playing()) return {};
    TransportMove move = moveTo(0);
    // The next take starts at the top, also when the text opens with empty lines.
    if (!m_sync.syncMode()) m_sync.resetCursor();
    return move;
}

TransportMove Transport::goToEnd() {
    if (m_player.playing()) return {};
    return moveTo(std::max(m_doc.song.songLength, 0));
}

TransportMove Transport::measureBack() {
    if (m_player.playing()) {
        chaseForMixer();
        return {false, m_player.tick(), true};
    }
    return moveTo(std::max(m_doc.song.timeMap().previousMeasureTick(m_player.tick()), 0));
}

TransportMove Transport::measureForward() {
    if (m_player.playing()) {
        chaseForMixer();
        return {false, m_player.tick(), true};
    }
    return moveTo(m_doc.song.timeMap().nextMeasureTick(m_player.tick()));
}

TransportMove Transport::seek(std::int32_t tick) {
    settle();
    tick = std::clamp(tick, 0, std::max(m_doc.song.songLength, 0));
    const bool wasPlaying = m_player.playing();
    m_player.Stop();
    m_player.Locate(tick);
    if (wasPlaying) m_player.Play();
    m_fullRefreshDone = false;
    placeCursor(tick);
    chaseForMixer();
    return {true, tick, true};
}

// ---- the display step ------------------------------------------------------------------------

DisplayUpdate Transport::displayStep() {
    DisplayUpdate u;
    const std::int32_t tick = m_player.tick();
    const bool playing = m_player.playing();
    if (tick != m_shownTick) showPosition(u, tick, playing);
    // Checked at every run, not only when the position moved: the run that showed the last
    // position may have come before the player noticed the end.
    if (!playing && m_active) {
        const TransportStop s = stop();
        u.songEnded = s.stopped;
        u.syncFinished = s.syncFinished;
    }
    const std::int32_t tempo = m_player.tempo();
    if (tempo != m_shownTempo) {
        u.tempo = tempoText(tempo);
        m_shownTempo = tempo;
    }
    return u;
}

void Transport::showPosition(DisplayUpdate& u, std::int32_t tick, bool playing) {
    u.tick = tick;
    const auto signature = m_player.timeSignature();
    if (signature[0] != m_shownSignature[0] || signature[1] != m_shownSignature[1]) {
        const ShownSignature shown{signature[0], static_cast<int>(pow2Clamped(signature[1]))};
        u.signature = signatureText(shown);
        u.currentSignature = shown;
        m_shownSignature = {signature[0], signature[1]};
    }
    for (int c = 0; c < kChannels; ++c) {
        if (!m_doc.song.noteSent(c)) continue;
        m_doc.song.setNoteSent(c, false);
        u.meterLevels[static_cast<std::size_t>(c)] =
            meterLevel(m_doc.song.displayValue(c, DisplayController::Volume));
    }
    ChaseKinds kinds;
    if (m_player.refreshFlag(RefreshFlag::Any)) {
        kinds = m_player.takeRefreshFlags();
        u.toolWindowsRefresh = true;
    }
    // The full refresh covers whatever the player flagged; sending both would repeat values.
    if (playing && !m_fullRefreshDone) {
        kinds = ChaseKinds::all();
        m_fullRefreshDone = true;
        u.toolWindowsRefresh = true;
    }
    ChaseChannels(m_player, m_output, kinds);
    u.chased = kinds;
    if (playing) showMelodyProgram(u, tick);
    if (!m_dragging) {
        u.position = m_doc.song.timeMap().positionText(tick);
        u.clock = clockText(m_doc.song.timeMap().tickToMs(tick));
    }
    u.monitorFollows = !m_sync.syncMode() && monitorShowsText();
    u.gridFollows = playing;
    m_shownTick = tick;
}

void Transport::showMelodyProgram(DisplayUpdate& u, std::int32_t tick) {
    std::string name;
    const std::int32_t program = m_doc.song.programNameAt(m_melodyChannel, tick, &name);
    if (program == m_shownProgram) return;
    if (program >= 0) {
        const auto out = static_cast<std::uint8_t>(m_doc.song.outputChannel(m_melodyChannel));
        m_output.sendShort(packShort(static_cast<std::uint8_t>(0xC0 | (out & 15)),
                                     static_cast<std::uint8_t>(program & 0x7F)));
        // As for every program change sent outside playback, the tool windows show it.
        m_player.raiseRefreshFlag(RefreshFlag::Any);
    }
    u.instrument = std::move(name);
    m_shownProgram = program;
}

bool Transport::monitorShowsText() {
    if (!m_doc.songLoaded) return false;
    const std::string* first = m_doc.lyrics.lineList().get(0);
    return first && !first->empty();
}

} // namespace cantelo
