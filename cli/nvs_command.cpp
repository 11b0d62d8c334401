// cantelo-tool nvs-save / nvs-show: the syllable file from the command line.
#include "core/song/syllable_file.h"
#include "open_document.h"

#include <cstdio>
#include <memory>
#include <string>

using namespace cantelo;

// nvs-save SONG OUT.nvs: opens SONG as the editor does and saves its lyric list, timed at the
// song's division, to OUT.nvs (written as given, through a temporary file).
int nvsSaveCommand(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: cantelo-tool nvs-save SONG OUT.nvs\n", stderr);
        return 1;
    }
    const auto doc = openDocumentForTool(argv[1]);
    if (!doc) return 2;
    std::string error;
    if (!saveSyllableFile(argv[2], doc->lyrics.lyrics(), doc->song.division(), &error)) {
        std::fprintf(stderr, "cantelo-tool: %s\n", error.c_str());
        return 2;
    }
    return 0;
}

// nvs-show FILE.nvs: the division, then one record a line in the format of `lyrics
// --syllables`: S<TAB>tick<TAB>text (the text's bytes unchanged) or B<TAB>tick.
int nvsShowCommand(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: cantelo-tool nvs-show FILE.nvs\n", stderr);
        return 1;
    }
    SyllableFile file;
    switch (readSyllableFile(argv[1], file)) {
    case SyllableLoad::Loaded:
        break;
    case SyllableLoad::NotRecognised:
        std::fprintf(stderr, "cantelo-tool: %s is not a syllable file\n", argv[1]);
        return 2;
    default:
        std::fprintf(stderr, "cantelo-tool: cannot read %s, or it is empty\n", argv[1]);
        return 2;
    }
    std::printf("division: %d\n", file.division);
    for (const SyllableRecord& r : file.records) {
        if (r.lineBreak) {
            std::printf("B\t%d\n", r.tick);
        } else {
            std::printf("S\t%d\t", r.tick);
            std::fwrite(r.text.data(), 1, r.text.size(), stdout);
            std::fputc('\n', stdout);
        }
    }
    if (file.truncated)
        std::fprintf(stderr,
                     "cantelo-tool: %s: the last record runs past the end of the file "
                     "and was not read\n",
                     argv[1]);
    return 0;
}
