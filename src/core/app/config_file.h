#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

inline constexpr std::string_view kConfigFileName = "config.cne";

// The editor's settings as config.cne stores them; the member initialisers are the settings of a
// first start. Geometry is in pixels; a value outside 0..65535 is stored clamped into it.
// Colours are 0xBBGGRR.
struct Configuration {
    int deviceIndex = 0; // entry of the output-device menu; stored as one byte
    int mainWidth = 1010;
    int mainHeight = 640;
    int editorLeft = 1;
    int editorTop = 2;
    int editorClientHeight = 497;
    int editorClientWidth = 267;
    int eventPanelLeft = 277;
    int eventPanelTop = 1;
    int eventPanelClientWidth = 713; // its client height is always 189
    int monitorLeft = 279;
    int monitorTop = 225;
    int monitorClientHeight = 274;
    int monitorClientWidth = 712;
    std::uint32_t textColour = 0xFFFFFF;
    std::uint32_t syllableColour = 0x00F0F0;
    std::string backgroundName; // file name inside "BackGround"; empty for none
    int languageIndex = 0;      // stored as one byte

    bool operator==(const Configuration&) const = default;
};

// The settings a record holds. Fields the bytes do not reach keep their defaults (a file cut
// short, or a background name without its carriage return, which also leaves the language 0);
// nothing outside the bytes is read.
Configuration parseConfiguration(std::span<const std::uint8_t> bytes);

// The record for `settings`: 35 bytes plus the background name. A background name is cut at its
// first carriage return or NUL, which the record could not hold.
std::vector<std::uint8_t> configurationBytes(const Configuration& settings);

// Reads config.cne in `folder`; the defaults when it is missing or unreadable. `found`, when
// given, tells whether the file was read. User-interface thread at start-up.
Configuration readConfiguration(const std::filesystem::path& folder, bool* found = nullptr);

// Writes the whole record to config.cne in `folder` (created when missing) through a temporary
// file renamed over the old one, so a failed write keeps the previous settings. False, with the
// reason in `error` when given, on failure.
bool writeConfiguration(const std::filesystem::path& folder, const Configuration& settings,
                        std::string* error = nullptr);

// Changes the device byte of an existing config.cne and nothing else; false, and no file
// created, when there is none yet (the close writes it).
bool storeOutputDevice(const std::filesystem::path& folder, int index);

// Whether a second start's "already running" message is English: true when config.cne exists
// and its last byte is not 0. Reads only that byte.
bool configuredLanguageForMessage(const std::filesystem::path& folder);

} // namespace cantelo
