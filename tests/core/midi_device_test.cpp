#include "core/playback/midi_device.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

using namespace cantelo;

namespace {

// What the fake outputs saw. The fakes take no lock of their own: the device has to serialise
// them, and ThreadSanitizer reports it when it does not.
struct Journal {
    std::vector<std::string> lifecycle; // "open N", "close N", "reset N"
    std::vector<std::uint32_t> shorts;
    std::vector<std::vector<std::uint8_t>> sysEx;
    std::atomic<int> sentWhileClosed{0};
};

class FakeOutput final : public MidiOutput {
public:
    FakeOutput(int index, Journal& journal, bool busy)
        : m_index(index), m_journal(journal), m_busy(busy) {}
    ~FakeOutput() override { m_open = false; }

    std::string name() const override { return "fake " + std::to_string(m_index); }
    bool open(std::string* error) override {
        m_journal.lifecycle.push_back("open " + std::to_string(m_index));
        if (m_busy) {
            if (error) *error = "port busy";
            return false;
        }
        m_open = true;
        return true;
    }
    void close() override {
        m_open = false;
        m_journal.lifecycle.push_back("close " + std::to_string(m_index));
    }
    bool isOpen() const override { return m_open; }
    void reset() override {
        check();
        m_journal.lifecycle.push_back("reset " + std::to_string(m_index));
    }
    void sendShort(std::uint32_t packed) override {
        check();
        m_journal.shorts.push_back(packed);
    }
    void sendSysEx(std::span<const std::uint8_t> bytes) override {
        check();
        m_journal.sysEx.emplace_back(bytes.begin(), bytes.end());
    }

private:
    void check() {
        if (!m_open) ++m_journal.sentWhileClosed;
    }

    int m_index;
    Journal& m_journal;
    bool m_busy;
    std::atomic<bool> m_open{false};
};

class FakeProvider final : public OutputProvider {
public:
    explicit FakeProvider(Journal& journal) : m_journal(journal) {}
    std::vector<std::string> list() override { return names; }
    std::unique_ptr<MidiOutput> create(int index) override {
        if (index < 0 || index >= static_cast<int>(names.size())) return nullptr;
        return std::make_unique<FakeOutput>(index, m_journal, busy.count(index) > 0);
    }

    std::vector<std::string> names{"synth", "port A", "port B"};
    std::set<int> busy;

private:
    Journal& m_journal;
};

class MidiDeviceTest : public ::testing::Test {
protected:
    MidiDeviceTest() {
        device.setMessageSink([this] { ++messages; });
    }

    bool openDevice(int n) {
        device.listDevices();
        device.setDeviceNumber(n);
        return device.OpenDevice();
    }

    Journal journal;
    FakeProvider provider{journal};
    MidiDevice device{provider};
    int messages = 0;
};

TEST_F(MidiDeviceTest, ListingHoldsAtMost32EntriesAndAnUnlistedNumberFallsBackToZero) {
    provider.names.resize(40, "port");
    device.setDeviceNumber(31);
    EXPECT_EQ(device.listDevices().size(), 32u);
    EXPECT_EQ(device.deviceNumber(), 31);
    for (auto [listed, number] : {std::pair{40, 32}, {3, -1}}) {
        provider.names.resize(static_cast<std::size_t>(listed), "port");
        device.setDeviceNumber(number);
        device.listDevices();
        EXPECT_EQ(device.deviceNumber(), 0) << number;
    }
}

// The open output is closed before another opens, and not kept as a silent fallback when the
// new one fails.
TEST_F(MidiDeviceTest, AFailedOpenShowsTheDeviceMessageAndLaterSendsAreDropped) {
    ASSERT_TRUE(openDevice(0));
    ASSERT_TRUE(openDevice(1));
    EXPECT_EQ(device.name(), "port A");
    provider.busy.insert(2);
    EXPECT_FALSE(openDevice(2));
    EXPECT_EQ(journal.lifecycle,
              (std::vector<std::string>{"open 0", "close 0", "open 1", "close 1", "open 2"}));
    EXPECT_TRUE(messages == 1 && device.lastError() == "port busy" && !device.isOpen());

    device.sendShort(packShort(0x90, 60, 100));
    device.SendController(0, 100, 7);
    device.SendSysEx(std::vector<std::uint8_t>{0x7E, 0x7F, 0x09, 0x01, 0xF7});
    device.reset();
    device.close(); // closing what is closed is harmless
    EXPECT_TRUE(journal.shorts.empty() && journal.sysEx.empty());

    // A number the provider cannot make (the port list changed) fails the same way.
    device.setDeviceNumber(7);
    std::string error;
    EXPECT_FALSE(device.open(&error) || error.empty());
    EXPECT_EQ(messages, 2);
}

TEST_F(MidiDeviceTest, SingleMessagesArePackedClampedAndMapped) {
    ASSERT_TRUE(openDevice(0));
    // Before any audition the remembered note is channel 0, note 0.
    device.AuditionNoteOff();
    device.AuditionNoteOn(9, 60);
    device.AuditionNoteOff();
    device.AuditionNoteOn(3, 300);
    device.SendController(2, 100, 10);
    device.SendController(18, 200, 91); // channel 18 is channel 2, values clamp to 127
    EXPECT_EQ(journal.shorts,
              (std::vector<std::uint32_t>{packShort(0x80, 0, 0), packShort(0x99, 60, 127),
                                          packShort(0x89, 60, 0), packShort(0x93, 127, 127),
                                          packShort(0xB2, 10, 100), packShort(0xB2, 91, 127)}));

    journal.shorts.clear();
    CMidiSong song;
    song.setOutputChannel(4, 11);
    device.setSong(&song);
    EXPECT_FALSE(device.refreshAny());
    device.SendProgramChange(4, 25);
    device.SendProgramChange(5, -3);
    EXPECT_EQ(journal.shorts,
              (std::vector<std::uint32_t>{packShort(0xCB, 25), packShort(0xC5, 0)}));
    EXPECT_TRUE(device.takeRefreshAny() && !device.takeRefreshAny());

    // The refresh is asked for even with the port closed: the display still shows the change.
    device.close();
    device.SendProgramChange(4, 30);
    EXPECT_TRUE(device.refreshAny());
}

TEST_F(MidiDeviceTest, SysExGoesOutFramedAndMalformedDataIsHeldBack) {
    ASSERT_TRUE(openDevice(0));
    std::vector<std::uint8_t> long300(299);
    for (std::size_t i = 0; i < long300.size(); ++i)
        long300[i] = static_cast<std::uint8_t>(i % 128);
    long300.push_back(0xF7);
    device.SendSysEx(long300);
    ASSERT_EQ(journal.sysEx.size(), 1u);
    const auto& sent = journal.sysEx[0];
    ASSERT_EQ(sent.size(), 301u);
    EXPECT_TRUE(sent.front() == 0xF0 &&
                std::equal(long300.begin(), long300.end(), sent.begin() + 1));

    device.SendSysEx(std::vector<std::uint8_t>{0x41, 0x10, 0x42}); // no closing F7
    ASSERT_EQ(journal.sysEx.size(), 2u);
    EXPECT_EQ(journal.sysEx[1], (std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x42, 0xF7}));

    // A note-on inside, a lone end, nothing.
    for (const auto& bad : {std::vector<std::uint8_t>{0x41, 0x90, 0x40, 0xF7}, {0xF7}, {}})
        device.SendSysEx(bad);
    EXPECT_EQ(journal.sysEx.size(), 2u);
}

// Open, close and reset on one thread while another sends as the sequencer does: no send may
// reach an output that is closed or being closed (the fakes count it, and a send on a destroyed
// output is a use after free under the address sanitizer), and the sanitizers stay quiet.
TEST_F(MidiDeviceTest, SendsFromThePlaybackThreadNeverReachAClosingOutput) {
    device.listDevices();
    std::atomic<bool> stop{false};
    std::atomic<int> attempts{0};
    std::thread player([&] {
        const std::vector<std::uint8_t> reset{0x7E, 0x7F, 0x09, 0x01, 0xF7};
        while (!stop.load()) {
            device.sendShort(packShort(0x90, 60, 100));
            device.sendShort(packShort(0x80, 60, 0));
            device.SendSysEx(reset);
            attempts.fetch_add(1);
        }
    });
    for (int i = 0; i < 150; ++i) {
        device.setDeviceNumber(i % 3);
        device.OpenDevice();
        device.reset();
        if (i % 4 == 0) device.close();
        // Let the sender get some messages through between the control operations.
        const int seen = attempts.load();
        while (attempts.load() <= seen) std::this_thread::yield();
    }
    device.close();
    stop = true;
    player.join();
    EXPECT_EQ(journal.sentWhileClosed.load(), 0);
    EXPECT_FALSE(journal.shorts.empty() || journal.sysEx.empty());
}

} // namespace
