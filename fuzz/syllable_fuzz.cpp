// Any bytes, as a syllable file the user loads over the lyrics: the reader must stay inside the
// image, and what it reads must survive the writer, so that a loaded file saved and loaded again
// gives the same file.
#include "core/song/indexed_lists.h"
#include "core/song/syllable_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace cantelo;

namespace {

void failed(const char* what) {
    std::fprintf(stderr, "broken syllable-file invariant: %s\n", what);
    std::abort();
}
#define check(x) ((x) ? void() : failed(#x))

std::vector<std::uint8_t> loadAndStore(const SyllableFile& file) {
    TItemLyr list;
    applySyllables(file, list);
    return encodeSyllables(list, file.division);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SyllableFile file;
    const SyllableLoad status = parseSyllableImage({data, size}, file);
    check(status == SyllableLoad::Loaded || status == SyllableLoad::Unreadable ||
          status == SyllableLoad::NotRecognised);
    if (status != SyllableLoad::Loaded) return 0;
    check(file.division >= 0 && file.division <= 0xFFFF);
    // Every record takes at least five bytes after the six of the header.
    check(file.records.size() <= (size - 6) / 5);
    for (const SyllableRecord& r : file.records) {
        check(r.text.size() <= 255);
        check(!r.lineBreak || r.text.empty());
    }

    // The writer's image must read back without loss and then stay the same.
    const std::vector<std::uint8_t> first = loadAndStore(file);
    SyllableFile reread;
    check(parseSyllableImage(first, reread) == SyllableLoad::Loaded);
    check(!reread.truncated && reread.division == file.division);
    check(loadAndStore(reread) == first);
    return 0;
}
