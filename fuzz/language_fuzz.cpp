// Any bytes, as a language file beside the editor: the blocks and the extension section must be
// read without reading outside the file, and every text taken must be one the writer could have
// stored.
#include "core/language/language.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace cantelo;

namespace {

void failed(const char* what) {
    std::fprintf(stderr, "broken language invariant: %s\n", what);
    std::abort();
}
#define check(x) ((x) ? void() : failed(#x))

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = LanguageFile::fromStored(std::vector<std::uint8_t>(data, data + size));
    if (!file) return 0;
    check(file->languages().size() <= static_cast<std::size_t>(kMaxLanguages));
    LanguageTexts texts;
    for (const LanguageEntry& language : file->languages()) {
        const auto block = file->block(language.index);
        for (const std::string& text : *block) check(text.size() <= kMaxLanguageTextLength);
        if (const auto extras = file->extraBlock(language.index))
            for (const auto& text : *extras)
                check(!text ||
                      (text->size() <= kMaxLanguageTextLength &&
                       text->find_first_of(std::string_view("\r\0", 2)) == std::string::npos));
        check(texts.apply(*file, language.index));
    }
    return 0;
}
