// cantelo-tool syllabify: the Italian syllable split of words, as "Sillaba" analyses them.
#include "core/lyrics/syllabify.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

using namespace cantelo;

namespace {

void printSyllabified(std::string_view word) {
    const std::string result = SyllabifyWord(syllabifyAnalysisCopy(word));
    std::fwrite(result.data(), 1, result.size(), stdout);
    std::fputc('\n', stdout);
}

} // namespace

// syllabify [WORD ...]: for each word (the arguments, else one a line from standard input, bytes
// as they come), its analysis copy (accents folded, upper case) with "-" at each boundary.
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
