#include "core/song/midi_song.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace cantelo {

namespace {

// clang-format off
constexpr std::array<std::string_view, 128> kProgramNames = {
    "Grand Piano", "Bright Piano", "Electric Grand", "Honky-tonk Piano", "Rhodes Piano",
    "Chorused Piano", "Harpsichord", "Clavinet", "Celesta", "Glockenspiel", "Music Box",
    "Vibraphone", "Marimba", "Xylophone", "Tubular Bells", "Dulcimer", "Hammond Organ",
    "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion", "Harmonica",
    "Tango Accordion", "Nylon Guitar", "Steel Guitar", "Jazz Guitar", "Clean Guitar",
    "Muted Guitar", "Overdrive Guitar", "Distortion Guitar", "Guitar Harmonics",
    "Acoustic Bass", "Fingered Bass", "Picked Bass", "Fretless Bass", "Slap Bass 1",
    "Slap Bass 2", "Synth Bass 1", "Synth Bass 2", "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "Synth Strings 1", "Synth Strings 2",
    "Choir Aahs", "Choir Oohs", "Synth Voice", "Orchestra Hit", "Trumpet", "Trombone", "Tuba",
    "Muted Trumpet", "French Horn", "Brass Section", "Synth Brass 1", "Synth Brass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe", "English Horn",
    "Bassoon", "Clarinet", "Piccolo", "Flute", "Recorder", "Pan Flute", "Blown Bottle",
    "Shakuhachi", "Whistle", "Ocarina", "Lead1 (square)", "Lead2(sawtooth)",
    "Lead3 (calliope)", "Lead4 (chiff)", "Lead5(charang)", "Lead6 (voice)", "Lead7 (fifths)",
    "Lead8 (bass + lead)", "Pad1 (new age)", "Pad2 (warm)", "Pad3 (polysynth)",
    "Pad4 (choir)", "Pad5 (bowed)", "Pad6 (metallic)", "Pad7 (halo)", "Pad8 (sweep)",
    "FX1 (rain)", "FX2 (soundtrack)", "FX3 (cristal)", "FX4 (atmosphere)",
    "FX5 (brightness)", "FX6 (goblins)", "FX7 (echoes)", "FX8 (sci-fi)", "Sitar", "Banjo",
    "Shamisen", "Koto", "Kalimba", "Bagpipe", "Fiddle", "Shanai", "Tinkle Bell", "Agogo",
    "Steel Drums", "Woodblock", "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet", "Telephone Ring",
    "Helicopter", "Applause", "Gunshot"};
// clang-format on

std::int32_t clamp7(std::int32_t v) {
    return std::clamp(v, 0, 127);
}

SignaturePoint pointOf(const CObjectMetaEventTimeSignature& e) {
    SignaturePoint p;
    p.tick = e.tick;
    p.measure = e.measure;
    p.length = static_cast<std::uint8_t>(std::min<std::size_t>(e.data.size(), 4));
    std::copy_n(e.data.begin(), p.length, p.bytes.begin());
    return p;
}

} // namespace

std::string_view lyricSourceName(LyricSource s) {
    switch (s) {
    case LyricSource::Text:
        return "text";
    case LyricSource::Lyr:
        return "lyr";
    case LyricSource::Undecided:
        break;
    }
    return "";
}

std::string defaultCreditText() {
    std::string s = "Karaoke editato con";
    s += '\r';
    s += kEditorNameVersion;
    s += '\r';
    // The credit field holds 79 characters: the maker line is kept short enough to fit.
    s += "Lyrics and timing by a karaoke maker";
    return s;
}

CMidiSong::CMidiSong()
    : creditText(defaultCreditText()), m_data(std::make_unique<CSongData>()),
      m_timeMap(std::make_shared<TimeMap>(m_division)) {
    for (int c = 0; c < kChannels; ++c) {
        m_outputChannel[c].store(c);
        for (auto& d : m_display[c]) d.store(-1);
    }
}

CMidiSong::~CMidiSong() {
    clear();
}

void CMidiSong::clear() {
    m_data->clear();
    m_chaseIndex.clear();
    selectedTrack = nullptr;
    // A new map rather than the old one emptied: playback may still hold the old one.
    m_timeMap = std::make_shared<TimeMap>(m_division);
    m_signatureTicksCurrent = true;
}

void CMidiSong::reset() {
    m_division = 480;
    songLength = 228480;
    clear();
    for (int c = 0; c < kChannels; ++c) {
        m_outputChannel[c].store(c);
        m_muted[c].store(false);
        m_noteSent[c].store(false);
        for (auto& d : m_display[c]) d.store(-1);
    }
    for (std::size_t i = 0; i < kProgramNames.size(); ++i)
        programNames[i] = std::string(kProgramNames[i]);
    fileName.clear();
    trackCount = 0;
    format = 0;
    lyricSource.fill(LyricSource::Undecided);
    scrambled = false;
    channelUsed.fill(false);
    insertAtPosition = false;
    insertPosition = 0;
    lastChannel = 0x40;
    setTempoAt(0, 120);
    const std::uint8_t sig[4] = {4, 2, 24, 8};
    setTimeSignatureAt(0, sig);
    const auto* credit = reinterpret_cast<const std::uint8_t*>(creditText.data());
    addTextEvent(1, {credit, creditText.size()}, 0, 0);
}

// ---- tempo and signatures --------------------------------------------------------------

TimeMap& CMidiSong::editTimeMap() {
    // Copy on write: a map that playback holds is never changed under it.
    if (m_timeMap.use_count() != 1) m_timeMap = std::make_shared<TimeMap>(*m_timeMap);
    return *m_timeMap;
}

void CMidiSong::setDivision(std::int32_t division) {
    m_division = division;
    if (m_timeMap->division() != division) editTimeMap().setDivision(division);
}

void CMidiSong::setTempoAt(std::int32_t tick, std::int32_t bpm) {
    auto& tempos = m_data->tempos;
    // Only one event carries lastSet; the song remembers which, so no walk is needed to clear it.
    if (m_data->lastSetTempo) m_data->lastSetTempo->lastSet = 0;
    // The list is sorted by tick: search from the tail, where a file's tempos arrive.
    CObjectEvent* pos = tempos.tail();
    std::size_t index = tempos.size(); // of the event after pos
    while (pos && pos->tick > tick) {
        pos = pos->prev;
        --index;
    }
    CObjectMetaEventTempo* e;
    if (pos && pos->tick == tick) {
        e = static_cast<CObjectMetaEventTempo*>(pos);
        editTimeMap().setTempoBpm(index - 1, std::clamp(bpm, 30, 250));
        e->setBpm(bpm);
    } else {
        const std::int32_t clamped = std::clamp(bpm, 30, 250);
        editTimeMap().insertTempo(index, {tick, clamped});
        e = m_data->make<CObjectMetaEventTempo>();
        e->tick = tick;
        e->setBpm(bpm);
        tempos.insertBefore(pos ? pos->next : tempos.head(), e);
    }
    e->lastSet = 1;
    m_data->lastSetTempo = e;
}

void CMidiSong::shiftAllTempos(bool up) {
    auto& tempos = m_data->tempos;
    if (tempos.empty()) return;
    // The ticks of the list are unique, so setTempoAt at each event's own tick changes that
    // event: done here in one pass, with one new map instead of one patch per event.
    std::vector<TempoPoint> points;
    points.reserve(tempos.size());
    for (const auto& e : tempos)
        points.push_back({e.tick, std::clamp(e.bpm + (up ? 1 : -1), 30, 250)});
    editTimeMap().assignTempos(points);
    for (auto& e : tempos) e.setBpm(e.bpm + (up ? 1 : -1));
    if (m_data->lastSetTempo) m_data->lastSetTempo->lastSet = 0;
    m_data->lastSetTempo = tempos.tail();
    m_data->lastSetTempo->lastSet = 1;
}

void CMidiSong::tempoListRestored() {
    std::vector<TempoPoint> points;
    for (const auto& e : m_data->tempos) points.push_back({e.tick, e.bpm});
    editTimeMap().assignTempos(points);
}

void CMidiSong::timeSignatureAt(std::int32_t tick, std::uint8_t out[4]) const {
    const auto bytes = m_timeMap->signatureBytesAt(tick);
    std::copy(bytes.begin(), bytes.end(), out);
}

void CMidiSong::setTimeSignatureAt(std::int32_t tick, const std::uint8_t bytes[4]) {
    const std::int32_t m = measureIndexAt(tick);
    auto& sigs = m_data->signatures;
    // The list is sorted by measure, each measure once: search from the tail, where a file's
    // signatures arrive.
    auto* pos = sigs.tail();
    std::size_t index = sigs.size(); // of the event after pos
    while (pos && pos->measure > m) {
        pos = static_cast<CObjectMetaEventTimeSignature*>(pos->prev);
        --index;
    }
    if (pos && pos->measure == m) {
        editTimeMap().setSignatureBytes(index - 1, {bytes, 4});
        pos->data.assign(bytes, bytes + 4);
        // The ticks of later signatures are not recomputed; they no longer follow these bytes.
        if (pos->next) m_signatureTicksCurrent = false;
        return;
    }
    auto* made = m_data->make<CObjectMetaEventTimeSignature>();
    made->tick = tick;
    made->data.assign(bytes, bytes + 4);
    made->measure = m;
    const bool alone = sigs.empty();
    if (alone || (index == sigs.size() && m_signatureTicksCurrent &&
                  m_signatureTicksDivision == m_division)) {
        // Appended after signatures whose ticks are current: its own tick is the only one that
        // refreshing them all would set, and it follows from the signature before it.
        std::uint32_t acc = 0, prevMeasure = 0, prevNum = 4;
        std::uint8_t prevDen = 2;
        if (pos) {
            acc = static_cast<std::uint32_t>(pos->tick);
            prevMeasure = static_cast<std::uint32_t>(pos->measure);
            prevNum = std::max<std::uint32_t>(pos->numerator(), 1);
            prevDen = pos->denominatorPower();
        }
        const std::uint32_t span = static_cast<std::uint32_t>(m_division) * 4u * prevNum *
                                   (static_cast<std::uint32_t>(m) - prevMeasure);
        made->tick = static_cast<std::int32_t>(acc + span / pow2Clamped(prevDen));
        editTimeMap().insertSignature(index, pointOf(*made));
        sigs.pushBack(made);
        m_signatureTicksCurrent = true;
        m_signatureTicksDivision = m_division;
        return;
    }
    sigs.insertBefore(pos ? pos->next : sigs.head(), made);
    refreshSignatureTicks();
}

void CMidiSong::refreshSignatureTicks() {
    // 32-bit wrapping arithmetic throughout, so that a damaged file's measures stay defined.
    std::uint32_t acc = 0;
    std::uint32_t prevMeasure = 0;
    std::uint32_t prevNum = 4;
    std::uint8_t prevDen = 2;
    std::vector<SignaturePoint> points;
    points.reserve(m_data->signatures.size());
    for (auto& e : m_data->signatures) {
        const auto measure = static_cast<std::uint32_t>(e.measure);
        const std::uint32_t span =
            static_cast<std::uint32_t>(m_division) * 4u * prevNum * (measure - prevMeasure);
        acc += span / pow2Clamped(prevDen);
        e.tick = static_cast<std::int32_t>(acc);
        prevMeasure = measure;
        // A numerator of 0 counts as 1, as in the measure arithmetic of the time map: otherwise
        // every later signature would collapse onto this one's tick.
        prevNum = std::max<std::uint32_t>(e.numerator(), 1);
        prevDen = e.denominatorPower();
        points.push_back(pointOf(e));
    }
    editTimeMap().assignSignatures(points);
    m_signatureTicksCurrent = true;
    m_signatureTicksDivision = m_division;
}

// ---- texts and SysEx -------------------------------------------------------------------

void CMidiSong::addTextEvent(std::uint8_t type, std::span<const std::uint8_t> bytes,
                             std::int32_t tick, std::int32_t track) {
    if (bytes.empty()) return;
    auto* e = m_data->make<CObjectMetaEventText>();
    e->tick = tick;
    e->type = type;
    e->track = track;
    e->setData(bytes);
    m_data->texts.pushBack(e);
}

void CMidiSong::removeLyricText() {
    auto& texts = m_data->texts;
    for (CObjectEvent* n = texts.head(); n;) {
        CObjectEvent* next = n->next;
        const auto* t = static_cast<CObjectMetaEventText*>(n);
        if (t->type == 1 || t->type == 5) texts.erase(n);
        n = next;
    }
}

void CMidiSong::moveTextEventTick(std::int32_t oldTick, std::int32_t newTick, std::uint8_t type) {
    for (auto& e : m_data->texts) {
        if (e.type == type && e.tick == oldTick) {
            e.tick = newTick;
            return;
        }
    }
}

void CMidiSong::addSysEx(std::span<const std::uint8_t> bytes, std::int32_t tick) {
    if (bytes.empty()) return;
    // Only the event added last carries the flag, so clearing the tail clears them all; a walk
    // here would make reading a file of many SysEx events quadratic.
    if (auto* last = m_data->sysEx.tail()) last->flag = 0;
    auto* e = m_data->make<CObjectSysExData>();
    e->tick = tick;
    e->setData(bytes);
    e->channel = lastChannel;
    e->flag = 1; // marks the most recently added
    m_data->sysEx.pushBack(e);
}

// ---- chase look-ups --------------------------------------------------------------------

const ChaseIndex& CMidiSong::chaseIndex() const {
    if (!m_chaseIndex.current()) m_chaseIndex.rebuild(m_data->chase);
    return m_chaseIndex;
}

const CChaseEntry* CMidiSong::latestChase(int ch, std::int32_t tick, std::uint8_t status,
                                          int controller) const {
    // Ticks compare signed, like every tick of the model: nothing is in force before tick 0.
    return chaseIndex().latest(ch, status, controller, tick);
}

std::int32_t CMidiSong::programAt(int ch, std::int32_t tick) const {
    const CChaseEntry* e = latestChase(ch, tick, 0xC0, 0);
    return e ? e->data1 : -1;
}

std::int32_t CMidiSong::programNameAt(int ch, std::int32_t tick, std::string* out) const {
    if (!out || ch < 0 || ch >= kChannels) return -1;
    const std::int32_t p = programAt(ch, tick);
    // An entry mirrors its event's raw program byte, which may lie outside the 128 names.
    const bool named = p >= 0 && static_cast<std::size_t>(p) < programNames.size();
    *out = named ? programNames[static_cast<std::size_t>(p)] : std::string(kNoProgramName);
    return p;
}

std::int32_t CMidiSong::controllerAt(int controller, int ch, std::int32_t tick) const {
    const CChaseEntry* e = latestChase(ch, tick, 0xB0, controller);
    return e ? e->data2 : -1;
}

std::vector<std::int32_t> CMidiSong::controllersAt(std::span<const int> controllers,
                                                   std::int32_t tick) const {
    const std::size_t n = controllers.size();
    std::vector<std::int32_t> values(n * kChannels, -1);
    for (int ch = 0; ch < kChannels; ++ch) {
        for (std::size_t i = 0; i < n; ++i) {
            const CChaseEntry* e = latestChase(ch, tick, 0xB0, controllers[i]);
            if (e) values[static_cast<std::size_t>(ch) * n + i] = e->data2;
        }
    }
    return values;
}

std::int32_t CMidiSong::latestControllerTick(int ch, std::int32_t tick, int controller) const {
    const CChaseEntry* e = latestChase(ch, tick, 0xB0, controller);
    return e ? static_cast<std::int32_t>(e->tick) : -1;
}

std::int32_t CMidiSong::latestProgramTick(int ch, std::int32_t tick) const {
    if (m_data->chase.empty()) return 0;
    const CChaseEntry* e = latestChase(ch, tick, 0xC0, 0);
    return e ? static_cast<std::int32_t>(e->tick) : -1;
}

// ---- program and controller edits -------------------------------------------------------

void CMidiSong::setChannelProgram(int ch, std::int32_t tick, std::int32_t program) {
    if (ch < 0 || ch >= kChannels) return;
    program = clamp7(program);
    auto& list = m_data->programs[static_cast<std::size_t>(ch)];
    CObjectEventProgramChange* after = nullptr;
    for (auto& e : list) {
        if (e.tick == tick) {
            e.program = program;
            if (e.chase) e.chase->data1 = static_cast<std::uint8_t>(program);
            return;
        }
        if (e.tick > tick && !after) after = &e;
    }
    auto* e = m_data->make<CObjectEventProgramChange>();
    e->tick = tick;
    e->program = program;
    addChase(e, ch);
    list.insertBefore(after, e);
}

void CMidiSong::applyProgram(int ch, std::int32_t tick, std::int32_t program) {
    CChannelTrack* track = findTrack(ch);
    if (m_data->chase.empty() || !track) return;
    program = clamp7(program);
    const CChaseEntry* latest = latestChase(ch, tick, 0xC0, 0);
    const std::int32_t t = latest ? static_cast<std::int32_t>(latest->tick) : 0;
    bool changed = false;
    for (auto& ev : track->events) {
        if (ev.status() != 0xC0 || ev.tick != t) continue;
        auto& pc = static_cast<CObjectEventProgramChange&>(ev);
        pc.program = program;
        if (pc.chase) pc.chase->data1 = static_cast<std::uint8_t>(program);
        changed = true;
    }
    if (!changed) {
        auto* pc = m_data->make<CObjectEventProgramChange>();
        pc->tick = insertAtPosition ? insertPosition : 0;
        pc->program = program;
        track->events.pushBack(pc);
        setChannelProgram(ch, 0, program);
        addChase(pc, ch);
        return;
    }
    for (auto& pc : m_data->programs[static_cast<std::size_t>(ch)]) {
        if (pc.tick != t) continue;
        pc.program = program;
        if (pc.chase) pc.chase->data1 = static_cast<std::uint8_t>(program);
    }
}

void CMidiSong::addControlChange(int ch, std::int32_t /*tick*/, std::int32_t value,
                                 int controller) {
    CChannelTrack* track = findTrack(ch);
    if (m_data->chase.empty() || !track) return;
    auto* cc = m_data->make<CObjectEventControlChange>();
    cc->tick = insertAtPosition ? insertPosition : 0;
    cc->controller = controller & 0x7F;
    cc->value = clamp7(value);
    track->events.pushBack(cc);
    addChase(cc, ch);
}

void CMidiSong::setControllerValue(int ch, std::int32_t tick, std::int32_t value, int controller) {
    value = clamp7(value);
    const CChaseEntry* latest = latestChase(ch, tick, 0xB0, controller);
    const std::int32_t t = latest ? static_cast<std::int32_t>(latest->tick) : 0;
    CChannelTrack* track = findTrack(ch);
    // Every control change of a track is mirrored in the chase list, so when the index holds
    // one event of this controller at t, it is the one event the walk below would change: a
    // fader dragged over a long song then costs a bisection, not a walk over every note.
    auto* mirrored = latest && latest->event && latest->event->status() == 0xB0
                         ? static_cast<CObjectEventControlChange*>(latest->event)
                         : nullptr;
    if (track && mirrored && mirrored->tick == t && mirrored->controller == controller &&
        chaseIndex().countAt(ch, 0xB0, controller, t) == 1) {
        auto* cc = mirrored;
        cc->value = value;
        if (cc->chase) cc->chase->data2 = static_cast<std::uint8_t>(value);
        return;
    }
    bool changed = false;
    if (track) {
        std::int32_t lastTick = 0, lastOldValue = -1;
        bool haveLast = false;
        for (CObjectEvent* n = track->events.head(); n;) {
            CObjectEvent* next = n->next;
            if (n->status() == 0xB0 && n->tick == t) {
                auto* cc = static_cast<CObjectEventControlChange*>(n);
                if (cc->controller == controller) {
                    if (haveLast && cc->tick == lastTick && cc->value == lastOldValue) {
                        removeEvent(track, cc); // a duplicate of the event just changed
                    } else {
                        haveLast = true;
                        lastTick = cc->tick;
                        lastOldValue = cc->value;
                        cc->value = value;
                        if (cc->chase) cc->chase->data2 = static_cast<std::uint8_t>(value);
                        changed = true;
                    }
                }
            }
            n = next;
        }
    }
    if (!changed) addControlChange(ch, tick, value, controller);
}

void CMidiSong::moveProgram(int ch, std::int32_t tick, std::int32_t newTick) {
    const CChaseEntry* latest = latestChase(ch, tick, 0xC0, 0);
    const std::int32_t t = latest ? static_cast<std::int32_t>(latest->tick) : 0;
    bool moved = false;
    if (CChannelTrack* track = findTrack(ch)) {
        for (auto& ev : track->events) {
            if (ev.status() != 0xC0 || ev.tick != t) continue;
            auto& pc = static_cast<CObjectEventProgramChange&>(ev);
            pc.tick = newTick;
            if (pc.chase) m_chaseIndex.retick(pc.chase, static_cast<std::uint32_t>(newTick));
            moved = true;
        }
    }
    if (!moved || ch < 0 || ch >= kChannels) return;
    // The moved events are taken out and inserted again at their new tick, so that the channel
    // list stays sorted; among equal ticks they go after the ones already there.
    auto& list = m_data->programs[static_cast<std::size_t>(ch)];
    std::vector<CObjectEventProgramChange*> movedEvents;
    for (CObjectEvent* n = list.head(); n;) {
        CObjectEvent* next = n->next;
        if (n->tick == t) movedEvents.push_back(list.unlink(n));
        n = next;
    }
    for (CObjectEventProgramChange* pc : movedEvents) {
        pc->tick = newTick;
        if (pc->chase) m_chaseIndex.retick(pc->chase, static_cast<std::uint32_t>(newTick));
        CObjectEventProgramChange* after = nullptr;
        for (auto& e : list) {
            if (e.tick > newTick) {
                after = &e;
                break;
            }
        }
        list.insertBefore(after, pc);
    }
}

void CMidiSong::deleteController(int ch, std::int32_t tick, int controller) {
    const CChaseEntry* latest = latestChase(ch, tick, 0xB0, controller);
    CChannelTrack* track = findTrack(ch);
    if (!latest || !track) return;
    const auto t = static_cast<std::int32_t>(latest->tick);
    for (auto& ev : track->events) {
        if (ev.status() == 0xB0 && ev.tick == t &&
            static_cast<CObjectEventControlChange&>(ev).controller == controller) {
            removeEvent(track, &ev);
            return;
        }
    }
}

int CMidiSong::removeControllers(int controller) {
    // Many entries at once: the index is built again at the next look-up rather than kept in
    // step one removal at a time.
    m_chaseIndex.invalidate();
    int removed = 0;
    for (auto& track : m_data->tracks) {
        for (CObjectEvent* ev = track.events.head(); ev;) {
            CObjectEvent* next = ev->next;
            if (ev->status() == 0xB0 &&
                static_cast<CObjectEventControlChange*>(ev)->controller == controller) {
                removeEvent(&track, ev);
                ++removed;
            }
            ev = next;
        }
    }
    return removed;
}

int CMidiSong::findChannelByOutput(int out) const {
    for (const auto& t : m_data->tracks)
        if (outputChannel(t.channel) == out) return t.channel;
    return -1;
}

void CMidiSong::scaleVelocities(int ch, std::int32_t percent) {
    CChannelTrack* track = findTrack(ch);
    if (!track) return;
    for (auto& ev : track->events) {
        if (ev.status() != 0x90) continue;
        auto& n = static_cast<CObjectEventNote&>(ev);
        if (n.key == 0) continue;
        // 64-bit, so that no percentage can overflow the product or the sum.
        const std::int64_t delta =
            std::max<std::int64_t>(std::abs(std::int64_t{percent}) * n.velocity / 100, 1);
        const std::int64_t v = n.velocity;
        n.velocity =
            static_cast<std::int32_t>(percent < 0 ? std::max<std::int64_t>(v - delta, 0)
                                                  : std::min<std::int64_t>(v + delta, 127));
    }
}

// ---- tables ----------------------------------------------------------------------------

void CMidiSong::tempoTable(TChannelItem& list) const {
    list.clear();
    for (const auto& e : m_data->tempos) list.add(e.bpm, e.tick, 0, 0);
    if (list.count() == 0) list.add(120, 0, 0, 0);
}

void CMidiSong::signatureTable(TChannelItem& list) const {
    list.clear();
    for (const auto& e : m_data->signatures)
        list.add(0, e.tick, e.numerator(), e.denominatorPower());
    if (list.count() == 0) list.add(0, 0, 4, 2);
}

void CMidiSong::noteTable(TChannelItem& list, int ch) const {
    const CChannelTrack* track = findTrack(ch);
    if (!track) return;
    for (const auto& ev : track->events) {
        if (ev.status() != 0x90) continue;
        const auto& n = static_cast<const CObjectEventNote&>(ev);
        if (n.key != 0)
            list.add(n.key, n.tick, static_cast<double>(n.offTick) - n.tick, n.velocity);
    }
}

// ---- tracks and events -----------------------------------------------------------------

CChannelTrack* CMidiSong::findTrack(int ch) const {
    for (auto& t : m_data->tracks)
        if (t.channel == ch) return &t;
    return nullptr;
}

CChannelTrack* CMidiSong::createTrack(const CChannelTrack& templ) {
    auto* t = new CChannelTrack;
    t->channel = templ.channel;
    t->firstTick = templ.firstTick;
    t->lastTick = templ.lastTick;
    t->name = templ.name;
    return m_data->tracks.pushBack(t);
}

void CMidiSong::freeEvent(CObjectEvent* event) {
    if (event->status() == 0xB0) {
        if (auto* e = static_cast<CObjectEventControlChange*>(event)->chase) removeChase(e);
    } else if (event->status() == 0xC0) {
        if (auto* e = static_cast<CObjectEventProgramChange*>(event)->chase) removeChase(e);
    }
    delete event;
}

void CMidiSong::deleteTrack(CChannelTrack* track, bool /*withEvents*/) {
    if (!track) return;
    if (selectedTrack == track) selectedTrack = nullptr;
    // A large track's entries leave the index in one rebuild rather than one removal each.
    if (track->events.size() > 256) m_chaseIndex.invalidate();
    m_data->tracks.unlink(track);
    while (CObjectEvent* e = track->events.head()) freeEvent(track->events.unlink(e));
    delete track;
}

void CMidiSong::removeEvent(CChannelTrack* track, CObjectEvent* event) {
    if (!track || !event) return;
    freeEvent(track->events.unlink(event));
}

CObjectEventNote* CMidiSong::newNote(CChannelTrack* track) {
    if (!track) return nullptr;
    auto* e = m_data->make<CObjectEventNote>();
    e->tick = track->firstTick;
    e->offTick = track->lastTick;
    e->key = 36;
    e->velocity = 100;
    track->events.pushBack(e);
    return e;
}

CObjectEventPitchBend* CMidiSong::newPitchBend(CChannelTrack* track) {
    if (!track) return nullptr;
    auto* e = m_data->make<CObjectEventPitchBend>();
    e->tick = track->firstTick;
    track->events.pushBack(e);
    return e;
}

CObjectEventKeyAfterTouch* CMidiSong::newKeyAfterTouch(CChannelTrack* track) {
    if (!track) return nullptr;
    auto* e = m_data->make<CObjectEventKeyAfterTouch>();
    e->tick = track->firstTick;
    track->events.pushBack(e);
    return e;
}

CObjectEventControlChange* CMidiSong::newControlChange(CChannelTrack* track) {
    if (!track) return nullptr;
    auto* e = m_data->make<CObjectEventControlChange>();
    e->tick = insertAtPosition ? insertPosition : track->firstTick;
    track->events.pushBack(e);
    return e;
}

CObjectEventProgramChange* CMidiSong::newProgramChange(CChannelTrack* track) {
    if (!track) return nullptr;
    auto* e = m_data->make<CObjectEventProgramChange>();
    e->tick = track->firstTick;
    track->events.pushBack(e);
    return e;
}

CObjectEventChannelPressure* CMidiSong::newChannelPressure(CChannelTrack* track) {
    if (!track) return nullptr;
    auto* e = m_data->make<CObjectEventChannelPressure>();
    e->tick = track->firstTick;
    track->events.pushBack(e);
    return e;
}

bool CMidiSong::addChase(CObjectEvent* event, int ch) {
    if (!event) return false;
    switch (event->status()) {
    case 0xB0:
        return chaseControl(static_cast<CObjectEventControlChange*>(event), ch);
    case 0xC0:
        return chaseProgram(static_cast<CObjectEventProgramChange*>(event), ch);
    default:
        return false;
    }
}

bool CMidiSong::chaseControl(CObjectEventControlChange* event, int ch) {
    CChaseEntry* c = newChase(event->chase, event->tick, ch);
    c->status = 0xB0;
    c->event = event;
    c->data1 = static_cast<std::uint8_t>(event->controller);
    c->data2 = static_cast<std::uint8_t>(event->value);
    linkChase(c);
    return true;
}

bool CMidiSong::chaseProgram(CObjectEventProgramChange* event, int ch) {
    CChaseEntry* c = newChase(event->chase, event->tick, ch);
    c->status = 0xC0;
    c->event = event;
    c->data1 = static_cast<std::uint8_t>(event->program);
    linkChase(c);
    return true;
}

CChaseEntry* CMidiSong::newChase(CChaseEntry*& link, std::int32_t tick, int ch) {
    // An event owns one entry: a second call replaces the first instead of leaving it behind as
    // a stale value that the look-ups would still find.
    removeChase(std::exchange(link, nullptr));
    auto* c = m_data->make<CChaseEntry>();
    c->tick = static_cast<std::uint32_t>(tick);
    c->channel = static_cast<std::uint8_t>(ch);
    link = c;
    return c;
}

void CMidiSong::linkChase(CChaseEntry* c) {
    m_data->chase.pushBack(c);
    m_chaseIndex.add(c);
}

void CMidiSong::removeChase(CChaseEntry* entry) {
    if (!entry) return;
    m_chaseIndex.remove(entry);
    m_data->chase.erase(entry);
}

} // namespace cantelo
