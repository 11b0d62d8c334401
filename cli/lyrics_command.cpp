// cantelo-tool lyrics: the lyrics of a song as the editor has them after opening it.
#include "core/document/song_file.h"
#include "core/timing/time_map.h"
#include "open_document.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

using namespace cantelo;

namespace {

void writeBytes(const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
}

} // namespace

// lyrics FILE: one line per lyric line: its start position ("%04i.%02i.%03i"), a TAB and its
// text. lyrics FILE --syllables: one lyric item per line, S<TAB>tick<TAB>text for a syllable
// (the integer part of the tick; the text's bytes unchanged), B<TAB>tick for a line break.
int lyricsCommand(int argc, char** argv) {
    const bool syllables = argc == 3 && std::strcmp(argv[2], "--syllables") == 0;
    if (argc != 2 && !syllables) {
        std::fputs("usage: cantelo-tool lyrics FILE [--syllables]\n", stderr);
        return 1;
    }
    const auto doc = openDocumentForTool(argv[1]);
    if (!doc) return 2;
    LyricsDocument& lyrics = doc->lyrics;
    if (syllables) {
        for (const LyrItem* it = lyrics.lyrics().head(); it; it = it->next) {
            const auto tick = static_cast<std::int32_t>(it->tick);
            if (it->lineBreak) {
                std::printf("B\t%d\n", tick);
            } else {
                std::printf("S\t%d\t", tick);
                writeBytes(it->text);
                std::fputc('\n', stdout);
            }
        }
        return 0;
    }
    for (int line = 0; line < lyrics.lineCount(); ++line) {
        const std::int32_t start = std::max(lyrics.lineStartTick(line), 0);
        std::printf("%s\t", doc->song.timeMap().positionText(start).c_str());
        writeBytes(*lyrics.lineList().get(line));
        std::fputc('\n', stdout);
    }
    return 0;
}
