// Every real song that opens survives the editor's open and save: opened, saved and opened
// again it holds the same music, texts and lyrics, and a second cycle writes the same bytes.
#include "song_summary.h"
#include "test_support.h"

#include "core/document/song_file.h"
#include "core/lyrics/lyrics_model.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;

// What must survive a save. Parts are sorted lines: the order of events within a tick and the
// chunk layout are the writer's to choose.
struct Note {
    std::int32_t tick, off, velocity;
    auto operator<=>(const Note&) const = default;
};
struct LyricLine {
    std::vector<std::pair<std::int32_t, std::string>> syllables;
    std::int32_t breakTick = -1; // -1: the line is not closed by a break
    bool operator==(const LyricLine&) const = default;
    std::size_t length() const {
        std::size_t n = 0;
        for (const auto& s : syllables) n += s.second.size();
        return n;
    }
};
struct Snapshot {
    std::map<std::string, std::vector<std::string>> parts;
    std::map<std::pair<int, int>, std::vector<Note>> notes; // by channel and key
    std::vector<LyricLine> lyrics;
};

Snapshot snapshotOf(SongDocument& doc) {
    Snapshot s;
    const CMidiSong& song = doc.song;
    s.parts["division"].push_back(std::to_string(song.division()));
    for (const auto& t : song.data().tracks) {
        auto& lines = s.parts["channel " + std::to_string(t.channel)];
        for (const auto& e : t.events) {
            if (e.status() == 0x90) {
                const auto& n = static_cast<const CObjectEventNote&>(e);
                s.notes[{t.channel, n.key}].push_back({n.tick, n.offTick, n.velocity});
            } else {
                lines.push_back(test::eventLine(e));
            }
        }
    }
    for (const auto& t : song.data().tempos)
        s.parts["tempos"].push_back(std::to_string(t.tick) + " " + std::to_string(t.bpm) + " " +
                                    test::hexBytes(t.data));
    for (const auto& g : song.data().signatures)
        s.parts["signatures"].push_back(std::to_string(g.tick) + " " + std::to_string(g.measure) +
                                        " " + test::hexBytes(g.data));
    for (const auto& x : song.data().sysEx)
        s.parts["sysex"].push_back(std::to_string(x.tick) + " " + test::hexBytes(x.data));
    for (const auto& t : song.data().texts)
        if (!t.extracted)
            s.parts["texts"].push_back(std::to_string(t.type) + " " + std::to_string(t.tick) + " " +
                                       test::hexBytes(t.data));
    for (auto& [part, lines] : s.parts)
        if (part != "tempos" && part != "signatures") std::sort(lines.begin(), lines.end());
    for (auto& [key, notes] : s.notes) std::sort(notes.begin(), notes.end());

    s.lyrics.emplace_back();
    for (const LyrItem* it = doc.lyrics.lyrics().head(); it; it = it->next) {
        const auto tick = static_cast<std::int32_t>(it->tick);
        if (it->lineBreak) {
            s.lyrics.back().breakTick = tick;
            s.lyrics.emplace_back();
        } else {
            s.lyrics.back().syllables.emplace_back(tick, it->text);
        }
    }
    return s;
}

std::string lineText(const LyricLine& line) {
    std::string out;
    for (const auto& [tick, text] : line.syllables) out += std::to_string(tick) + ":" + text + "|";
    return out + " break " + std::to_string(line.breakTick);
}

// Notes of one key are paired back by the reader's rule (a note-off closes the most recent open
// note of its key), which cannot express two notes whose ends cross the other way (the earlier
// note ends first while the later one still sounds); what must survive of such notes is every
// start with its velocity and every end.
bool samePairedBack(const std::vector<Note>& want, const std::vector<Note>& got) {
    bool crossing = false;
    for (const Note& a : want)
        for (const Note& b : want)
            crossing = crossing || (a.tick <= b.tick && b.tick < a.off && a.off < b.off);
    if (!crossing) return false;
    auto starts = [](const std::vector<Note>& v) {
        std::vector<std::pair<std::int32_t, std::int32_t>> out;
        for (const Note& n : v) out.emplace_back(n.tick, n.velocity);
        std::sort(out.begin(), out.end());
        return out;
    };
    auto ends = [](const std::vector<Note>& v) {
        std::vector<std::int32_t> out;
        for (const Note& n : v) out.push_back(n.off);
        std::sort(out.begin(), out.end());
        return out;
    };
    return starts(want) == starts(got) && ends(want) == ends(got);
}

// Where two lists first differ, as "what line n: expected x, got y", or "" when they do not.
template <typename T, typename Show>
std::string mismatchText(const std::string& what, const std::vector<T>& want,
                         const std::vector<T>& got, Show show) {
    const auto [a, b] = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
    if (a == want.end() && b == got.end()) return {};
    return what + " line " + std::to_string(a - want.begin()) + ": expected " +
           (a == want.end() ? "(end)" : show(*a)) + ", got " +
           (b == got.end() ? "(end)" : show(*b));
}

// Lines over 33 characters are wrapped again when a song is opened (the save warns about it):
// such a line may come back as several lines holding the same syllables at the same ticks.
std::string lyricDifference(const std::vector<LyricLine>& want, const std::vector<LyricLine>& got) {
    auto isLong = [](const LyricLine& l) { return l.length() > kSoftLineLength; };
    if (std::none_of(want.begin(), want.end(), isLong))
        return mismatchText("lyric", want, got, lineText);
    // Trailing empty lines are padding: a wrapped line leaves one less of them.
    auto content = [](const std::vector<LyricLine>& v) {
        std::size_t n = v.size();
        while (n > 0 && v[n - 1].syllables.empty()) --n;
        return n;
    };
    auto bare = [](std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    };
    const std::size_t nw = content(want), ng = content(got);
    std::size_t g = 0;
    for (std::size_t w = 0; w < nw; ++w) {
        const LyricLine& line = want[w];
        const std::string where = "lyric line " + std::to_string(w) + " " + lineText(line) + ": ";
        if (!isLong(line)) {
            if (g >= ng || !(got[g] == line))
                return where + "came back as " + (g < ng ? lineText(got[g]) : "(end)");
            ++g;
            continue;
        }
        std::size_t taken = 0;
        std::int32_t lastBreak = -1;
        while (taken < line.syllables.size() && g < ng) {
            for (const auto& [tick, text] : got[g].syllables) {
                if (taken >= line.syllables.size())
                    return where + "wrapped with a foreign syllable";
                const auto& [wantTick, wantText] = line.syllables[taken++];
                if (tick != wantTick || bare(text) != bare(wantText))
                    return where + "wrapped into " + lineText(got[g]);
            }
            lastBreak = got[g++].breakTick;
        }
        if (taken != line.syllables.size() || lastBreak != line.breakTick)
            return where + "wrapped lines do not end where it did";
    }
    if (g != ng) return "extra lyric line " + lineText(got[g]);
    if (got.size() < static_cast<std::size_t>(kMinLines)) return "fewer than 36 lyric lines";
    return {};
}

// The first difference between two snapshots, or "" when they are the same.
std::string firstDifference(const Snapshot& want, const Snapshot& got) {
    if (want.parts.size() != got.parts.size() || want.notes.size() != got.notes.size())
        return "other parts, or notes of other channels or keys";
    for (const auto& [part, lines] : want.parts) {
        const auto it = got.parts.find(part);
        if (it == got.parts.end()) return "no " + part;
        const std::string d = mismatchText(part, lines, it->second, [](auto s) { return s; });
        if (!d.empty()) return d;
    }
    for (const auto& [key, notes] : want.notes) {
        const auto it = got.notes.find(key);
        if (it == got.notes.end()) return "no notes of key " + std::to_string(key.second);
        if (samePairedBack(notes, it->second)) continue;
        const std::string d = mismatchText(
            "channel " + std::to_string(key.first) + " key " + std::to_string(key.second), notes,
            it->second, [](const Note& n) {
                return std::to_string(n.tick) + "-" + std::to_string(n.off) + " vel " +
                       std::to_string(n.velocity);
            });
        if (!d.empty()) return d;
    }
    return lyricDifference(want.lyrics, got.lyrics);
}

struct Form {
    const char* name;
    int formatChoice; // 0: the song's own format
    const char* extension;
    friend void PrintTo(const Form& f, std::ostream* os) { *os << f.name; }
};

class RoundTripTest : public ::testing::TestWithParam<Form> {
protected:
    void SetUp() override {
        if (files.empty())
            GTEST_SKIP() << "no corpus at " << CANTELO_CORPUS_DIR << ": round trips skipped";
    }

    // Saves the open document as the editor's Save does; returns the path written.
    fs::path save(SongDocument& doc, const std::string& stem) {
        const int choice =
            GetParam().formatChoice ? GetParam().formatChoice : sameFormatChoice(doc.song);
        const SaveResult r =
            saveSongFile(doc, (dir / (stem + GetParam().extension)).string(), choice);
        EXPECT_TRUE(r.ok) << r.error;
        return r.path;
    }

    const std::vector<fs::path> files = test::corpusFiles({".mid", ".kar", ".nvk"});
    test::ScratchDir dir;
};

TEST_P(RoundTripTest, EverySongThatOpensSurvivesSaveAndReachesAFixedPoint) {
    int opened = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        auto first = std::make_unique<SongDocument>();
        if (!openSongFile(*first, f.string(), 0).ok) continue; // the reader refuses it
        ++opened;
        const fs::path a = save(*first, "a");
        // The save tidied the lyric list: that is the list the file must give back.
        const Snapshot before = snapshotOf(*first);

        auto second = std::make_unique<SongDocument>();
        ASSERT_TRUE(openSongFile(*second, a.string(), 0).ok);
        EXPECT_EQ(second->song.scrambled, hasExtension(a.string(), "nvk"));
        second->lyrics.TidyLyrics();
        EXPECT_EQ(firstDifference(before, snapshotOf(*second)), "");

        const fs::path b = save(*second, "b");
        auto third = std::make_unique<SongDocument>();
        ASSERT_TRUE(openSongFile(*third, b.string(), 0).ok);
        const fs::path c = save(*third, "c");
        EXPECT_TRUE(test::fileBytes(b) == test::fileBytes(c))
            << "open, save, open, save is not a fixed point";
    }
    EXPECT_GT(opened, 40);
}

INSTANTIATE_TEST_SUITE_P(Forms, RoundTripTest,
                         ::testing::Values(Form{"Format0", kFormatChoice0, ".mid"},
                                           Form{"Format1", kFormatChoice1, ".kar"},
                                           Form{"Scrambled", 0, ".nvk"}),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace cantelo
