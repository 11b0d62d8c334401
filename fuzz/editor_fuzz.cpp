// Any bytes, as a song the user opens and edits: the input's tail is a short sequence of editing
// keys and commands applied through the document. Whatever was opened and edited, once saved the
// song must settle: reopening a save and saving it again gives the same bytes.
#include "core/document/editor_document.h"
#include "core/document/song_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace cantelo;
namespace fs = std::filesystem;

namespace {

void failed(const char* what) {
    std::fprintf(stderr, "broken editor invariant: %s\n", what);
    std::abort();
}
#define check(x) ((x) ? void() : failed(#x))

// One folder per fuzzing process, removed when it ends. The path is never destroyed: the exit
// handler runs after the destructors of statics made later than it was registered.
const fs::path& scratch() {
    static const fs::path* dir = [] {
        char name[] = "/tmp/cantelo_editor_fuzz.XXXXXX";
        if (!::mkdtemp(name)) failed("cannot make a scratch folder");
        auto* path = new fs::path(name);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(scratch(), ec);
        });
        return path;
    }();
    return *dir;
}

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Letters, a space, an apostrophe and a few others that the text tools treat specially.
constexpr char kTyped[] = "aeio lrstAE.,'-";

void apply(EditorDocument& doc, std::uint8_t op) {
    LyricsEditor& ed = doc.editor();
    const int arg = op >> 4;
    switch (op & 0x0F) {
    case 0:
    case 1:
    case 2:
        ed.typeCharacter(kTyped[arg % (sizeof kTyped - 1)]);
        break;
    case 3:
        ed.pressEnter();
        break;
    case 4:
        ed.pressBackspace();
        break;
    case 5:
        ed.pressDelete();
        break;
    case 6:
        switch (arg & 3) {
        case 0:
            ed.moveLeft();
            break;
        case 1:
            ed.moveRight();
            break;
        case 2:
            ed.moveUp();
            break;
        default:
            ed.moveDown();
            break;
        }
        break;
    case 7:
        ed.setCursor(arg, arg * 3);
        break;
    case 8:
        switch (arg % 6) {
        case 0:
            doc.syllabify();
            break;
        case 1:
            doc.textCase(LetterCase::Upper);
            break;
        case 2:
            doc.textCase(LetterCase::Lower);
            break;
        case 3:
            doc.syllableStartCase(LetterCase::Upper);
            break;
        case 4:
            doc.adaptText();
            break;
        default:
            doc.joinSyllables();
            break;
        }
        break;
    case 9:
        doc.bindToMelody();
        break;
    case 10:
        doc.undo();
        break;
    case 11:
        doc.redo();
        break;
    case 12:
        doc.setReference(arg * 240);
        break;
    case 13:
        ed.setBindStartLine(arg);
        break;
    case 14:
        doc.shiftToFirstNote();
        break;
    default:
        doc.setKeepBound(arg & 1);
        break;
    }
}

std::string saveAs(EditorDocument& doc, const char* name, int formatChoice) {
    const WriteOutcome saved = doc.save((scratch() / name).string(), formatChoice);
    return saved.result ? saved.path : std::string();
}

} // namespace

// The last byte gives the number of operation bytes before it (up to 48) and, in its top bit,
// the format to save in; the bytes before those are the song.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t last = data[size - 1];
    const std::size_t opCount = std::min<std::size_t>((last & 0x7F) % 49, size - 1);
    const std::size_t songSize = size - 1 - opCount;
    const int format = last & 0x80 ? kFormatChoice1 : kFormatChoice0;

    const std::string input = (scratch() / "in.mid").string();
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(songSize));
    }
    EditorDocument doc;
    if (!doc.open(input)) return 0;
    for (std::size_t i = 0; i < opCount; ++i) apply(doc, data[songSize + i]);
    const std::string first = saveAs(doc, "a.mid", format);
    if (first.empty()) return 0;

    // The first save may still change on a reopen (a line the edits made too long is wrapped);
    // the save of that reopened song must be final.
    EditorDocument reopened;
    check(reopened.open(first).ok());
    const std::string second = saveAs(reopened, "b.mid", format);
    check(!second.empty());
    if (fileBytes(second) == fileBytes(first)) return 0;
    EditorDocument again;
    check(again.open(second).ok());
    const std::string third = saveAs(again, "c.mid", format);
    check(!third.empty());
    check(fileBytes(third) == fileBytes(second));
    return 0;
}
