// cantelo-tool lang-build: turns the readable table of the shipped languages into the language
// file the editor reads.
#include "core/song/atomic_file.h"
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
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream table;
    if (in) table << in.rdbuf(); // an empty file inserts nothing, which is not a read error
    if (!in || in.bad()) {
        std::fprintf(stderr, "cantelo-tool: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string error;
    const auto source = parseLanguageSource(table.view(), &error);
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
