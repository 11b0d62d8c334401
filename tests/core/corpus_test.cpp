// The real karaoke files of the shared corpus, read by the editor's reader and checked against an
// independent reader (midicsv), which also reads back what the writer makes of them. Skips when
// the corpus folder is absent.
#include "smf_builder.h"
#include "song_summary.h"
#include "test_support.h"

#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "core/song/midi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::fileBytes;

struct TextEvent {
    int type = 0;
    std::int64_t tick = 0;
    int chunk = 0;
    std::string bytes;
    bool operator==(const TextEvent&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TextEvent& t) {
    return os << "type " << t.type << " tick " << t.tick << " chunk " << t.chunk << " \"" << t.bytes
              << '"';
}

// What midicsv reports about a file, in the terms the song model keeps.
struct Reference {
    bool ok = false;                                   // exit status 0
    bool clean = false;                                // ... and nothing on stderr
    std::map<int, std::size_t> notesPerChannel;        // note-ons with a velocity
    std::vector<std::pair<std::int64_t, long>> tempos; // tick, microseconds per quarter
    std::vector<TextEvent> texts;                      // types 1, 2, 5, 6, 7, not empty
    std::vector<std::string> sysEx;                    // tick, length and data, sorted
};

// A midicsv string field: quoted, "" for a quote, \\ for a backslash, \ooo for other bytes.
std::string unquote(std::string_view field) {
    std::string out;
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') return out;
    field = field.substr(1, field.size() - 2);
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '"' && i + 1 < field.size() && field[i + 1] == '"') {
            out += '"';
            ++i;
        } else if (c == '\\' && i + 1 < field.size() && field[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (c == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
                   field[i + 1] <= '7') {
            out += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 3)), nullptr, 8));
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}

Reference runMidicsv(const fs::path& file, const fs::path& errors) {
    Reference ref;
    int status = -1;
    const std::string csv = test::commandOutput(
        "/usr/bin/midicsv '" + file.string() + "' 2>'" + errors.string() + "'", &status);
    ref.ok = status == 0;
    ref.clean = ref.ok && fs::file_size(errors) == 0;

    static const std::map<std::string, int> kTextTypes = {
        {"Text_t", 1}, {"Copyright_t", 2}, {"Lyric_t", 5}, {"Marker_t", 6}, {"Cue_point_t", 7}};
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        // "track, tick, type, rest..."; a string field may hold commas, so split only thrice.
        std::size_t a = line.find(", "), b = line.find(", ", a + 2), c = line.find(", ", b + 2);
        if (a == std::string::npos || b == std::string::npos) continue;
        const int track = std::stoi(line.substr(0, a));
        const std::int64_t tick = std::stoll(line.substr(a + 2, b - a - 2));
        const std::string type =
            line.substr(b + 2, c == std::string::npos ? std::string::npos : c - b - 2);
        const std::string rest = c == std::string::npos ? "" : line.substr(c + 2);
        if (type == "Note_on_c") {
            int ch = 0, key = 0, vel = 0;
            std::sscanf(rest.c_str(), "%d, %d, %d", &ch, &key, &vel);
            if (vel > 0) ++ref.notesPerChannel[ch];
        } else if (type == "Tempo") {
            ref.tempos.emplace_back(tick, std::stol(rest));
        } else if (type == "System_exclusive") {
            ref.sysEx.push_back(std::to_string(tick) + ", " + rest);
        } else if (auto it = kTextTypes.find(type); it != kTextTypes.end()) {
            std::string text = unquote(rest);
            if (!text.empty()) ref.texts.push_back({it->second, tick, track - 1, std::move(text)});
        }
    }
    std::sort(ref.sysEx.begin(), ref.sysEx.end());
    return ref;
}

// Files on which the reader and midicsv part ways, and why; every other file must agree exactly.
// Damaged chunks have no single right reading: the reader skips a data byte that has no channel
// status and reads the next byte as a delta time, midicsv reports an unknown event, and from there
// the two readings drift apart.
enum class Differs { Notes, Tempos, Texts };
const std::map<std::string, std::set<Differs>> kExplainedDifferences = {
    // Chunk 0 holds a 148-byte text whose data is cut short, followed by broken copies of it;
    // midicsv swallows the tempo event into one of those texts, the reader finds it.
    {"dwm__BON_JOVI.It_s_my_life_K.mid", {Differs::Tempos, Differs::Texts}},
    // End of Track comes right after the first events of the only chunk; midicsv stops there,
    // the reader reads the chunk to its length and keeps the whole song.
    {"dwm__MORRISSETTE.You_oughta_know_K.mid", {Differs::Notes, Differs::Texts}},
    // A text's length counts one byte too many and swallows the status of the next meta event.
    {"dwm__WaitVain.mid", {Differs::Notes, Differs::Texts}},
    // The last chunk ends inside an event, without End of Track; midicsv reads on past the end
    // of the file and invents a drum note of key 0. The reader stops at the end of the chunk.
    {"dwm__bette_davis_eyes.mid", {Differs::Notes}},
    // A lyric event without a delta time in front of it, and a chunk that claims 146 bytes more
    // than the file holds: midicsv reads past the end of the file, the reader stops there.
    {"dwm__grease06.mid", {Differs::Notes, Differs::Tempos, Differs::Texts}},
};

// The chunk a scrambled copy cannot leave alone: its last chunk runs past the end of the file,
// so the bytes appended after it (padding and key) are read as part of it.
const std::set<std::string> kLastChunkPastTheEnd = {"dwm__grease06.mid"};

class CorpusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_files = test::corpusFiles({".mid", ".kar"}); }
    void SetUp() override {
        if (s_files.empty())
            GTEST_SKIP() << "no corpus at " << CANTELO_CORPUS_DIR << ": corpus tests skipped";
    }
    Reference midicsv(const fs::path& file) const { return runMidicsv(file, dir / "errors.txt"); }

    static bool read(CMidiSong& song, const fs::path& p) {
        song.reset();
        return readSongFile(song, p.string()).ok();
    }

    static std::vector<fs::path> s_files;
    test::ScratchDir dir;
};

std::vector<fs::path> CorpusTest::s_files;

// Every file opens or is refused as a format 2 file, and then holds what midicsv finds in it;
// what the writer makes of it, in either format, midicsv reads without complaint and with the
// original's SysEx messages byte for byte.
TEST_F(CorpusTest, AgreesWithMidicsvBeforeAndAfterWriting) {
    auto song = std::make_unique<CMidiSong>();
    for (const auto& f : s_files) {
        const std::string name = f.filename().string();
        SCOPED_TRACE(name);
        const Bytes image = fileBytes(f);
        ASSERT_GE(image.size(), 14u);
        const bool format2 = image[8] == 0 && image[9] == 2;
        const bool ok = read(*song, f);
        EXPECT_EQ(ok, !format2);
        if (!ok) continue;
        EXPECT_GT(song->songLength, 0);
        const Reference ref = midicsv(f);
        for (int format : {0, 1}) {
            const fs::path out = dir / "out.mid";
            std::string error;
            ASSERT_TRUE(writeSongFile(*song, out.string(), format, false, &error)) << error;
            const Reference written = midicsv(out);
            EXPECT_TRUE(written.clean) << "format " << format;
            if (ref.clean) {
                EXPECT_EQ(written.sysEx, ref.sysEx) << "format " << format;
            }
        }
        if (!ref.ok) {
            // midicsv stops at a chunk that is not "MTrk"; the reader skips it.
            EXPECT_EQ(name, "jzz__test-non-midi-track.mid") << "midicsv failed";
            continue;
        }
        const auto explained = kExplainedDifferences.find(name);
        auto differs = [&](Differs d) {
            return explained != kExplainedDifferences.end() && explained->second.count(d);
        };

        std::map<int, std::size_t> notes;
        for (const auto& t : song->data().tracks) {
            std::size_t n = 0;
            for (const auto& e : t.events) n += e.status() == 0x90;
            if (n) notes[t.channel] = n;
        }
        if (!differs(Differs::Notes)) {
            EXPECT_EQ(notes, ref.notesPerChannel);
        }

        // The model keeps one tempo per tick (the last one set), clamped, over the reset's.
        std::map<std::int64_t, std::int32_t> expectedTempos{{0, 120}};
        for (const auto& [tick, us] : ref.tempos)
            expectedTempos[tick] = std::clamp<std::int32_t>(
                us == 0 ? 120 : static_cast<std::int32_t>(60000000 / us), 30, 250);
        std::map<std::int64_t, std::int32_t> tempos;
        for (const auto& t : song->data().tempos) {
            EXPECT_EQ(tempos.count(t.tick), 0u) << "two tempos at " << t.tick;
            tempos[t.tick] = t.bpm;
        }
        if (!differs(Differs::Tempos)) {
            EXPECT_EQ(tempos, expectedTempos);
        }

        std::vector<TextEvent> texts;
        for (const auto& t : song->data().texts)
            texts.push_back({t.type, t.tick, t.track, std::string(t.data.begin(), t.data.end())});
        ASSERT_FALSE(texts.empty());
        texts.erase(texts.begin()); // the reset's credit text
        if (!differs(Differs::Texts)) {
            EXPECT_EQ(texts, ref.texts);
        }
    }
}

// PROPERTIES.tsv says, per file, which chunks hold lyric events ("type5 ... in trk 3,6") and
// which hold Soft Karaoke texts ("type1 SoftKaraoke in trk 2"), or "none".
TEST_F(CorpusTest, LyricsAreFoundInTheChunksTheCorpusListNames) {
    // Every lyric event of this file is at tick 0, and ticks up to 100 hold no lyrics.
    const std::set<std::string> allLyricsAtTickZero = {"s64__2rock.mid"};
    std::ifstream tsv(fs::path(CANTELO_CORPUS_DIR) / "PROPERTIES.tsv");
    ASSERT_TRUE(tsv) << "PROPERTIES.tsv";
    std::string header;
    std::getline(tsv, header);
    std::vector<std::string> columns;
    for (std::istringstream h(header); std::getline(h, columns.emplace_back(), '\t');) continue;
    const auto where = std::find(columns.begin(), columns.end(), "lyrics_where") - columns.begin();

    auto song = std::make_unique<CMidiSong>();
    auto lists = std::make_unique<std::array<TItemLyr, 512>>();
    int checked = 0;
    for (std::string line; std::getline(tsv, line);) {
        std::vector<std::string> cells;
        for (std::istringstream l(line); std::getline(l, cells.emplace_back(), '\t');) continue;
        if (cells.size() <= static_cast<std::size_t>(where)) continue;
        const std::string& name = cells[0];
        SCOPED_TRACE(name);
        if (!read(*song, fs::path(CANTELO_CORPUS_DIR) / name)) continue;
        for (auto& l : *lists) l.clear();
        extractLyrics(*song, *lists);

        std::map<int, LyricSource> expected;
        std::istringstream parts(cells[static_cast<std::size_t>(where)]);
        for (std::string part; std::getline(parts, part, ';');) {
            const auto in = part.find("in trk ");
            if (in == std::string::npos) continue;
            const LyricSource kind =
                part.find("type5") != std::string::npos ? LyricSource::Lyr : LyricSource::Text;
            std::istringstream chunks(part.substr(in + 7));
            for (std::string k; std::getline(chunks, k, ',');) expected[std::stoi(k)] = kind;
        }
        if (allLyricsAtTickZero.count(name)) expected.clear();
        for (int k = 0; k < kLyricChunks; ++k) {
            const auto it = expected.find(k);
            const LyricSource want = it == expected.end() ? LyricSource::Undecided : it->second;
            EXPECT_EQ(song->lyricSource[static_cast<std::size_t>(k)], want) << "chunk " << k;
            EXPECT_EQ((*lists)[static_cast<std::size_t>(k)].count() > 0, it != expected.end())
                << "chunk " << k;
        }
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

TEST_F(CorpusTest, ScrambledCopyReadsLikeThePlainFile) {
    auto plainSong = std::make_unique<CMidiSong>();
    auto nvkSong = std::make_unique<CMidiSong>();
    std::uint8_t key = 0x21;
    for (const auto& f : s_files) {
        SCOPED_TRACE(f.filename().string());
        if (!read(*plainSong, f)) continue;
        const std::uint8_t keyUsed = key;
        const Bytes nvk = test::scrambleImage(fileBytes(f), keyUsed);
        key = static_cast<std::uint8_t>(key * 5 + 1) | 1; // vary the key, never 0
        const fs::path copy = test::writeFile(dir / (f.stem().string() + ".nvk"), nvk);
        ASSERT_TRUE(read(*nvkSong, copy));
        EXPECT_TRUE(nvkSong->scrambled && !plainSong->scrambled);
        if (kLastChunkPastTheEnd.count(f.filename().string())) {
            Bytes padded = nvk;
            for (std::size_t i = 0; i < 256; ++i) padded[i] ^= keyUsed;
            plainSong->reset();
            ASSERT_TRUE(readSongImage(*plainSong, padded, f.string()));
        }
        EXPECT_EQ(test::songSummary(*nvkSong), test::songSummary(*plainSong));
        EXPECT_EQ(fileBytes(copy), nvk) << "the file on disk is unchanged";
    }
}

} // namespace
} // namespace cantelo
