#include "core/app/config_file.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// A configuration whose every field differs from its default and from the others.
Configuration distinctive() {
    const std::string name(40, 'b');
    return {3,      700, 0x1234, 11, 12,     13,       14,       15,   16,
            0xFFFF, 18,  19,     20, 0x0100, 0x112233, 0x445566, name, 1};
}

class ConfigFileTest : public ::testing::Test {
protected:
    fs::path file() const { return folder / "config.cne"; }
    Bytes onDisk() const { return test::fileBytes(file()); }
    void put(const Bytes& bytes) const {
        fs::create_directories(folder);
        test::writeFile(file(), bytes);
    }

    test::ScratchDir scratch;
    const fs::path folder = scratch / "settings"; // not there until the first write
};

TEST_F(ConfigFileTest, FirstCloseWritesTheDefaultsAs35Bytes) {
    bool found = true;
    EXPECT_TRUE(readConfiguration(folder, &found) == Configuration{} && !found);

    ASSERT_TRUE(writeConfiguration(folder, Configuration{})); // the folder does not exist yet
    const Bytes expected = {0,    0x03, 0xF2, 0x02, 0x80, 0x00, 0x01, 0x00, 0x02, 0x01, 0xF1, 0x01,
                            0x0B, 0x01, 0x15, 0x00, 0x01, 0x02, 0xC9, 0x01, 0x17, 0x00, 0xE1, 0x01,
                            0x12, 0x02, 0xC8, 0xFF, 0xFF, 0xFF, 0xF0, 0xF0, 0x00, 0x0D, 0x00};
    EXPECT_EQ(onDisk(), expected);
    EXPECT_TRUE(readConfiguration(folder, &found) == Configuration{} && found);
}

// The offsets are pinned by the default record's bytes and the cut-record test.
TEST_F(ConfigFileTest, EveryFieldRoundTripsAndARewriteReplacesTheWholeRecord) {
    const Configuration c = distinctive();
    Configuration shorter = c;
    shorter.backgroundName = "sky.bmp";
    for (const auto& [written, size] : {std::pair{c, 75u}, {shorter, 42u}}) {
        ASSERT_TRUE(writeConfiguration(folder, written));
        EXPECT_EQ(onDisk().size(), size);
        EXPECT_EQ(readConfiguration(folder), written);
    }
}

TEST_F(ConfigFileTest, ValuesTheRecordCannotHoldAreClamped) {
    Configuration c;
    c.editorLeft = -20; // a child dragged off the left edge
    c.mainWidth = 70000;
    c.deviceIndex = 300;
    c.languageIndex = -2;
    Configuration want = c;
    want.editorLeft = 0;
    want.mainWidth = 0xFFFF;
    want.deviceIndex = 255;
    want.languageIndex = 0;
    EXPECT_EQ(parseConfiguration(configurationBytes(c)), want);
}

TEST_F(ConfigFileTest, ABackgroundNameNeverShiftsTheLanguageByte) {
    Configuration c;
    c.languageIndex = 1;
    for (const std::string& name : {std::string("a\rb.bmp"), std::string("a\0b.bmp", 7)}) {
        c.backgroundName = name;
        const Bytes b = configurationBytes(c);
        EXPECT_EQ(b.size(), 36u) << "the name is cut where the record would end it";
        const Configuration back = parseConfiguration(b);
        EXPECT_TRUE(back.backgroundName == "a" && back.languageIndex == 1);
    }
    // A name without its carriage return runs to the end of the record.
    Bytes b = configurationBytes(Configuration{});
    b.resize(33);
    for (char ch : std::string("night.bmp\x01")) b.push_back(static_cast<std::uint8_t>(ch));
    const Configuration c2 = parseConfiguration(b);
    EXPECT_TRUE(c2.backgroundName == "night.bmp\x01" && c2.languageIndex == 0);
}

TEST_F(ConfigFileTest, ACutRecordKeepsTheDefaultsOfWhatIsMissing) {
    const Configuration full = distinctive();
    const Bytes record = configurationBytes(full);
    const Configuration defaults;
    for (std::size_t n = 0; n <= record.size(); ++n) {
        SCOPED_TRACE(n);
        // Each cut is a separate allocation, so a read past its end is an ASan error.
        const Bytes cut(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(n));
        const Configuration c = parseConfiguration(cut);
        EXPECT_EQ(c.deviceIndex, n >= 1 ? full.deviceIndex : defaults.deviceIndex);
        EXPECT_EQ(c.mainWidth, n >= 3 ? full.mainWidth : defaults.mainWidth);
        EXPECT_EQ(c.eventPanelClientWidth,
                  n >= 19 ? full.eventPanelClientWidth : defaults.eventPanelClientWidth);
        EXPECT_EQ(c.monitorClientWidth,
                  n >= 27 ? full.monitorClientWidth : defaults.monitorClientWidth);
        EXPECT_EQ(c.textColour, n >= 30 ? full.textColour : defaults.textColour);
        EXPECT_EQ(c.syllableColour, n >= 33 ? full.syllableColour : defaults.syllableColour);
        EXPECT_EQ(c.backgroundName, full.backgroundName.substr(0, n > 33 ? n - 33 : 0));
        // Without the byte after the carriage return the language stays Italian.
        EXPECT_EQ(c.languageIndex, n == record.size() ? 1 : 0);
    }
}

TEST_F(ConfigFileTest, TheDeviceMenuAndTheRunningMessageUseOnlyTheirBytes) {
    EXPECT_FALSE(configuredLanguageForMessage(folder) || storeOutputDevice(folder, 1));
    EXPECT_FALSE(fs::exists(file())) << "the close writes the first file, not the device menu";

    ASSERT_TRUE(writeConfiguration(folder, distinctive()));
    Bytes expected = onDisk();
    ASSERT_TRUE(storeOutputDevice(folder, 1));
    expected[0] = 1;
    EXPECT_EQ(onDisk(), expected);

    EXPECT_TRUE(configuredLanguageForMessage(folder))
        << "the running message follows the last byte";
    Configuration italian = distinctive();
    italian.languageIndex = 0;
    ASSERT_TRUE(writeConfiguration(folder, italian));
    EXPECT_FALSE(configuredLanguageForMessage(folder));

    put({});
    EXPECT_FALSE(configuredLanguageForMessage(folder));
    ASSERT_TRUE(storeOutputDevice(folder, 2));
    EXPECT_EQ(onDisk(), Bytes{2});
}

TEST_F(ConfigFileTest, AFolderInThePlaceOfTheFileIsNeitherReadNorReplaced) {
    fs::create_directories(file());
    bool found = true;
    EXPECT_TRUE(readConfiguration(folder, &found) == Configuration{} && !found);
    EXPECT_FALSE(configuredLanguageForMessage(folder) || storeOutputDevice(folder, 1));
    std::string error;
    EXPECT_FALSE(writeConfiguration(folder, Configuration{}, &error));
    EXPECT_NE(error.find("config.cne"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(file()));
}

} // namespace
} // namespace cantelo
