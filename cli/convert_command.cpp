// cantelo-tool convert: open and save a song exactly as the editor's Open and Save do.
#include "core/document/song_file.h"
#include "open_document.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using namespace cantelo;

namespace {

int usage() {
    std::fputs("usage: cantelo-tool convert IN OUT [--format 0|1] [--to-utf8]\n", stderr);
    return 1;
}

} // namespace

// convert IN OUT [--format 0|1] [--to-utf8]: without --format the song keeps the format it was
// read in. OUT's extension chooses the scrambled form (.nvk); a song read from a scrambled file
// is only written as .nvk, so ".nvk" is appended to OUT when it lacks it. --to-utf8 writes every
// text as UTF-8, as "Salva con Nome" offers to; a song with a text that does not read in its
// encoding is refused. Prints the path written.
int convertCommand(int argc, char** argv) {
    if (argc < 3) return usage();
    int formatChoice = 0;
    bool toUtf8 = false;
    for (int i = 3; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--to-utf8") {
            toUtf8 = true;
        } else if (a == "--format" && i + 1 < argc) {
            const std::string_view f = argv[++i];
            formatChoice = f == "0" ? kFormatChoice0 : f == "1" ? kFormatChoice1 : -1;
            if (formatChoice < 0) return usage();
        } else {
            return usage();
        }
    }
    const auto doc = openDocumentForTool(argv[1]);
    if (!doc) return 2;
    if (toUtf8 && utf8ConversionOf(*doc) == Utf8Conversion::Unreadable) {
        const std::string_view from = doc->lyrics.textEncoding().label();
        std::fprintf(stderr, "cantelo-tool: %s: %s (%.*s)\n", argv[1],
                     LanguageTexts()[ExtraTextId::ReasonUnreadableText].c_str(),
                     static_cast<int>(from.size()), from.data());
        return 3;
    }
    if (toUtf8) convertTextsToUtf8(*doc);
    if (formatChoice == 0) formatChoice = sameFormatChoice(doc->song);
    const SaveResult saved = saveSongFile(*doc, argv[2], formatChoice);
    if (saved.longLineWarning)
        std::fprintf(stderr, "cantelo-tool: %s\n", LanguageTexts()[TextId::LongLinesLine1].c_str());
    if (!saved.ok) {
        std::fprintf(stderr, "cantelo-tool: %s\n", saved.error.c_str());
        return 3;
    }
    std::printf("%s\n", saved.path.c_str());
    return 0;
}
