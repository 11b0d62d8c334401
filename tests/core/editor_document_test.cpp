#include "test_support.h"

#include "core/document/editor_document.h"
#include "core/song/syllable_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using Kind = DocumentChangeKind;
using test::SmfFile;
using test::SmfTrack;

const fs::path kCorpusSong = fs::path(CANTELO_CORPUS_DIR) / "dmp__twinkle.kar";

class EditorDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.subscribe([this](const DocumentChange& c) {
            seen.push_back(c.kind);
            if (c.kind == Kind::Modified) modifiedSeen.push_back(doc.modified());
        });
    }
    void openCorpusSong() {
        if (!fs::exists(kCorpusSong)) GTEST_SKIP() << "no corpus at " << CANTELO_CORPUS_DIR;
        ASSERT_TRUE(doc.open(kCorpusSong.string())) << "corpus song";
        seen.clear();
    }
    // Moves the melody to the first channel that has notes.
    int chooseMelodyWithNotes() {
        for (int ch = 0; ch < kChannels; ++ch)
            if (doc.setMelodyChannel(ch, 0).result && doc.songDocument().melodyNotes.count() > 0)
                return ch;
        return -1;
    }
    int count(Kind kind) const {
        return static_cast<int>(std::count(seen.begin(), seen.end(), kind));
    }
    std::vector<LyricsHistory::Item> lyricItems() {
        return LyricsHistory::itemsOf(doc.lyrics().lyrics());
    }

    test::ScratchDir dir;
    EditorDocument doc;
    std::vector<Kind> seen;
    std::vector<bool> modifiedSeen; // modified() at each Modified notification
};

// The unsaved state is derived from the text itself: it follows edits, typing and undo, and
// Modified is published exactly when it flips.
TEST_F(EditorDocumentTest, EditsAndUndoFlipTheModifiedStateExactlyWhenItChanges) {
    openCorpusSong();
    ASSERT_FALSE(doc.modified());

    // Keys go to the editor; the document hears of them all the same.
    doc.editor().typeCharacter('x');
    EXPECT_TRUE(count(Kind::Lyrics) == 1 && modifiedSeen == std::vector<bool>{true});
    EXPECT_TRUE(doc.undo());
    EXPECT_EQ(modifiedSeen, (std::vector<bool>{true, false}));

    EXPECT_TRUE(doc.textCase(LetterCase::Upper) && doc.textCase(LetterCase::Lower));
    EXPECT_EQ(modifiedSeen, (std::vector<bool>{true, false, true}));
    seen.clear();
    EXPECT_EQ(doc.textCase(LetterCase::Lower).reason, FailureReason::NothingToDo);
    EXPECT_TRUE(seen.empty());

    EXPECT_TRUE(doc.undo() && doc.modified());
    EXPECT_TRUE(doc.undo() && !doc.modified());
    EXPECT_EQ(doc.undo().reason, FailureReason::NothingToDo);
    EXPECT_TRUE(doc.redo());
    EXPECT_EQ(modifiedSeen, (std::vector<bool>{true, false, true, false, true}));

    // A song edit counts until the next save or open, whatever the lyrics do.
    ASSERT_TRUE(doc.open(kCorpusSong.string()));
    doc.songEdited(Kind::Tempo);
    EXPECT_TRUE(doc.modified() && modifiedSeen.back());
}

TEST_F(EditorDocumentTest, SavedSongReopensWithTheSameLyricsAndIsUnmodified) {
    openCorpusSong();
    ASSERT_TRUE(doc.syllabify());
    ASSERT_TRUE(doc.modified());
    const std::string target = (dir / "copy.kar").string();
    const WriteOutcome saved = doc.save(target, kFormatChoice1);
    ASSERT_TRUE(saved.result) << static_cast<int>(saved.result.reason);
    EXPECT_EQ(std::tuple(doc.fileName(), count(Kind::FileSaved), modifiedSeen.back()),
              std::tuple(target, 1, false));

    EditorDocument again;
    ASSERT_TRUE(again.open(target));
    EXPECT_TRUE(LyricsHistory::itemsOf(again.lyrics().lyrics()) == lyricItems() &&
                again.song().format == 1);
    // "Salva" then writes the same file in its own format, without a name to ask.
    const WriteOutcome resaved = again.saveSameFormat();
    EXPECT_TRUE(resaved.result && resaved.path == target);
    EXPECT_TRUE(EditorDocument().saveSameFormat().needsName);
}

TEST_F(EditorDocumentTest, FailedOpenShowsAnEmptySongAndTellsTheViews) {
    openCorpusSong();
    ASSERT_GE(chooseMelodyWithNotes(), 0);
    ASSERT_NE(doc.songDocument().instrumentName, "");
    ASSERT_TRUE(doc.setReference(960));
    ASSERT_TRUE(doc.textCase(LetterCase::Upper));
    seen.clear();

    const Result r = doc.open(test::writeFile(dir / "junk.kar", "not a song at all"));
    EXPECT_EQ(std::pair(r.reason, r.path),
              std::pair(FailureReason::Unrecognised, (dir / "junk.kar").string()));
    // The open's own refreshes are covered by FileOpened.
    EXPECT_EQ(std::pair(count(Kind::FileOpened), count(Kind::Lyrics)), std::pair(1, 0));
    const SongDocument& d = doc.songDocument();
    EXPECT_EQ(std::tie(d.positionLabel, d.endLabel, d.lengthLabel, d.instrumentName),
              std::tuple("0001.01.000", "0001.01.000", "00:00:00:00", ""));
    EXPECT_EQ(lyricItems(), LyricsHistory::itemsOf(EditorDocument().lyrics().lyrics()));
    EXPECT_TRUE(d.melodyNotes.count() == 0 && doc.reference().tick == 0);
    EXPECT_FALSE(doc.modified() || doc.canUndo());
    // With nothing open, "Salva" must not write over the file that failed.
    EXPECT_TRUE(doc.saveSameFormat().needsName);
    EXPECT_EQ(test::fileText(dir / "junk.kar"), "not a song at all");
}

TEST_F(EditorDocumentTest, EachFailureGivesItsReasonAndChangesNothing) {
    const std::string folder = dir.path().string();
    const std::string missing = (dir / "missing.mid").string();
    const std::string big =
        test::writeFile(dir / "big.txt", std::string((std::size_t{1} << 20) + 1, 'a'));
    const std::string empty = test::writeFile(dir / "empty.txt", "");
    const std::string notNvs = test::writeFile(dir / "lyrics.nvs", "NVSX\x01\x00");
    const std::string nowhere = (dir / "no" / "such" / "folder" / "file").string();
    const auto before = lyricItems();

    using R = FailureReason;
    const struct {
        const char* what;
        std::function<Result()> run;
        FailureReason reason;
    } cases[] = {
        {"open missing", [&] { return doc.open(missing); }, R::NotFound},
        {"open folder", [&] { return doc.open(folder); }, R::NotAFile},
        {"import folder", [&] { return doc.importText(folder); }, R::NotAFile},
        {"import oversize", [&] { return doc.importText(big); }, R::TooLarge},
        {"import empty", [&] { return doc.importText(empty); }, R::Empty},
        {"syllables not nvs", [&] { return doc.loadSyllables(notNvs, {}); }, R::Unrecognised},
        {"syllables missing", [&] { return doc.loadSyllables(missing, {}); }, R::NotFound},
        {"save", [&] { return doc.save(nowhere + ".mid", kFormatChoice0).result; }, R::NotFound},
        {"save syllables", [&] { return doc.saveSyllables(nowhere).result; }, R::NotFound},
        {"export", [&] { return doc.exportText(nowhere, {}).result; }, R::NotFound},
    };
    for (const auto& c : cases) {
        const Result r = c.run();
        EXPECT_TRUE(r.reason == c.reason && !r.path.empty() && lyricItems() == before) << c.what;
    }
    EXPECT_FALSE(fs::exists(dir / "no"));
}

// Text files and syllable files of a song in another encoding: an imported file arrives in the
// song's encoding or not at all, and what is written out is in the song's encoding throughout.
TEST_F(EditorDocumentTest, ImportExportAndSyllablesKeepToTheSongsEncoding) {
    const fs::path utf8Song = fs::path(CANTELO_CORPUS_DIR) / "dmp__Negra_Sombra.kar";
    if (!fs::exists(utf8Song)) GTEST_SKIP() << "no corpus at " << CANTELO_CORPUS_DIR;
    const std::string chinese =
        test::writeFile(dir / "zh.txt", "\xEF\xBB\xBF\xE4\xB8\xAD \xC3\xBC\n");

    const auto firstLine = [&] {
        const std::string* text = doc.lyrics().lineList().get(0);
        return text ? *text : std::string("(no line)");
    };

    openCorpusSong(); // Windows-1252
    ASSERT_TRUE(doc.lyrics().textEncoding().isWindows1252());
    EXPECT_FALSE(doc.canConvertTextsToUtf8()); // all ASCII: nothing to convert
    const auto before = lyricItems();
    const Result refused = doc.importText(chinese);
    EXPECT_EQ(std::pair(refused.reason, refused.path),
              std::pair(FailureReason::NotInEncoding, chinese));
    EXPECT_TRUE(lyricItems() == before && !doc.modified());
    ASSERT_TRUE(
        doc.importText(test::writeFile(dir / "de.txt", std::string("\xC3\x9C") + "bermut\r\n")));
    EXPECT_EQ(firstLine(), std::string("\xDC") + "bermut");

    ASSERT_TRUE(doc.open(utf8Song.string()));
    ASSERT_TRUE(doc.lyrics().textEncoding().isUtf8());
    ASSERT_TRUE(doc.importText(chinese));
    EXPECT_EQ(firstLine(), "\xE4\xB8\xAD \xC3\xBC");
    // A Windows-1252 file in a UTF-8 song is converted, never taken as bytes.
    ASSERT_TRUE(doc.importText(test::writeFile(dir / "it.txt", "perch\xE9 citt\xE0\r\n")));
    EXPECT_EQ(firstLine(), "perch\xC3\xA9 citt\xC3\xA0");

    // A syllable longer than a record is cut between characters.
    std::string& long_ = lyricItem(doc.lyrics().lyrics(), 0).text;
    long_.clear();
    for (int i = 0; i < 100; ++i) long_ += "xx\xC3\xA9"; // a byte cut at 255 splits an "é"
    ASSERT_TRUE(doc.saveSyllables((dir / "song").string()).result);
    SyllableFile parsed;
    ASSERT_EQ(readSyllableFile((dir / "song.nvs").string(), parsed), SyllableLoad::Loaded);
    ASSERT_GE(parsed.records.size(), 2u);
    EXPECT_EQ(parsed.records[0].text + parsed.records[1].text, long_);
    for (const SyllableRecord& r : parsed.records) EXPECT_TRUE(isValidUtf8(r.text)) << r.text;

    const ExportTrailer trailer{"Titolo \xE8", {"\x80 credit"}};
    const WriteOutcome exported = doc.exportText((dir / "out").string(), trailer);
    ASSERT_TRUE(exported.result);
    const std::string written = test::fileText(exported.path);
    EXPECT_TRUE(isValidUtf8(written) && written.find("Titolo \xC3\xA8\r\n") != std::string::npos &&
                written.find("\xE2\x82\xAC credit") != std::string::npos)
        << written;
}

// A song of lyric events in `encoding` (each text of `words` encoded, at 200, 300 ...), with a
// title text and a track name that hold the first word too.
std::string songIn(const fs::path& file, const TextEncoding& encoding,
                   const std::vector<std::u32string>& words) {
    test::SmfTrack track;
    const std::string first = *encoding.encode(words.front());
    track.meta(0, 0x03, first).meta(0, 0x01, "@T" + first);
    std::uint32_t delta = 200;
    for (const std::u32string& w : words) {
        track.meta(delta, 0x05, *encoding.encode(w)).noteOn(0, 0, 60, 100).noteOff(90, 0, 60);
        delta = 10;
    }
    return test::writeFile(file, SmfFile(1, 480).track(track.endOfTrack()).bytes());
}

// Another encoding only reads the same bytes anew: no modification, and a save after it writes
// the same file. The conversion to UTF-8 rewrites every text, and cannot be undone.
TEST_F(EditorDocumentTest, AnotherEncodingRereadsTheBytesAndConversionRewritesThem) {
    std::vector<std::u32string> words;
    for (int i = 0; i < 6; ++i)
        for (const char32_t* w :
             {U"Perch\u00E9 ", U"la ", U"citt\u00E0 ", U"\u00E8 ", U"bel", U"la"})
            words.emplace_back(w);
    const std::string italian = songIn(dir / "it.mid", TextEncoding(), words);
    ASSERT_TRUE(doc.open(italian));
    ASSERT_TRUE(doc.lyrics().textEncoding().isWindows1252());
    const fs::path first = dir / "first.mid", second = dir / "second.mid";
    ASSERT_TRUE(doc.save(first.string(), kFormatChoice1).result);
    const auto items = lyricItems();

    seen.clear();
    ASSERT_TRUE(doc.setTextEncoding(*TextEncoding::named("Windows-1251")));
    EXPECT_EQ(count(Kind::Lyrics), 1);
    EXPECT_EQ(doc.setTextEncoding(*TextEncoding::named("Windows-1251")).reason,
              FailureReason::NothingToDo);
    EXPECT_TRUE(!doc.modified() && lyricItems() == items);
    ASSERT_TRUE(doc.save(second.string(), kFormatChoice1).result);
    EXPECT_EQ(test::fileBytes(second), test::fileBytes(first));

    ASSERT_TRUE(doc.setTextEncoding(TextEncoding()));
    // Exported as UTF-8: the lines and the trailer are converted, the song is not.
    const WriteOutcome exported = doc.exportText((dir / "out").string(), {"Titolo \xE8", {}}, true);
    ASSERT_TRUE(exported.result);
    const std::string text = test::fileText(exported.path);
    EXPECT_TRUE(isValidUtf8(text) &&
                text.starts_with("Perch\xC3\xA9 la citt\xC3\xA0 \xC3\xA8 bella") &&
                text.find("Titolo \xC3\xA8\r\n") != std::string::npos)
        << text;
    EXPECT_FALSE(doc.modified());
    doc.editor().typeCharacter('x');
    ASSERT_TRUE(doc.canUndo() && doc.canConvertTextsToUtf8() && doc.convertTextsToUtf8());
    EXPECT_TRUE(doc.lyrics().textEncoding().isUtf8() && doc.modified());
    EXPECT_FALSE(doc.canUndo() || doc.canConvertTextsToUtf8());
    ASSERT_TRUE(doc.save(second.string(), kFormatChoice1).result);
    // Every text of the file is UTF-8 now, and it opens as UTF-8.
    ASSERT_TRUE(doc.open(second.string()));
    EXPECT_TRUE(doc.lyrics().textEncoding().isUtf8());
    for (const auto& e : doc.song().data().texts)
        EXPECT_TRUE(isValidUtf8({reinterpret_cast<const char*>(e.data.data()), e.data.size()}));
    for (const auto& t : doc.song().data().tracks) EXPECT_EQ(t.name, "Perch\xC3\xA9 ");
    const std::string* line = doc.lyrics().lineList().get(0);
    EXPECT_TRUE(line && line->starts_with("xPerch\xC3\xA9 la citt\xC3\xA0 \xC3\xA8 bella"));
}

// Songs in code pages of two-byte characters open, save and open again to the same bytes, also
// where a second byte has the value of a lyric mark ("\u30C0" is 83 5F, "\u30DD" 83 7C in
// Shift_JIS).
TEST_F(EditorDocumentTest, SongsOfTwoByteCharactersRoundTripByteForByte) {
    const struct {
        const char* encoding;
        std::vector<const char32_t*> words;
        const char* first; // the first syllable in UTF-8
    } songs[] = {
        {"GBK",
         {U"\u6211\u7231 ", U"\u4F60 ", U"\u4E2D\u56FD ", U"\u7684 ", U"\u5C71\u6C34 ",
          U"\u670B\u53CB "},
         "\xE6\x88\x91\xE7\x88\xB1 "},
        {"Shift_JIS",
         {U"\u308F\u305F\u3057\u306E ", U"\u30C0\u30F3\u30B9 ", U"\u30DD\u30C3\u30D7 ",
          U"\u3053\u3053\u308D ", U"\u30BD\u30F3\u30B0\u30C0", U"\u30DD"},
         "\xE3\x82\x8F\xE3\x81\x9F\xE3\x81\x97\xE3\x81\xAE "},
    };
    for (const auto& song : songs) {
        const TextEncoding encoding = *TextEncoding::named(song.encoding);
        std::vector<std::u32string> words;
        for (int i = 0; i < 3; ++i) words.insert(words.end(), song.words.begin(), song.words.end());
        ASSERT_TRUE(doc.open(songIn(dir / "song.mid", encoding, words)));
        EXPECT_EQ(doc.lyrics().textEncoding(), encoding) << song.encoding;
        // The syllables in UTF-8, without the space that a line's last one gives up.
        const auto bare = [&](std::string text) {
            if (text.ends_with(' ')) text.pop_back();
            return toUtf8(text, encoding) + "/";
        };
        const auto texts = [&] {
            std::string all;
            for (const auto& item : lyricItems())
                if (!item.lineBreak) all += bare(item.text);
            return all;
        };
        std::string want;
        for (const std::u32string& w : words) want += bare(*encoding.encode(w));
        EXPECT_EQ(texts(), want) << song.encoding;
        const fs::path first = dir / "first.mid", second = dir / "second.mid";
        ASSERT_TRUE(doc.save(first.string(), kFormatChoice1).result);
        ASSERT_TRUE(doc.open(first.string()));
        EXPECT_EQ(doc.lyrics().textEncoding(), encoding) << song.encoding;
        EXPECT_EQ(texts(), want) << song.encoding;
        ASSERT_TRUE(doc.save(second.string(), kFormatChoice1).result);
        EXPECT_EQ(test::fileBytes(second), test::fileBytes(first)) << song.encoding;
    }
}

// Syllable files: a load is one undo step, a division mismatch is asked, and no is respected.
TEST_F(EditorDocumentTest, SyllableFileLoadsAsOneUndoStep) {
    openCorpusSong();
    const auto opened = lyricItems();
    const WriteOutcome written = doc.saveSyllables((dir / "twinkle").string());
    ASSERT_TRUE(written.result && written.path == (dir / "twinkle.nvs").string());
    ASSERT_TRUE(doc.clearText());
    const auto cleared = lyricItems();

    doc.song().setDivision(doc.song().division() + 1); // timed for another arrangement
    int asked = 0;
    EXPECT_EQ(doc.loadSyllables(written.path, [&] { return ++asked, false; }).reason,
              FailureReason::Refused);
    EXPECT_EQ(lyricItems(), cleared);
    ASSERT_TRUE(doc.loadSyllables(written.path, [&] { return ++asked, true; }));
    // The text is the one opened again.
    EXPECT_TRUE(asked == 2 && lyricItems() == opened && !doc.modified());
    EXPECT_TRUE(doc.undo());
    EXPECT_EQ(lyricItems(), cleared);
}

TEST_F(EditorDocumentTest, ClearAllBanksRemovesControllers0And32Only) {
    SmfTrack track;
    track.event(0, {0xB0, 0, 1}).event(0, {0xB0, 32, 2}).event(0, {0xB0, 7, 100});
    track.event(0, {0xC0, 5}).event(10, {0xB3, 0, 8}).event(0, {0xB3, 10, 40});
    track.noteOn(0, 3, 60, 90).event(480, {0xB3, 32, 9}).noteOff(0, 3, 60).endOfTrack();
    ASSERT_TRUE(doc.open(test::writeFile(dir / "banks.mid", SmfFile(0, 480).track(track).bytes())));
    seen.clear();

    ASSERT_TRUE(doc.clearAllBanks());
    EXPECT_TRUE(count(Kind::Controllers) == 1 && doc.modified());
    std::vector<int> left;
    for (auto& t : doc.song().data().tracks)
        for (auto& e : t.events)
            if (e.status() == 0xB0)
                left.push_back(t.channel * 1000 +
                               static_cast<CObjectEventControlChange&>(e).controller);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<int>{7, 3010}));
    EXPECT_EQ(doc.song().controllerAt(0, 3, 1000), -1); // the chase list forgot them too
    EXPECT_EQ(doc.clearAllBanks().reason, FailureReason::NothingToDo);
}

TEST_F(EditorDocumentTest, MelodyAndReferenceArePublishedAndBindFromTheReference) {
    openCorpusSong();
    const int melodyChannel = chooseMelodyWithNotes();
    ASSERT_GE(melodyChannel, 0);
    EXPECT_EQ(std::tuple(doc.melodyChannel(), count(Kind::MelodyNotes), count(Kind::MelodyChannel)),
              std::tuple(melodyChannel, melodyChannel + 1, melodyChannel + 1));
    EXPECT_EQ(doc.setMelodyChannel(16, 0).result.reason, FailureReason::Other);
    EXPECT_FALSE(doc.modified()); // choosing the melody is no edit of the song

    seen.clear();
    // A reference just after the first note: the text starts on the next one after it.
    const ChannelItem* note = doc.songDocument().melodyNotes.head();
    ASSERT_NE(note, nullptr);
    const auto reference = static_cast<std::int32_t>(note->tick) + 1;
    while (note && note->tick < reference) note = note->next;
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(doc.setReference(reference));
    EXPECT_EQ(doc.setReference(reference).reason, FailureReason::NothingToDo);
    ASSERT_TRUE(doc.bindToMelody());
    const auto bound = lyricItems();
    const auto firstSyllable =
        std::find_if(bound.begin(), bound.end(), [](const auto& item) { return !item.lineBreak; });
    ASSERT_NE(firstSyllable, bound.end());
    EXPECT_EQ(firstSyllable->tick, note->tick);
    EXPECT_TRUE(doc.clearReference() && count(Kind::Reference) == 2);
}

// A listener that throws stands in for running out of memory half-way through a command.
TEST_F(EditorDocumentTest, AnExceptionInsideACommandLeavesTheTextAsItWas) {
    openCorpusSong();
    const auto before = lyricItems();
    const int id = doc.subscribe([](const DocumentChange& c) {
        if (c.kind == Kind::Lyrics) throw std::runtime_error("listener failed");
    });
    EXPECT_EQ(doc.textCase(LetterCase::Upper).reason, FailureReason::Other);
    EXPECT_TRUE(lyricItems() == before && !doc.modified());
    doc.unsubscribe(id);
    EXPECT_TRUE(doc.textCase(LetterCase::Upper));
}

} // namespace
} // namespace cantelo
