// cantelo-tool syllabify: the Italian syllable split of words, as "Sillaba" analyses them.
#include "core/lyrics/syllabify.h"
#include "core/lyrics/text_encoding.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

using namespace cantelo;

namespace {

void printSyllabified(std::string_view word) {
    // A terminal today hands us UTF-8; the splitter works on Windows-1252 cells, so such a word
    // goes in as those cells and its split comes back in UTF-8. Other bytes go in as they come.
    const TextEncoding windows1252;
    std::optional<std::string> cells;
    if (!isAscii(word) && isValidUtf8(word)) cells = fromUtf8(word, windows1252);
    std::string result = SyllabifyWord(syllabifyAnalysisCopy(cells ? *cells : word));
    if (cells) result = toUtf8(result, windows1252);
    std::fwrite(result.data(), 1, result.size(), stdout);
    std::fputc('\n', stdout);
}

} // namespace

// syllabify [WORD ...]: for each word (the arguments, else one a line from standard input; UTF-8
// or Windows-1252 bytes), its analysis copy (accents folded, upper case) with "-" at each boundary.
int syllabifyCommand(int argc, char** argv) {
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) printSyllabified(argv[i]);
        return 0;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        printSyllabified(line);
    }
    return 0;
}
