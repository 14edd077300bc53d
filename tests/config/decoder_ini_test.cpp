#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/profile.h"
#include "tests/support/temp_dir.h"
#include "vorrak/config/decoder_ini.h"

namespace zelkor::vorrak {
namespace {

namespace fs = std::filesystem;

class DecoderIniTest : public ::testing::Test {
  protected:
    fs::path dir;
    std::unique_ptr<platform::Profile> profile;

    void SetUp() override {
        char pattern[] = "/tmp/config-ini-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        profile = platform::openFileProfile(dir.string());
    }
    void TearDown() override { fs::remove_all(dir); }

    void writeFile(const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string readFile(const char* name) { return zelkor::testing::readText(dir / name); }
};

TEST_F(DecoderIniTest, NewFileHoldsTheSixKeysInOrderMadeEven) {
    Settings s;
    s.VIDEOCONNECTOR = 1002;
    s.VIDEOSTANDARD = 3;
    s.BRIGHTNESS = 255;
    s.CONTRAST = 0;
    s.SATURATION = 127;
    s.HUE = 128;
    WriteDecoderIni(*profile, s);
    EXPECT_EQ(readFile("system.ini"),
              "[Zelkorcap.drv]\n"
              "VideoConnector=1002\n"
              "VideoStandard=3\n"
              "Brightness=256\n"
              "Contrast=0\n"
              "Saturation=128\n"
              "Hue=128\n");
}

TEST_F(DecoderIniTest, ExistingFileKeepsEverythingElse) {
    writeFile("system.ini",
              "[boot]\r\n"
              "shell=Explorer.exe\r\n"
              "\r\n"
              "[Zelkorcap.drv]\r\n"
              "; written by Vorrak\r\n"
              "Hue=7\r\n"
              "VideoConnector=1001\r\n"
              "\r\n"
              "[drivers]\r\n"
              "wave=mmdrv.dll\r\n");
    WriteNoovKey(*profile);
    Settings s;
    s.VIDEOCONNECTOR = 1002;
    s.VIDEOSTANDARD = 0;
    s.BRIGHTNESS = 1;
    s.CONTRAST = 144;
    s.SATURATION = 128;
    s.HUE = 129;
    WriteDecoderIni(*profile, s);
    EXPECT_EQ(readFile("system.ini"),
              "[boot]\r\n"
              "shell=Explorer.exe\r\n"
              "\r\n"
              "[Zelkorcap.drv]\r\n"
              "; written by Vorrak\r\n"
              "Hue=130\r\n"
              "VideoConnector=1002\r\n"
              "NOOV=0\r\n"
              "VideoStandard=0\r\n"
              "Brightness=2\r\n"
              "Contrast=144\r\n"
              "Saturation=128\r\n"
              "\r\n"
              "[drivers]\r\n"
              "wave=mmdrv.dll\r\n");
}

TEST_F(DecoderIniTest, JapaneseLocaleIsCountryCode81) {
    EXPECT_FALSE(IsJapaneseLocale(*profile));  // no win.ini
    for (const auto& [code, japanese] : std::initializer_list<std::pair<const char*, bool>>{
             {"81", true}, {"1", false}, {"49", false}}) {
        writeFile("win.ini", std::string("[intl]\niCountry=") + code + "\n");
        EXPECT_EQ(IsJapaneseLocale(*profile), japanese) << code;
    }
}

}  // namespace
}  // namespace zelkor::vorrak
