#include "core/language/language_extension.h"

#include "core/language/language.h"

#include <algorithm>

namespace cantelo {

namespace {

struct ExtraText {
    std::string_view name;
    std::string_view italian;
    std::string_view english;
};

constexpr ExtraText kExtraTexts[] = {
#define CANTELO_EXTRA_TEXT_ROW(name, italian, english) {#name, italian, english},
    CANTELO_EXTRA_TEXTS(CANTELO_EXTRA_TEXT_ROW)
#undef CANTELO_EXTRA_TEXT_ROW
};

static_assert(std::size(kExtraTexts) == kExtraTextCount);
static_assert(kExtraTextCount <= 255, "ExtraTextId is one byte");

constexpr bool namesFitTheirLengthByte() {
    for (const ExtraText& t : kExtraTexts)
        if (t.name.empty() || t.name.size() > kMaxExtraNameLength) return false;
    return true;
}
static_assert(namesFitTheirLengthByte());

constexpr std::size_t kSectionHeaderSize = 5;

bool validIndex(int index) {
    return index >= 0 && index < kExtraTextCount;
}

void putLittleEndian(std::vector<std::uint8_t>& out, std::size_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::size_t littleEndian(std::span<const std::uint8_t> in, std::size_t at, int bytes) {
    std::size_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in[at + static_cast<std::size_t>(i)];
    return value;
}

bool storable(std::string_view text) {
    return text.size() <= kMaxLanguageTextLength &&
           text.find_first_of(std::string_view("\r\0", 2)) == std::string_view::npos;
}

// Reads the entries of one section into `texts`. `section` holds exactly the section's entries
// (or what is left of them in a cut file); reading stops at the first entry that does not fit.
void readEntries(std::span<const std::uint8_t> section, ExtraBlock& texts) {
    std::size_t pos = 0;
    while (pos < section.size()) {
        const std::size_t nameLength = section[pos++];
        if (nameLength == 0 || section.size() - pos < nameLength + 2) return;
        const std::string_view name(reinterpret_cast<const char*>(&section[pos]), nameLength);
        pos += nameLength;
        const std::size_t textLength = littleEndian(section, pos, 2);
        pos += 2;
        if (section.size() - pos < textLength) return;
        const std::string_view text(reinterpret_cast<const char*>(&section[pos]), textLength);
        pos += textLength;

        const int index = extraTextIndex(name);
        if (index < 0 || !storable(text)) continue;
        auto& slot = texts[static_cast<std::size_t>(index)];
        if (!slot) slot.emplace(text);
    }
}

} // namespace

std::string_view extraTextName(int index) {
    return validIndex(index) ? kExtraTexts[index].name : std::string_view();
}

int extraTextIndex(std::string_view name) {
    for (int i = 0; i < kExtraTextCount; ++i)
        if (kExtraTexts[i].name == name) return i;
    return -1;
}

std::string_view builtInExtraText(int index, bool english) {
    if (!validIndex(index)) return {};
    return english ? kExtraTexts[index].english : kExtraTexts[index].italian;
}

bool appendLanguageExtension(std::vector<std::uint8_t>& plain,
                             const std::vector<ExtraBlock>& blocks, std::string* error) {
    std::vector<std::uint8_t> out(kLanguageExtensionTag.begin(), kLanguageExtensionTag.end());
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        std::vector<std::uint8_t> entries;
        for (int i = 0; i < kExtraTextCount; ++i) {
            const auto& text = blocks[k][static_cast<std::size_t>(i)];
            if (!text) continue;
            if (!storable(*text)) {
                if (error)
                    *error = std::string(extraTextName(i)) + " of language " + std::to_string(k) +
                             " is longer than 355 bytes or holds a carriage return or a NUL";
                return false;
            }
            const std::string_view name = extraTextName(i);
            putLittleEndian(entries, name.size(), 1);
            entries.insert(entries.end(), name.begin(), name.end());
            putLittleEndian(entries, text->size(), 2);
            entries.insert(entries.end(), text->begin(), text->end());
        }
        if (entries.empty()) continue;
        putLittleEndian(out, k, 1);
        putLittleEndian(out, entries.size(), 4);
        out.insert(out.end(), entries.begin(), entries.end());
    }
    plain.insert(plain.end(), out.begin(), out.end());
    return true;
}

std::optional<ExtraBlock> readLanguageExtension(std::span<const std::uint8_t> plain, std::size_t at,
                                                int k) {
    const std::size_t tagSize = kLanguageExtensionTag.size();
    if (at > plain.size() || plain.size() - at < tagSize) return std::nullopt;
    const std::span<const std::uint8_t> tag = plain.subspan(at, tagSize);
    if (!std::equal(tag.begin(), tag.end(), kLanguageExtensionTag.begin())) return std::nullopt;
    ExtraBlock texts;
    std::size_t pos = at + tagSize;
    while (plain.size() - pos >= kSectionHeaderSize) {
        const int language = plain[pos];
        const std::size_t size = littleEndian(plain, pos + 1, 4);
        pos += kSectionHeaderSize;
        // A cut file keeps the entries it still holds.
        const std::size_t available = std::min(size, plain.size() - pos);
        if (language == k) readEntries(plain.subspan(pos, available), texts);
        pos += available;
    }
    return texts;
}

} // namespace cantelo
