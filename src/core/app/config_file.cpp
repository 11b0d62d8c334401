#include "core/app/config_file.h"

#include "core/files/atomic_file.h"
#include "core/files/regular_file.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace cantelo {

namespace {

// The thirteen big-endian 16-bit values from offset 1, in file order.
constexpr std::array<int Configuration::*, 13> kGeometry = {
    &Configuration::mainWidth,
    &Configuration::mainHeight,
    &Configuration::editorLeft,
    &Configuration::editorTop,
    &Configuration::editorClientHeight,
    &Configuration::editorClientWidth,
    &Configuration::eventPanelLeft,
    &Configuration::eventPanelTop,
    &Configuration::eventPanelClientWidth,
    &Configuration::monitorLeft,
    &Configuration::monitorTop,
    &Configuration::monitorClientHeight,
    &Configuration::monitorClientWidth,
};

constexpr std::size_t kGeometryOffset = 1;
constexpr std::size_t kTextColourOffset = 27;
constexpr std::size_t kSyllableColourOffset = 30;
constexpr std::size_t kNameOffset = 33;
constexpr std::uint8_t kCarriageReturn = 0x0D;

std::filesystem::path configPath(const std::filesystem::path& folder) {
    return folder / kConfigFileName;
}

std::uint8_t clampedByte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// The colour at `at` (red first), or `fallback` when the bytes end inside it.
std::uint32_t colourAt(std::span<const std::uint8_t> bytes, std::size_t at,
                       std::uint32_t fallback) {
    if (at + 3 > bytes.size()) return fallback;
    return bytes[at] | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16;
}

void appendColour(std::vector<std::uint8_t>& out, std::uint32_t c) {
    for (int shift = 0; shift < 24; shift += 8)
        out.push_back(static_cast<std::uint8_t>(c >> shift));
}

bool readAll(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
    const Result read = readFileImage(path.string(), kMaxConfigFileBytes, out);
    return read || read.reason == FailureReason::Empty;
}

} // namespace

Configuration parseConfiguration(std::span<const std::uint8_t> bytes) {
    Configuration c;
    if (!bytes.empty()) c.deviceIndex = bytes[0];
    for (std::size_t i = 0; i < kGeometry.size(); ++i) {
        const std::size_t at = kGeometryOffset + 2 * i;
        if (at + 2 > bytes.size()) break;
        c.*kGeometry[i] = bytes[at] << 8 | bytes[at + 1];
    }
    c.textColour = colourAt(bytes, kTextColourOffset, c.textColour);
    c.syllableColour = colourAt(bytes, kSyllableColourOffset, c.syllableColour);
    if (bytes.size() <= kNameOffset) return c;

    const auto name = bytes.subspan(kNameOffset);
    const auto cr = std::find(name.begin(), name.end(), kCarriageReturn);
    // The name was a C string: a NUL inside it ends it, but the record goes on to the CR.
    c.backgroundName.assign(name.begin(), std::find(name.begin(), cr, std::uint8_t{0}));
    if (cr != name.end() && cr + 1 != name.end()) c.languageIndex = *(cr + 1);
    return c;
}

std::vector<std::uint8_t> configurationBytes(const Configuration& settings) {
    std::vector<std::uint8_t> out;
    out.reserve(kNameOffset + settings.backgroundName.size() + 2);
    out.push_back(clampedByte(settings.deviceIndex));
    for (const auto field : kGeometry) {
        const int v = std::clamp(settings.*field, 0, 0xFFFF);
        out.push_back(static_cast<std::uint8_t>(v >> 8));
        out.push_back(static_cast<std::uint8_t>(v));
    }
    appendColour(out, settings.textColour);
    appendColour(out, settings.syllableColour);
    const std::string_view name = settings.backgroundName;
    const std::string_view stored = name.substr(0, name.find_first_of(std::string_view("\r\0", 2)));
    out.insert(out.end(), stored.begin(), stored.end());
    out.push_back(kCarriageReturn);
    out.push_back(clampedByte(settings.languageIndex));
    return out;
}

Configuration readConfiguration(const std::filesystem::path& folder, bool* found) {
    std::vector<std::uint8_t> bytes;
    const bool ok = readAll(configPath(folder), bytes);
    if (found) *found = ok;
    return ok ? parseConfiguration(bytes) : Configuration{};
}

bool writeConfiguration(const std::filesystem::path& folder, const Configuration& settings,
                        std::string* error) {
    std::error_code ec;
    // A first start may find no settings folder at all; the write below reports any failure.
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    return writeFileReplacing(configPath(folder).string(), configurationBytes(settings), error);
}

bool storeOutputDevice(const std::filesystem::path& folder, int index) {
    std::vector<std::uint8_t> bytes;
    if (!readAll(configPath(folder), bytes)) return false;
    if (bytes.empty()) bytes.push_back(0);
    bytes[0] = clampedByte(index);
    return writeFileReplacing(configPath(folder).string(), bytes, nullptr);
}

bool configuredLanguageForMessage(const std::filesystem::path& folder) {
    const std::filesystem::path path = configPath(folder);
    // Only the last byte matters: one read, whatever the file's size, and never a blocking one.
    RegularFileReader file;
    if (!file.open(path.string(), kMaxConfigFileBytes)) return false;
    std::uint8_t last = 0;
    return file.readAt(file.size() - 1, {&last, 1}) && last != 0;
}

} // namespace cantelo
