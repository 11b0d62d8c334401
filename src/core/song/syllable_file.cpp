#include "core/song/syllable_file.h"

#include "core/files/atomic_file.h"
#include "core/files/regular_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

namespace cantelo {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::size_t kMaxSyllableBytes = 255;

std::int32_t integerTick(double tick) {
    if (std::isnan(tick)) return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(tick, lo, hi)));
}

void appendLe32(std::vector<std::uint8_t>& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

std::int32_t le32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                     (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24));
}

void appendBreak(std::vector<std::uint8_t>& out, std::int32_t tick) {
    out.push_back(0x01);
    out.push_back(kCr);
    appendLe32(out, tick);
}

// How many bytes of `text` make the longest run of whole characters that fits in one record; at
// least one character, and at most the record's limit even for a character longer than that.
std::size_t recordLength(std::string_view text, const CharacterLength& charLength) {
    if (!charLength || text.size() <= kMaxSyllableBytes)
        return std::min(text.size(), kMaxSyllableBytes);
    std::size_t n = 0;
    while (n < text.size()) {
        const std::size_t next = n + std::max<std::size_t>(charLength(text, n), 1);
        if (next > kMaxSyllableBytes) break;
        n = next;
    }
    return n == 0 ? kMaxSyllableBytes : n;
}

void appendSyllable(std::vector<std::uint8_t>& out, std::string_view text, std::int32_t tick,
                    const CharacterLength& charLength) {
    while (!text.empty()) {
        if (static_cast<std::uint8_t>(text.front()) == kCr) {
            appendBreak(out, tick);
            text.remove_prefix(1);
            continue;
        }
        const std::string_view piece = text.substr(0, recordLength(text, charLength));
        out.push_back(static_cast<std::uint8_t>(piece.size()));
        out.insert(out.end(), piece.begin(), piece.end());
        appendLe32(out, tick);
        text.remove_prefix(piece.size());
    }
}

} // namespace

std::vector<std::uint8_t> encodeSyllables(const TItemLyr& list, std::int32_t division,
                                          const CharacterLength& charLength) {
    std::vector<std::uint8_t> out = {'N', 'V', 'S', 'L'};
    out.push_back(static_cast<std::uint8_t>(division));
    out.push_back(static_cast<std::uint8_t>(division >> 8));
    for (const LyrItem* it = list.head(); it; it = it->next) {
        const std::int32_t tick = integerTick(it->tick);
        if (it->lineBreak)
            appendBreak(out, tick);
        else
            appendSyllable(out, it->text, tick, charLength);
    }
    return out;
}

bool saveSyllableFile(const std::string& path, const TItemLyr& list, std::int32_t division,
                      std::string* error, int* errnoValue, const CharacterLength& charLength) {
    return writeFileReplacing(path, encodeSyllables(list, division, charLength), error, errnoValue);
}

SyllableLoad parseSyllableImage(std::span<const std::uint8_t> image, SyllableFile& out) {
    out = SyllableFile{};
    if (image.empty()) return SyllableLoad::Unreadable;
    if (image.size() < 6 || std::memcmp(image.data(), "NVSL", 4) != 0)
        return SyllableLoad::NotRecognised;
    out.division = image[4] | (image[5] << 8);
    const std::uint8_t* p = image.data();
    const std::size_t size = image.size();
    std::size_t pos = 6;
    while (pos < size) {
        // A record whose second byte is 0x0D is a break, whatever its first byte.
        if (size - pos >= 2 && p[pos + 1] == kCr) {
            if (size - pos < 6) break;
            out.records.push_back({std::string(), le32(p + pos + 2), true});
            pos += 6;
            continue;
        }
        const std::size_t len = p[pos];
        if (size - pos < 1 + len + 4) break;
        out.records.push_back({std::string(reinterpret_cast<const char*>(p + pos + 1), len),
                               le32(p + pos + 1 + len), false});
        pos += 1 + len + 4;
    }
    out.truncated = pos < size;
    return SyllableLoad::Loaded;
}

SyllableLoad readSyllableFile(const std::string& path, SyllableFile& out) {
    out = SyllableFile{};
    std::vector<std::uint8_t> image;
    const Result read = readFileImage(path, kMaxSyllableFileBytes, image);
    if (!read && read.reason != FailureReason::Empty) return SyllableLoad::Unreadable;
    return parseSyllableImage(image, out);
}

void applySyllables(const SyllableFile& file, TItemLyr& list) {
    list.clear();
    for (const SyllableRecord& r : file.records)
        list.add(r.text, r.lineBreak ? 1 : 0, static_cast<double>(r.tick));
}

SyllableLoad loadSyllableFile(const std::string& path, TItemLyr& list, std::int32_t songDivision,
                              const std::function<bool()>& confirmDivision) {
    SyllableFile file;
    const SyllableLoad status = readSyllableFile(path, file);
    if (status != SyllableLoad::Loaded) return status;
    if (file.division != songDivision && !(confirmDivision && confirmDivision()))
        return SyllableLoad::Cancelled;
    applySyllables(file, list);
    return SyllableLoad::Loaded;
}

} // namespace cantelo
