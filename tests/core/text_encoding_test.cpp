// The song's text encoding: which one the corpus songs are found in, and how the characters of
// single- and multi-byte texts are walked, read and written.
#include "test_support.h"

#include "core/document/song_file.h"
#include "core/lyrics/text_encoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace cantelo {
namespace {

namespace fs = std::filesystem;

// Judged once by reading each song's lyrics decoded every way: the German and Galician songs
// (and one test file) are UTF-8, m21__test21 is Korean, the Vietnamese song uses a font-hack
// code page no converter knows (its bytes read as Windows-1252 at least keep the ASCII), and
// every other song is Western European or ASCII.
const std::map<std::string, std::string> kJudgedEncodings{
    {"dmp__Negra_Sombra.kar", "UTF-8"},
    {"dmp__Schubert_Standchen.mid", "UTF-8"},
    {"dmp__mozart_konigdernacht.mid", "UTF-8"},
    {"m21__test18.mid", "UTF-8"},
    {"m21__test21.mid", "CP949"},
};

TEST(TextEncodingTest, CorpusSongsAreFoundInTheEncodingTheirLyricsWereWrittenIn) {
    const auto files = test::corpusFiles({".mid", ".kar"});
    if (files.empty()) GTEST_SKIP() << "the corpus is missing";
    for (const auto& file : files) {
        SongDocument doc;
        if (!openSongFile(doc, file.string(), 3).ok) continue;
        const auto judged = kJudgedEncodings.find(file.filename().string());
        const std::string want = judged == kJudgedEncodings.end() ? "WINDOWS-1252" : judged->second;
        EXPECT_EQ(doc.lyrics.textEncoding().name(), want) << file.filename();
    }
}

TEST(TextEncodingTest, AsciiAndUnsureTextsStayWindows1252) {
    // The last: one valid and one invalid UTF-8 text, not UTF-8.
    for (const std::vector<std::string_view>& texts : std::vector<std::vector<std::string_view>>{
             {"Twinkle twinkle", "little star"}, {}, {"\xC3\xBC", "perch\xE9"}})
        EXPECT_TRUE(detectTextEncoding(texts).isWindows1252()) << texts.size();
    EXPECT_TRUE(detectTextEncoding({"gr\xC3\xBC\xC3\x9F"}).isUtf8());
}

TEST(TextEncodingTest, MultiByteTextsWalkByCharacters) {
    const TextEncoding utf8 = TextEncoding::utf8();
    const std::string perche = "perch\xC3\xA9!"; // "perché!"
    // Byte 6 is inside "é": its start.
    EXPECT_EQ((std::vector{utf8.charCount(perche), utf8.byteOffset(perche, 6),
                           utf8.charIndex(perche, 7), utf8.charIndex(perche, 6),
                           utf8.charLength(perche, 5), utf8.charLengthBefore(perche, 7)}),
              (std::vector<std::size_t>{7, 7, 6, 5, 2, 2}));
    EXPECT_EQ(utf8.decode(perche), U"perch\u00E9!");
    // A stray byte is one unreadable character, so a walk never stops inside a text.
    EXPECT_TRUE(utf8.decode("a\xE9z") == U"a\uFFFDz" && utf8.charCount("a\xE9z") == 3u);
    EXPECT_FALSE(isValidUtf8("\xC0\xAF") || isValidUtf8("\xED\xA0\x80")); // overlong "/", surrogate

    const TextEncoding gbk = *TextEncoding::named("GBK");
    const std::string zhong = "\xD6\xD0"; // 中
    EXPECT_TRUE(gbk.decode("a" + zhong + "b") == U"a\u4E2Db" &&
                gbk.charCount("a" + zhong + "b") == 3u);
    EXPECT_EQ(gbk.encode(U'\u4E2D'), zhong);
}

TEST(TextEncodingTest, EncodingACharacterGivesItsBytesOrRefuses) {
    EXPECT_EQ(TextEncoding::utf8().encode(U'\u00FC'), "\xC3\xBC");
    EXPECT_EQ(TextEncoding().encode(U'\u20AC'), "\x80");
    EXPECT_EQ(TextEncoding::named("ISO-8859-1")->encode(U'\u20AC'), std::nullopt);
    EXPECT_EQ(TextEncoding::named("ISO-8859-15")->encode(U'\u20AC'), "\xA4");
    EXPECT_EQ(TextEncoding().encode(U'\u4E2D'), std::nullopt);
    EXPECT_EQ(TextEncoding::named("Windows-1251")->decode("\xC4\xE0"), U"\u0414\u0430");
    // Every byte of Windows-1252 reads and writes back as itself.
    const TextEncoding cp1252;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(cp1252.encode(cp1252.decodeAt(byte, 0)), byte) << b;
    }
    EXPECT_TRUE(toUtf8("\xFC", cp1252) == "\xC3\xBC" && fromUtf8("\xC3\xBC", cp1252) == "\xFC");
}

// What scripts learn from the tool: the detected encoding, the lyrics decoded from it or from a
// chosen one, and a song rewritten in UTF-8.
TEST(TextEncodingTest, ToolTellsReadsAndConvertsEncodings) {
    const fs::path corpus = CANTELO_CORPUS_DIR;
    const fs::path galician = corpus / "dmp__Negra_Sombra.kar";
    const fs::path korean = corpus / "m21__test21.mid";
    const fs::path italian = corpus / "dwm__eros_ramazzotti-piu_bella_cosa.mid";
    if (!fs::exists(galician) || !fs::exists(korean) || !fs::exists(italian))
        GTEST_SKIP() << "the corpus is missing";
    const auto run = [](const std::string& args) {
        int status = 0;
        const std::string out = test::commandOutput(CANTELO_TOOL_PATH " " + args, &status);
        return status == 0 ? out : "failed";
    };
    const auto quoted = [](const fs::path& p) { return "'" + p.string() + "'"; };
    EXPECT_NE(run("info " + quoted(galician)).find("text encoding: UTF-8\n"), std::string::npos);
    EXPECT_NE(run("lyrics " + quoted(korean) + " --utf8").find("\xEB\xB9\x9B\xEB\x82\xA0"),
              std::string::npos); // 빛날
    // "ó" read as Latin-1 is "Ã³".
    EXPECT_NE(run("lyrics " + quoted(galician) + " --encoding ISO-8859-1 --utf8 --syllables")
                  .find("\xC3\x83\xC2\xB3"),
              std::string::npos);
    EXPECT_EQ(run("lyrics " + quoted(galician) + " --encoding EBCDIC 2>/dev/null"), "failed");
    // A word typed in a UTF-8 terminal splits as its Windows-1252 bytes do.
    EXPECT_EQ(run("syllabify 'citt\xC3\xA0' 'citt\xE0'"), "CIT-TA\nCIT-TA\n");

    test::ScratchDir dir;
    const std::string out = (dir.path() / "utf8.mid").string();
    ASSERT_EQ(run("convert " + quoted(italian) + " '" + out + "' --to-utf8 2>/dev/null"),
              out + "\n");
    EXPECT_NE(run("info '" + out + "'").find("text encoding: UTF-8\n"), std::string::npos);
    EXPECT_NE(run("lyrics '" + out + "'").find("Com'\xC3\xA8 cominciata"), std::string::npos);
}

} // namespace
} // namespace cantelo
