// cantelo-tool convert: open and save a song exactly as the editor's Open and Save do.
#include "open_document.h"
#include "core/document/song_file.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace cantelo;

// convert IN OUT [--format 0|1]: without --format the song keeps the format it was read in.
// OUT's extension chooses the scrambled form (.nvk); a song read from a scrambled file is only
// written as .nvk, so ".nvk" is appended to OUT when it lacks it. Prints the path written.
int convertCommand(int argc, char** argv) {
    int formatChoice = 0;
    if (argc == 5 && std::strcmp(argv[3], "--format") == 0) {
        if (std::strcmp(argv[4], "0") == 0)
            formatChoice = kFormatChoice0;
        else if (std::strcmp(argv[4], "1") == 0)
            formatChoice = kFormatChoice1;
    }
    if (argc != 3 && formatChoice == 0) {
        std::fputs("usage: cantelo-tool convert IN OUT [--format 0|1]\n", stderr);
        return 1;
    }
    const auto doc = openDocumentForTool(argv[1]);
    if (!doc) return 2;
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
