// cantelo-tool import-text: the lyric list that importing a text file gives.
#include "core/lyrics/lyrics_model.h"
#include "core/lyrics/syllabify.h"
#include "core/lyrics/text_tools.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace cantelo;

// import-text FILE.txt [--syllabify]: imports the file into an empty lyric document as "Importa
// Testo" does (words, breaks, wrap, padding to 36 lines), optionally splits the syllables as
// "Sillaba" does, and prints one record a line in the format of `lyrics --syllables`:
// S<TAB>tick<TAB>text (the text's bytes unchanged) or B<TAB>tick.
int importTextCommand(int argc, char** argv) {
    const bool syllabify = argc == 3 && std::strcmp(argv[2], "--syllabify") == 0;
    if (argc != 2 && !syllabify) {
        std::fputs("usage: cantelo-tool import-text FILE.txt [--syllabify]\n", stderr);
        return 1;
    }
    auto doc = std::make_unique<LyricsDocument>();
    if (!importTextFile(doc->lyrics(), argv[1])) {
        std::fprintf(stderr, "cantelo-tool: cannot read %s, or it is empty\n", argv[1]);
        return 2;
    }
    doc->BuildLineList();
    doc->PadLines();
    if (syllabify) syllabifyLyrics(doc->lyrics(), doc->scratchList());
    for (const LyrItem* it = doc->lyrics().head(); it; it = it->next) {
        const auto tick = static_cast<std::int32_t>(it->tick);
        if (it->lineBreak) {
            std::printf("B\t%d\n", tick);
        } else {
            std::printf("S\t%d\t", tick);
            std::fwrite(it->text.data(), 1, it->text.size(), stdout);
            std::fputc('\n', stdout);
        }
    }
    return 0;
}
