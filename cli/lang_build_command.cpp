// cantelo-tool lang-build: turns the readable table of the shipped languages into the language
// file the editor reads.
#include "core/files/atomic_file.h"
#include "core/files/regular_file.h"
#include "core/language/language.h"
#include "core/language/language_source.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

using namespace cantelo;

// lang-build SRC OUT: SRC is the UTF-8 table (see core/language/language_source.h), OUT the
// scrambled language file. OUT is replaced only when the whole table is valid; every fault is
// reported with its line.
int langBuildCommand(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: cantelo-tool lang-build SRC OUT\n", stderr);
        return 1;
    }
    std::vector<std::uint8_t> table;
    // An empty source is no read error: the parser says what it lacks.
    if (const Result read = readFileImage(argv[1], kMaxLanguageFileBytes, table);
        !read && read.reason != FailureReason::Empty) {
        const LanguageTexts italian;
        std::fprintf(stderr, "cantelo-tool: %s: %s\n", argv[1],
                     reasonText(italian, read.reason).c_str());
        return 2;
    }
    std::string error;
    const auto source =
        parseLanguageSource({reinterpret_cast<const char*>(table.data()), table.size()}, &error);
    if (!source) {
        std::fprintf(stderr, "cantelo-tool: %s: %s\n", argv[1], error.c_str());
        return 3;
    }
    const auto bytes = buildLanguageFile(source->codes, source->blocks, source->extras, &error);
    if (!bytes) {
        std::fprintf(stderr, "cantelo-tool: %s: %s\n", argv[1], error.c_str());
        return 3;
    }
    if (!writeFileReplacing(argv[2], *bytes, &error)) {
        std::fprintf(stderr, "cantelo-tool: %s\n", error.c_str());
        return 4;
    }
    return 0;
}
