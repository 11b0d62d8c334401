// cantelo-tool lyrics: the lyrics of a song as the editor has them after opening it.
#include "core/document/song_file.h"
#include "core/timing/time_map.h"
#include "open_document.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

using namespace cantelo;

namespace {

void writeBytes(const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
}

int usage() {
    std::fputs("usage: cantelo-tool lyrics FILE [--syllables] [--encoding NAME] [--utf8]\n",
               stderr);
    return 1;
}

} // namespace

// lyrics FILE: one line per lyric line: its start position ("%04i.%02i.%03i"), a TAB and its
// text. lyrics FILE --syllables: one lyric item per line, S<TAB>tick<TAB>text for a syllable
// (the integer part of the tick), B<TAB>tick for a line break. Texts are the song's bytes
// unchanged; with --utf8 they are decoded to UTF-8 from the song's encoding, the detected one
// or, with --encoding NAME, the one named (as the "Codifica testo" menu re-reads the song).
int lyricsCommand(int argc, char** argv) {
    bool syllables = false;
    bool utf8 = false;
    std::optional<TextEncoding> chosen;
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--syllables") {
            syllables = true;
        } else if (a == "--utf8") {
            utf8 = true;
        } else if (a == "--encoding" && i + 1 < argc) {
            chosen = TextEncoding::named(argv[++i]);
            if (!chosen) return unknownEncoding(argv[i]);
        } else {
            return usage();
        }
    }
    if (argc < 2) return usage();
    const auto doc = openDocumentForTool(argv[1]);
    if (!doc) return 2;
    LyricsDocument& lyrics = doc->lyrics;
    if (chosen) lyrics.setTextEncoding(*chosen);
    const auto text = [&](const std::string& bytes) {
        writeBytes(utf8 ? toUtf8(bytes, lyrics.textEncoding()) : bytes);
    };
    if (syllables) {
        for (const LyrItem* it = lyrics.lyrics().head(); it; it = it->next) {
            const auto tick = static_cast<std::int32_t>(it->tick);
            if (it->lineBreak) {
                std::printf("B\t%d\n", tick);
            } else {
                std::printf("S\t%d\t", tick);
                text(it->text);
                std::fputc('\n', stdout);
            }
        }
        return 0;
    }
    for (int line = 0; line < lyrics.lineCount(); ++line) {
        const std::int32_t start = std::max(lyrics.lineStartTick(line), 0);
        std::printf("%s\t", doc->song.timeMap().positionText(start).c_str());
        text(*lyrics.lineList().get(line));
        std::fputc('\n', stdout);
    }
    return 0;
}
