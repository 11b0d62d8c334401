// The time map, the per-channel chase indexes and the playback queues must answer exactly as the
// walks over the song's lists that they replace, and the lists must follow plain setters. Walks
// and setters are kept below over plain copies of the lists; both sides are asked the same
// questions on every corpus file and after random edit sequences.
#include "test_support.h"

#include "core/playback/midi_player.h"
#include "core/playback/recording_output.h"
#include "core/playback/song_messages.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

// ---- the reference: the walks over the lists, as they were ---------------------------------

struct RefTempo {
    std::int32_t tick;
    std::int32_t bpm;
    bool operator==(const RefTempo&) const = default;
};
struct RefSignature {
    std::int32_t tick;
    std::int32_t measure;
    std::vector<std::uint8_t> data;
    bool operator==(const RefSignature&) const = default;
    std::uint8_t numerator() const { return data.size() > 0 ? data[0] : 4; }
    std::uint8_t denominatorPower() const { return data.size() > 1 ? data[1] : 2; }
};
struct RefMaps {
    std::int32_t division = 480;
    std::vector<RefTempo> tempos;
    std::vector<RefSignature> signatures;
};

RefMaps mapsOf(const CMidiSong& song) {
    RefMaps m;
    m.division = song.division();
    for (const auto& e : song.data().tempos) m.tempos.push_back({e.tick, e.bpm});
    for (const auto& e : song.data().signatures)
        m.signatures.push_back({e.tick, e.measure, e.data});
    return m;
}

std::uint32_t pow2Clamped(std::uint8_t power) {
    return 1u << std::min<std::uint8_t>(power, 31);
}
std::uint32_t measureProduct(const RefMaps& m, std::uint32_t nn) {
    const std::uint32_t p = static_cast<std::uint32_t>(m.division) * 4u * nn;
    return p == 0 ? 1 : p;
}
std::int32_t wrapAdd(std::int32_t a, std::int64_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t wrappedDistance(std::int32_t tick, std::int32_t base) {
    return wrapAdd(tick, -std::int64_t{base});
}
std::int64_t measureSpan(std::int64_t division, std::int64_t m, std::uint32_t nn) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(division) *
                                     static_cast<std::uint64_t>(m) * 4u * nn);
}
template <typename Int>
Int truncSaturated(long double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<long double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    if (v <= static_cast<long double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(std::trunc(v));
}
long double spanMs(long double ticks, std::int32_t bpm, long double division) {
    return ticks * 60000.0L / (bpm * division);
}

struct RefInForce {
    std::uint32_t numerator = 4;
    std::uint8_t denominatorPower = 2;
    std::int32_t baseTick = 0;
    std::int32_t baseMeasure = 0;
    int index = -1;
};

std::uint32_t measureCount(const RefMaps& m, const RefInForce& s, std::int32_t d) {
    return static_cast<std::uint32_t>(d) * pow2Clamped(s.denominatorPower) /
           measureProduct(m, s.numerator);
}

RefInForce signatureAt(const RefMaps& m, std::int32_t tick) {
    RefInForce s;
    for (std::size_t i = 0; i < m.signatures.size(); ++i) {
        const auto& e = m.signatures[i];
        if (e.tick > tick) break;
        s.numerator = std::max<std::uint32_t>(e.numerator(), 1);
        s.denominatorPower = e.denominatorPower();
        s.baseTick = e.tick;
        s.baseMeasure = e.measure;
        s.index = static_cast<int>(i);
    }
    return s;
}

std::int32_t measureIndexAt(const RefMaps& m, std::int32_t tick) {
    const RefInForce s = signatureAt(m, tick);
    return wrapAdd(s.baseMeasure, measureCount(m, s, wrappedDistance(tick, s.baseTick)));
}

std::string positionText(const RefMaps& m, std::int32_t tick) {
    const RefInForce s = signatureAt(m, tick);
    const std::int64_t d = wrappedDistance(tick, s.baseTick);
    std::int64_t beatLen = static_cast<std::int32_t>(static_cast<std::uint32_t>(m.division) * 4u /
                                                     pow2Clamped(s.denominatorPower));
    if (beatLen == 0) beatLen = 1;
    const std::int64_t measureLen = std::int64_t{s.numerator} * beatLen;
    const std::int64_t k = d / measureLen;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04i.%02i.%03i", wrapAdd(s.baseMeasure, k + 1),
                  static_cast<std::int32_t>((d - k * measureLen) / beatLen + 1),
                  static_cast<std::int32_t>(d % beatLen));
    return buf;
}

std::int32_t nextMeasureTick(const RefMaps& m, std::int32_t tick) {
    const RefInForce s = signatureAt(m, tick);
    const std::uint32_t k = measureCount(m, s, wrappedDistance(tick, s.baseTick)) + 1;
    const std::uint32_t span = static_cast<std::uint32_t>(m.division) * k * 4u * s.numerator;
    return wrapAdd(s.baseTick, span / pow2Clamped(s.denominatorPower));
}

std::int32_t previousMeasureTick(const RefMaps& m, std::int32_t tick) {
    const RefInForce s = signatureAt(m, tick);
    const std::int64_t d = wrappedDistance(tick, s.baseTick);
    std::int64_t k = static_cast<std::int32_t>(measureCount(m, s, static_cast<std::int32_t>(d)));
    const std::int64_t pow2 = pow2Clamped(s.denominatorPower);
    const std::int64_t measureLen =
        static_cast<std::int32_t>(measureProduct(m, s.numerator)) / pow2;
    if (measureLen == 0 ? d == 0 : d % measureLen == 0) k -= 1;
    const std::int64_t division = m.division;
    if (k < 0 && s.baseTick == 0) return 0;
    if (k < 0 && s.baseTick > 0) {
        std::int64_t back;
        if (s.index > 0) {
            const auto& ps = m.signatures[static_cast<std::size_t>(s.index - 1)];
            const std::uint32_t nn = std::max<std::uint32_t>(ps.numerator(), 1);
            back = measureSpan(division, k, nn) / pow2Clamped(ps.denominatorPower());
        } else {
            back = measureSpan(division, k, 1);
        }
        back = std::clamp<std::int64_t>(back, INT32_MIN, INT32_MAX);
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(s.baseTick + back, 0, INT32_MAX));
    }
    return wrapAdd(s.baseTick, measureSpan(division, k, s.numerator) / pow2);
}

std::int64_t tickToMs(const RefMaps& m, std::int32_t tick) {
    if (m.division == 0) return 0;
    const long double division = m.division;
    long double acc = 0;
    std::int32_t prevTick = 0;
    std::int32_t bpm = 120;
    for (const auto& e : m.tempos) {
        if (static_cast<std::uint32_t>(e.tick) >= static_cast<std::uint32_t>(tick)) break;
        acc += spanMs(static_cast<long double>(e.tick) - prevTick, bpm, division);
        prevTick = e.tick;
        bpm = e.bpm;
    }
    const auto ms =
        static_cast<double>(acc + spanMs(static_cast<long double>(tick) - prevTick, bpm, division));
    return truncSaturated<std::int64_t>(ms);
}

std::int32_t msToTick(const RefMaps& m, std::int64_t ms) {
    if (m.division == 0) return 0;
    static constexpr long double kPerMinute = 1.0L / 60000.0L;
    const long double division = m.division;
    long double acc = 0;
    std::int32_t prevTick = 0;
    std::int32_t bpm = 120;
    const auto target = static_cast<std::uint32_t>(ms);
    for (const auto& e : m.tempos) {
        const long double boundary =
            acc + spanMs(static_cast<long double>(e.tick) - prevTick, bpm, division);
        if (static_cast<std::uint32_t>(truncSaturated<std::int64_t>(boundary)) >= target) break;
        acc = boundary;
        prevTick = e.tick;
        bpm = e.bpm;
    }
    const auto t = static_cast<double>(
        division * bpm * (static_cast<long double>(ms) - acc) * kPerMinute + prevTick);
    return truncSaturated<std::int32_t>(t);
}

std::int32_t tempoAt(const RefMaps& m, std::int32_t tick) {
    std::int32_t bpm = 120;
    for (const auto& e : m.tempos)
        if (e.tick <= tick) bpm = e.bpm;
    return bpm;
}

std::array<std::uint8_t, 4> timeSignatureAt(const RefMaps& m, std::int32_t tick) {
    std::array<std::uint8_t, 4> out = {4, 2, 24, 8};
    for (const auto& e : m.signatures) {
        if (e.tick > tick) break;
        std::copy_n(e.data.begin(), std::min<std::size_t>(4, e.data.size()), out.begin());
    }
    return out;
}

void setTempoAt(RefMaps& m, std::int32_t tick, std::int32_t bpm) {
    bpm = std::clamp(bpm, 30, 250);
    auto pos = m.tempos.end();
    while (pos != m.tempos.begin() && std::prev(pos)->tick > tick) --pos;
    if (pos != m.tempos.begin() && std::prev(pos)->tick == tick)
        std::prev(pos)->bpm = bpm;
    else
        m.tempos.insert(pos, {tick, bpm});
}

void shiftAllTempos(RefMaps& m, bool up) {
    for (std::size_t i = 0; i < m.tempos.size(); ++i)
        setTempoAt(m, m.tempos[i].tick, m.tempos[i].bpm + (up ? 1 : -1));
}

void refreshSignatureTicks(RefMaps& m) {
    std::uint32_t acc = 0, prevMeasure = 0, prevNum = 4;
    std::uint8_t prevDen = 2;
    for (auto& e : m.signatures) {
        const auto measure = static_cast<std::uint32_t>(e.measure);
        acc += static_cast<std::uint32_t>(m.division) * 4u * prevNum * (measure - prevMeasure) /
               pow2Clamped(prevDen);
        e.tick = static_cast<std::int32_t>(acc);
        prevMeasure = measure;
        prevNum = std::max<std::uint32_t>(e.numerator(), 1);
        prevDen = e.denominatorPower();
    }
}

void setTimeSignatureAt(RefMaps& m, std::int32_t tick, const std::uint8_t bytes[4]) {
    const std::int32_t k = measureIndexAt(m, tick);
    auto after = m.signatures.end();
    for (auto it = m.signatures.begin(); it != m.signatures.end(); ++it) {
        if (it->measure == k) {
            it->data.assign(bytes, bytes + 4);
            return;
        }
        if (it->measure > k && after == m.signatures.end()) after = it;
    }
    m.signatures.insert(after, {tick, k, std::vector<std::uint8_t>(bytes, bytes + 4)});
    refreshSignatureTicks(m);
}

void resetMaps(RefMaps& m) {
    m = RefMaps{};
    setTempoAt(m, 0, 120);
    const std::uint8_t sig[4] = {4, 2, 24, 8};
    setTimeSignatureAt(m, 0, sig);
}

struct RefChase {
    std::uint32_t tick;
    std::uint8_t channel, status, data1, data2;
};

std::vector<RefChase> chaseOf(const CMidiSong& song) {
    std::vector<RefChase> v;
    for (const auto& c : song.data().chase)
        v.push_back({c.tick, c.channel, c.status, c.data1, c.data2});
    return v;
}

const RefChase* latestChase(const std::vector<RefChase>& chase, int ch, std::int32_t tick,
                            std::uint8_t status, int controller) {
    const RefChase* best = nullptr;
    for (const auto& e : chase) {
        const auto entryTick = static_cast<std::int32_t>(e.tick);
        if (e.channel != ch || e.status != status || entryTick > tick) continue;
        if (status == 0xB0 && e.data1 != controller) continue;
        if (!best || entryTick >= static_cast<std::int32_t>(best->tick)) best = &e;
    }
    return best;
}

std::uint32_t stampMs(std::int64_t ms) {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::uint32_t>::max()));
}

// ---- the comparisons -----------------------------------------------------------------------

// Ticks worth asking about: the extremes, around every tempo and signature change, a stride
// over the song and a little beyond, and random ones.
std::vector<std::int32_t> ticksToAsk(const RefMaps& m, std::int32_t length, std::mt19937& rng) {
    std::vector<std::int32_t> t = {INT_MIN, INT_MIN + 1, -1920, -1, 0, 1, INT_MAX - 1, INT_MAX};
    auto around = [&](std::int32_t x) {
        for (std::int64_t d = -1; d <= 1; ++d)
            t.push_back(
                static_cast<std::int32_t>(std::clamp<std::int64_t>(x + d, INT_MIN, INT_MAX)));
    };
    for (const auto& e : m.tempos) around(e.tick);
    for (const auto& e : m.signatures) around(e.tick);
    const std::int64_t end =
        std::int64_t{std::max(length, 0)} + 8 * std::int64_t{std::max(m.division, 1)};
    const std::int64_t step = std::max<std::int64_t>(1, end / 1500);
    for (std::int64_t x = 0; x <= end && x <= INT_MAX; x += step) t.push_back(static_cast<int>(x));
    std::uniform_int_distribution<std::int32_t> any(INT_MIN, INT_MAX);
    std::uniform_int_distribution<std::int64_t> inSong(-100, end);
    for (int i = 0; i < 300; ++i) t.push_back(any(rng));
    for (int i = 0; i < 1000; ++i) t.push_back(static_cast<std::int32_t>(inSong(rng)));
    return t;
}

void expectSameMaps(const CMidiSong& song, std::int32_t length, std::mt19937& rng,
                    const std::string& what) {
    SCOPED_TRACE(what);
    const RefMaps m = mapsOf(song);
    const TimeMap& map = song.timeMap();
    std::vector<std::int64_t> times = {-1, 0, 1, INT_MAX, std::int64_t{1} << 40};
    for (std::int32_t t : ticksToAsk(m, length, rng)) {
        ASSERT_EQ(map.positionText(t), positionText(m, t)) << "tick " << t;
        ASSERT_EQ(song.measureIndexAt(t), measureIndexAt(m, t)) << "tick " << t;
        ASSERT_EQ(map.nextMeasureTick(t), nextMeasureTick(m, t)) << "tick " << t;
        ASSERT_EQ(map.previousMeasureTick(t), previousMeasureTick(m, t)) << "tick " << t;
        const std::int64_t ms = tickToMs(m, t);
        ASSERT_EQ(map.tickToMs(t), ms) << "tick " << t;
        ASSERT_EQ(song.tempoAt(t), tempoAt(m, t)) << "tick " << t;
        std::array<std::uint8_t, 4> sig{};
        song.timeSignatureAt(t, sig.data());
        ASSERT_EQ(sig, timeSignatureAt(m, t)) << "tick " << t;
        for (std::int64_t d = -1; d <= 1; ++d) times.push_back(ms + d);
    }
    for (std::int64_t ms : times) ASSERT_EQ(map.msToTick(ms), msToTick(m, ms)) << "ms " << ms;
}

void expectSameChase(const CMidiSong& song, const std::vector<std::int32_t>& ticks) {
    const auto chase = chaseOf(song);
    const int controllers[] = {7, 10, 91, 93, 64, 11, 1};
    for (std::int32_t t : ticks) {
        const auto all = song.controllersAt(controllers, t);
        for (int ch : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, -1}) {
            const RefChase* p = latestChase(chase, ch, t, 0xC0, 0);
            ASSERT_EQ(song.programAt(ch, t), p ? p->data1 : -1) << ch << " at " << t;
            ASSERT_EQ(song.latestProgramTick(ch, t),
                      chase.empty() ? 0 : (p ? static_cast<std::int32_t>(p->tick) : -1));
            for (std::size_t i = 0; i < std::size(controllers); ++i) {
                const RefChase* c = latestChase(chase, ch, t, 0xB0, controllers[i]);
                ASSERT_EQ(song.controllerAt(controllers[i], ch, t), c ? c->data2 : -1)
                    << "controller " << controllers[i] << " channel " << ch << " at " << t;
                ASSERT_EQ(song.latestControllerTick(ch, t, controllers[i]),
                          c ? static_cast<std::int32_t>(c->tick) : -1);
                if (ch >= 0 && ch < kChannels) {
                    ASSERT_EQ(all[static_cast<std::size_t>(ch) * std::size(controllers) + i],
                              c ? c->data2 : -1);
                }
            }
        }
    }
}

// Every message is timed by the walk, in time order; the player's queues after Play hold the
// same, and after a tempo edit retimes them while it plays, the records already sent keep their
// times and the pending ones take the new tempos'.
void expectSameMessagesAndQueues(CMidiSong& song) {
    const RefMaps m = mapsOf(song);
    std::array<std::vector<TimedMessage>, 16> want;
    std::int64_t last = INT64_MIN;
    for (const auto& msg : cantelo::songMessages(song)) {
        ASSERT_EQ(msg.ms, tickToMs(m, msg.tick)) << "tick " << msg.tick;
        ASSERT_GE(msg.ms, last);
        last = msg.ms;
        if (!msg.sysEx) want[msg.packed & 0x0F].push_back({msg.tick, stampMs(msg.ms), msg.packed});
    }
    RecordingOutput out;
    ManualPlaybackClock clock;
    CMidiPlayer player(out, clock, CMidiPlayer::Threading::CallerPumps);
    player.AttachSong(&song);
    ASSERT_TRUE(player.Play());
    const auto records = [](const std::vector<TimedMessage>& q) {
        std::vector<std::tuple<std::int32_t, std::uint32_t, std::uint32_t>> v;
        for (const TimedMessage& r : q) v.emplace_back(r.tick, r.ms, r.message);
        return v;
    };
    for (int c = 0; c < kChannels; ++c)
        ASSERT_EQ(records(player.queue(c)), records(want[static_cast<std::size_t>(c)])) << c;
    clock.advanceMs(1500);
    player.pump();
    song.shiftAllTempos(true);
    player.RetimeQueues();
    const RefMaps raised = mapsOf(song);
    for (int c = 0; c < kChannels; ++c) {
        auto retimed = want[static_cast<std::size_t>(c)];
        for (std::size_t i = player.queueNext(c); i < retimed.size(); ++i)
            retimed[i].ms = stampMs(tickToMs(raised, retimed[i].tick));
        ASSERT_EQ(records(player.queue(c)), records(retimed)) << c;
    }
    player.Stop();
    song.shiftAllTempos(false);
}

// ---- the inputs ----------------------------------------------------------------------------

TEST(TimeMapEquivalence, EveryCorpusFile) {
    const auto files = test::corpusFiles({".mid", ".kar", ".MID", ".KAR", ".nvk"});
    if (files.empty()) GTEST_SKIP() << "corpus absent";
    std::mt19937 rng(5);
    auto song = std::make_unique<CMidiSong>();
    for (const auto& f : files) {
        song->reset();
        if (!readSongFile(*song, f.string())) continue;
        expectSameMaps(*song, song->songLength, rng, f.filename().string());
        std::vector<std::int32_t> ticks = {INT_MIN, -1, 0, 1, INT_MAX};
        for (std::int32_t t = 0; t <= song->songLength; t += std::max(1, song->songLength / 50))
            ticks.push_back(t);
        const std::size_t every = song->data().chase.size() / 50 + 1;
        std::size_t i = 0;
        for (const auto& c : song->data().chase)
            if (i++ % every == 0) ticks.push_back(static_cast<std::int32_t>(c.tick));
        expectSameChase(*song, ticks);
        expectSameMessagesAndQueues(*song);
    }
}

// Random setter sequences, including damaged values: the song's lists stay those of plain
// setters, and every answer the walks', after each step.
TEST(TimeMapEquivalence, RandomTempoSignatureAndDivisionEdits) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> op(0, 99), small(-4000, 200000), bpm(0, 400), byte(0, 255),
        nn(0, 12), dd(0, 7);
    std::uniform_int_distribution<std::int32_t> any(INT_MIN, INT_MAX);
    for (int round = 0; round < 8; ++round) {
        CMidiSong song;
        song.reset();
        RefMaps ref;
        resetMaps(ref);
        std::int32_t tail = 0;
        for (int step = 0; step < 400; ++step) {
            const int o = op(rng);
            if (o < 30) {
                // Mostly in order, as a file is read; now and then anywhere.
                const std::int32_t t = o < 20 ? (tail += small(rng) / 40 + 100) : small(rng);
                const std::uint8_t sig[4] = {
                    static_cast<std::uint8_t>(nn(rng)),
                    static_cast<std::uint8_t>(o == 29 ? byte(rng) : dd(rng)), 24, 8};
                song.setTimeSignatureAt(t, sig);
                setTimeSignatureAt(ref, t, sig);
            } else if (o < 75) {
                const std::int32_t extremes[] = {INT_MIN, INT_MAX, any(rng)};
                const std::int32_t t = o < 60   ? (tail += 50)
                                       : o < 74 ? small(rng)
                                                : extremes[static_cast<std::size_t>(step % 3)];
                const int b = bpm(rng);
                song.setTempoAt(t, b);
                setTempoAt(ref, t, b);
            } else if (o < 80) {
                song.shiftAllTempos(o % 2 == 0);
                shiftAllTempos(ref, o % 2 == 0);
            } else if (o < 83) {
                const std::int32_t odd[] = {0, -480, INT_MAX, byte(rng) * 7 - 300};
                const std::int32_t d =
                    o == 82 ? odd[static_cast<std::size_t>(step % 4)] : 96 * (1 + byte(rng) % 10);
                song.setDivision(d);
                ref.division = d;
            }
            if (step % 40 != 39) continue;
            // The lists follow the plain setters, and the answers the walks over the lists.
            ASSERT_EQ(mapsOf(song).tempos, ref.tempos) << "round " << round << " step " << step;
            ASSERT_EQ(mapsOf(song).signatures, ref.signatures) << "round " << round;
            expectSameMaps(song, tail, rng, "round " + std::to_string(round));
        }
    }
}

// Random program and controller edits: every look-up of a value in force stays the walk's.
TEST(TimeMapEquivalence, RandomChaseEdits) {
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> op(0, 99), ch(0, 15), tick(-50, 5000), value(0, 140);
    const int controllers[] = {7, 10, 91, 93, 64};
    std::uniform_int_distribution<std::size_t> which(0, std::size(controllers) - 1);
    for (int round = 0; round < 4; ++round) {
        CMidiSong song;
        song.reset();
        for (int step = 0; step < 500; ++step) {
            const int o = op(rng), c = ch(rng), t = tick(rng), v = value(rng);
            const int cc = controllers[which(rng)];
            if (o < 30) {
                test::addControl(song, c, t, cc, v);
            } else if (o < 40) {
                test::addProgram(song, c, t, v);
            } else if (o < 50) {
                song.setControllerValue(c, t, v, cc);
            } else if (o < 57) {
                song.deleteController(c, t, cc);
            } else if (o < 64) {
                song.moveProgram(c, t, tick(rng));
            } else if (o < 70) {
                song.applyProgram(c, t, v);
            } else if (o < 76) {
                song.setChannelProgram(c, t, v);
            } else if (o < 80) {
                song.addControlChange(c, t, v, cc);
            } else if (o < 83) {
                song.insertAtPosition = !song.insertAtPosition;
                song.insertPosition = t;
            } else if (o < 85) {
                song.removeControllers(cc);
            } else if (o < 87) {
                CChannelTrack* track = song.findTrack(c);
                if (track && track->events.head()) song.removeEvent(track, track->events.tail());
            } else if (o == 87) {
                song.deleteTrack(song.findTrack(c), true);
            } else if (o == 88 && step % 5 == 0) {
                song.reset();
            } else if (o < 92) {
                // A burst out of tick order, as a second chunk of the same channel reads.
                for (int k = 0; k < 120; ++k) test::addControl(song, c, tick(rng), cc, v);
            }
            if (step % 25 != 24) continue;
            std::vector<std::int32_t> ticks = {INT_MIN, -51, -1, 0, 1, 4999, 5000, INT_MAX};
            for (int i = 0; i < 40; ++i) ticks.push_back(tick(rng));
            expectSameChase(song, ticks);
        }
    }
}

} // namespace
} // namespace cantelo
