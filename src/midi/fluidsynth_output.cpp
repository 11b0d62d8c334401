#include "midi/fluidsynth_output.h"

#include "midi/library_noise.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <initializer_list>
#include <string_view>
#include <system_error>

namespace cantelo {

namespace fs = std::filesystem;

namespace {

// The synthesizer's own default gain. Louder settings clip dense arrangements (measured on the
// karaoke corpus: 0.25 already clips an operatic aria, 0.3 a choral finale).
constexpr double kBaseGain = 0.2;
constexpr int kMidiChannels = 16;

bool isSoundFontFile(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".sf2" || ext == ".sf3";
}

// A soundfont is a RIFF file of form "sfbk". Checking costs one small read and keeps stray
// files (an HTML page saved as .sf2) away from the loader, which complains loudly about them.
bool hasSoundFontHeader(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::array<char, 12> h{};
    if (!in.read(h.data(), h.size())) return false;
    return std::string_view(h.data(), 4) == "RIFF" && std::string_view(h.data() + 8, 4) == "sfbk";
}

std::vector<fs::path> soundFontsUnder(const fs::path& dir) {
    std::vector<fs::path> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code fileEc;
        if (isSoundFontFile(it->path()) && it->is_regular_file(fileEc)) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Which universal or maker-specific message a SysEx is, as far as the synthesizer cares.
enum class SysExKind { Reset, Ignored, MasterVolume, Other };

// `d` is the message without its 0xF0 and 0xF7. Device ids are not checked: songs address
// their resets to all sorts of ids and expect to be reset whichever they chose.
SysExKind classify(std::span<const std::uint8_t> d) {
    const auto is = [&](std::initializer_list<int> pattern) {
        if (d.size() != pattern.size()) return false;
        std::size_t i = 0;
        for (int p : pattern) {
            if (p >= 0 && d[i] != p) return false;
            ++i;
        }
        return true;
    };
    constexpr int any = -1;
    if (is({0x7E, any, 0x09, 0x01}) || is({0x7E, any, 0x09, 0x03})) return SysExKind::Reset;
    if (is({0x7E, any, 0x09, 0x02})) return SysExKind::Ignored; // General MIDI off
    if (is({0x41, any, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41})) return SysExKind::Reset;
    if (is({0x43, any, 0x4C, 0x00, 0x00, 0x7E, 0x00}) && (d[1] & 0xF0) == 0x10)
        return SysExKind::Reset;
    if (is({0x7F, any, 0x04, 0x01, any, any})) return SysExKind::MasterVolume;
    return SysExKind::Other;
}

} // namespace

struct FluidSynthOutput::Fluid {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;

    Fluid() = default;
    Fluid(const Fluid&) = delete;
    Fluid& operator=(const Fluid&) = delete;
    ~Fluid() {
        // The driver's thread reads the synth: stop it first.
        if (driver) delete_fluid_audio_driver(driver);
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

std::vector<fs::path> soundFontCandidates(const FluidSynthOptions& options) {
    std::vector<fs::path> out;
    std::vector<fs::path> seen;
    const auto consider = [&](const fs::path& p) {
        std::error_code ec;
        if (p.empty() || !fs::is_regular_file(p, ec) || !hasSoundFontHeader(p)) return;
        fs::path key = fs::weakly_canonical(p, ec);
        if (ec) key = p;
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) return;
        seen.push_back(key);
        out.push_back(p);
    };
    consider(options.soundFont);
    consider(options.systemDefault);
    for (const auto& dir : options.searchDirs)
        for (const auto& p : soundFontsUnder(dir)) consider(p);
    return out;
}

FluidSynthOutput::FluidSynthOutput(FluidSynthOptions options) : m_options(std::move(options)) {}

FluidSynthOutput::~FluidSynthOutput() {
    close();
}

bool FluidSynthOutput::open(std::string* error) {
    if (m_fluid) return true;
    const auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    BackendErrorCapture capture;
    auto f = std::make_unique<Fluid>();
    f->settings = new_fluid_settings();
    if (!f->settings) return fail("the synthesizer cannot be created");
    fluid_settings_setnum(f->settings, "synth.sample-rate", m_options.sampleRate);
    fluid_settings_setnum(f->settings, "synth.gain", kBaseGain);
    // JACK leaves a new client unconnected; a synthesizer nobody hears is no use here.
    fluid_settings_setint(f->settings, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(f->settings, "audio.jack.id", "Cantelo Edit");
    f->synth = new_fluid_synth(f->settings);
    if (!f->synth) return fail("the synthesizer cannot be created: " + capture.text());

    const auto candidates = soundFontCandidates(m_options);
    fs::path loaded;
    for (const auto& p : candidates) {
        if (fluid_synth_sfload(f->synth, p.c_str(), 1) != FLUID_FAILED) {
            loaded = p;
            break;
        }
    }
    if (loaded.empty()) {
        if (candidates.empty()) return fail("no General MIDI soundfont (.sf2, .sf3) was found");
        return fail("no soundfont could be loaded: " + capture.text());
    }

    std::string driverName;
    if (!m_options.offline) {
        for (const auto& d : m_options.audioDrivers) {
            fluid_settings_setstr(f->settings, "audio.driver", d.c_str());
            f->driver = new_fluid_audio_driver(f->settings, f->synth);
            if (f->driver) {
                driverName = d;
                break;
            }
        }
        if (!f->driver) {
            std::string tried;
            for (const auto& d : m_options.audioDrivers) tried += (tried.empty() ? "" : ", ") + d;
            return fail("no audio output could be started (tried " + tried + ")");
        }
    }
    m_fluid = std::move(f);
    m_loadedSoundFont = loaded;
    m_driverName = driverName;
    return true;
}

void FluidSynthOutput::close() {
    m_fluid.reset();
    m_loadedSoundFont.clear();
    m_driverName.clear();
}

bool FluidSynthOutput::isOpen() const {
    return m_fluid != nullptr;
}

void FluidSynthOutput::reset() {
    if (!m_fluid) return;
    // All Notes Off goes first: the synthesizer applies All Sound Off at its next block, and a
    // note-off arriving before then sends the cut voices back into their release instead.
    for (int ch = 0; ch < kMidiChannels; ++ch) {
        fluid_synth_cc(m_fluid->synth, ch, 123, 0); // All Notes Off
        fluid_synth_cc(m_fluid->synth, ch, 120, 0); // All Sound Off
        fluid_synth_cc(m_fluid->synth, ch, 121, 0); // Reset All Controllers
    }
}

void FluidSynthOutput::sendShort(std::uint32_t packed) {
    if (!m_fluid) return;
    fluid_synth_t* s = m_fluid->synth;
    const int status = static_cast<int>(packed & 0xFF);
    const int d1 = static_cast<int>((packed >> 8) & 0x7F);
    const int d2 = static_cast<int>((packed >> 16) & 0x7F);
    const int ch = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(s, ch, d1);
        break;
    case 0x90:
        if (d2 == 0)
            fluid_synth_noteoff(s, ch, d1);
        else
            fluid_synth_noteon(s, ch, d1, d2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(s, ch, d1, d2);
        break;
    case 0xB0:
        fluid_synth_cc(s, ch, d1, d2);
        break;
    case 0xC0:
        fluid_synth_program_change(s, ch, d1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(s, ch, d1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(s, ch, d1 | (d2 << 7));
        break;
    default:
        break; // running-status data or system messages: nothing to play
    }
}

void FluidSynthOutput::resetGain() {
    fluid_synth_set_gain(m_fluid->synth, static_cast<float>(kBaseGain));
}

void FluidSynthOutput::sendSysEx(std::span<const std::uint8_t> bytes) {
    if (!m_fluid || bytes.size() < 2 || bytes.front() != 0xF0) return;
    auto body = bytes.subspan(1);
    if (body.back() == 0xF7) body = body.first(body.size() - 1);
    switch (classify(body)) {
    case SysExKind::Reset:
        // Deliberately not handed to the synthesizer's own handling: after a GM System On there
        // it stops honouring bank selects, even after the GS reset songs send next.
        // Its own reset lets the voices ring out, where a device reset silences them; cutting
        // them before the reset would not do, the reset would put them back into release.
        fluid_synth_system_reset(m_fluid->synth);
        fluid_synth_all_sounds_off(m_fluid->synth, -1);
        resetGain();
        break;
    case SysExKind::MasterVolume: {
        const int volume = body[4] | (body[5] << 7);
        fluid_synth_set_gain(m_fluid->synth, static_cast<float>(kBaseGain * volume / 16383.0));
        break;
    }
    case SysExKind::Ignored:
        break;
    case SysExKind::Other:
        fluid_synth_sysex(m_fluid->synth, reinterpret_cast<const char*>(body.data()),
                          static_cast<int>(body.size()), nullptr, nullptr, nullptr, 0);
        break;
    }
}

bool FluidSynthOutput::render(std::span<float> interleaved) {
    if (!m_fluid || !m_options.offline) return false;
    const auto frames = static_cast<int>(interleaved.size() / 2);
    if (frames == 0) return true;
    float* buf = interleaved.data();
    return fluid_synth_write_float(m_fluid->synth, frames, buf, 0, 2, buf, 1, 2) == FLUID_OK;
}

int FluidSynthOutput::activeVoices() const {
    return m_fluid ? fluid_synth_get_active_voice_count(m_fluid->synth) : 0;
}

} // namespace cantelo
