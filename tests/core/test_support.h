#pragma once

// What the test files share beyond file images: a scratch folder per test, whole files as
// bytes, commands run for their output, the corpus listing, and songs built event by event.

#include "core/playback/midi_output.h"
#include "core/song/midi_song.h"
#include "smf_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace cantelo::test {

namespace fs = std::filesystem;

// A fresh folder named after the running test, removed with the object.
class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "";
        std::replace(name.begin(), name.end(), '/', '_');
        m_path = fs::temp_directory_path() / ("cantelo_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return m_path; }
    fs::path operator/(const fs::path& rel) const { return m_path / rel; }

private:
    fs::path m_path;
};

inline Bytes fileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string fileText(const fs::path& p) {
    const Bytes b = fileBytes(p);
    return {b.begin(), b.end()};
}

// Writes `bytes` as the whole file; returns the path as a string, as the code under test takes it.
inline std::string writeFile(const fs::path& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p.string();
}
inline std::string writeFile(const fs::path& p, const Bytes& b) {
    return writeFile(p, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

// Everything a shell command prints on its standard output; `status` gets its exit status.
inline std::string commandOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    std::FILE* p = ::popen(command.c_str(), "r");
    if (!p) {
        if (status) *status = -1;
        return out;
    }
    char buf[65536];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int rc = ::pclose(p);
    if (status) *status = rc;
    return out;
}

// The corpus files with one of `extensions` (".mid" ...), sorted; none when it is absent.
inline std::vector<fs::path> corpusFiles(std::initializer_list<std::string_view> extensions) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(CANTELO_CORPUS_DIR, ec))
        if (std::find(extensions.begin(), extensions.end(), e.path().extension().string()) !=
            extensions.end())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Songs built in memory: the channel's track (created on first use) and its events.
inline CChannelTrack* trackOf(CMidiSong& song, int ch) {
    if (CChannelTrack* t = song.findTrack(ch)) return t;
    CChannelTrack templ;
    templ.channel = ch;
    return song.createTrack(templ);
}
inline CObjectEventNote* addNote(CMidiSong& song, int ch, std::int32_t tick, std::int32_t off,
                                 int key, int vel = 100) {
    CObjectEventNote* n = song.newNote(trackOf(song, ch));
    n->tick = tick;
    n->offTick = off;
    n->key = key;
    n->velocity = vel;
    return n;
}
inline CObjectEventControlChange* addControl(CMidiSong& song, int ch, std::int32_t tick,
                                             int controller, int value) {
    CObjectEventControlChange* e = song.newControlChange(trackOf(song, ch));
    e->tick = tick;
    e->controller = controller;
    e->value = value;
    song.addChase(e, ch);
    return e;
}
inline CObjectEventProgramChange* addProgram(CMidiSong& song, int ch, std::int32_t tick,
                                             int program) {
    CObjectEventProgramChange* e = song.newProgramChange(trackOf(song, ch));
    e->tick = tick;
    e->program = program;
    song.addChase(e, ch);
    return e;
}

// Short messages as the outputs receive them.
constexpr std::uint32_t shortMessage(int status, int a, int b = 0) {
    return packShort(static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(a),
                     static_cast<std::uint8_t>(b));
}
inline constexpr auto noteOn = [](int ch, int key, int vel) {
    return shortMessage(0x90 | ch, key, vel);
};
inline constexpr auto noteOff = [](int ch, int key) { return shortMessage(0x80 | ch, key); };
inline constexpr auto control = [](int ch, int cc, int v) {
    return shortMessage(0xB0 | ch, cc, v);
};
inline constexpr auto programChange = [](int ch, int p) { return shortMessage(0xC0 | ch, p); };

} // namespace cantelo::test
