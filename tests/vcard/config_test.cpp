#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.h"
#include "vcard/config.h"

namespace zelkor {
namespace {

using vcard::VcardConfig;

TEST(VcardConfigFile, EveryKeyIsRead) {
    const char* text =
        "; a card\n"
        "[card]\n"
        "chip = 12D2:0018, 10de:0150\n"
        "pci = virtual\n"
        "ports = virtual\n"
        "decoder = no\n"
        "optional_device = C0\n"
        "trace = bus.vcd\n"
        "\n"
        "[composite]\n"
        "source = y4m:clip.y4m\n"
        "rate = 50\n"
        "[SVideo]\n"
        "Source = scene:arrival\n"
        "seed = 42\n"
        "period = 12000\n"
        "[driver0]\n"
        "name =\n"
        "[driver2]\n"
        "name = Zelkor Capture  \n"
        "version = Version : 3.9\r\n"
        "[capture]\n"
        "audio = yes\n"
        "formats = zkv1\n"
        "jpeg_quality = 60\n";
    VcardConfig c;
    std::string error;
    ASSERT_TRUE(vcard::parseVcardConfig(text, "test.ini", c, error)) << error;
    ASSERT_EQ(c.chips.size(), 2u);
    EXPECT_EQ(c.chips[0], (vcard::ChipId{0x12D2, 0x0018}));
    EXPECT_EQ(c.chips[1], (vcard::ChipId{0x10DE, 0x0150}));
    EXPECT_FALSE(c.decoderPresent);
    EXPECT_EQ(c.optionalDevice, 0xC0);
    EXPECT_EQ(c.traceFile, "bus.vcd");
    EXPECT_EQ(c.composite.location, "y4m:clip.y4m");
    EXPECT_EQ(c.composite.fieldRate, 50);
    EXPECT_EQ(c.svideo.location, "scene:arrival");
    EXPECT_EQ(c.svideo.seed, 42u);
    EXPECT_EQ(c.svideo.periodMs, 12000u);
    EXPECT_FALSE(c.drivers[0]);
    ASSERT_TRUE(c.drivers[2]);
    EXPECT_EQ(c.drivers[2]->name, "Zelkor Capture");
    EXPECT_EQ(c.drivers[2]->version, "Version : 3.9");
    EXPECT_TRUE(c.capture.audioHardware);
    EXPECT_FALSE(c.capture.acceptZkv2);
    EXPECT_TRUE(c.capture.acceptZkv1);
    EXPECT_EQ(c.capture.jpegQuality, 60);
}

TEST(VcardConfigFile, RecordingFormatLists) {
    const auto formats = [](const char* list) {
        VcardConfig c;
        std::string error;
        EXPECT_TRUE(vcard::parseVcardConfig(std::string("[capture]\nformats = ") + list + "\n",
                                            "card.ini", c, error))
            << error;
        return std::pair{c.capture.acceptZkv2, c.capture.acceptZkv1};
    };
    EXPECT_EQ(formats("ZKV2, ZKV1"), (std::pair{true, true}));
    EXPECT_EQ(formats("zkv2"), (std::pair{true, false}));
    EXPECT_EQ(formats("none"), (std::pair{false, false}));
}

TEST(VcardConfigFile, BadInputNamesFileLineAndKey) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"[card]\nchip = 10DE-0028\n",
         "card.ini, line 2, key \"chip\": expected VVVV:DDDD in hex, a comma-separated list of "
         "them, or none"},
        {"[composite]\n\nrate = 55\n", "card.ini, line 3, key \"rate\": expected 50 or 60"},
        {"[svideo]\nsource = scene:beach\n",
         "card.ini, line 2, key \"source\": unknown scene (known: static, walker, arrival, "
         "lighting)"},
        {"[composite]\nsource = file.avi\n",
         "card.ini, line 2, key \"source\": expected scene:NAME, y4m:PATH, v4l2:/dev/videoN, "
         "stream:URL or none"},
        {"[card]\ncolour = red\n", "card.ini, line 2, key \"colour\": unknown key in [card]"},
        {"rate = 50\n", "card.ini, line 1, key \"rate\": key outside any section"},
        {"[driver10]\n", "card.ini, line 1: unknown section [driver10]"},
        {"[card\n", "card.ini, line 1: section header without ']'"},
        {"[card]\njust words\n", "card.ini, line 2: expected key = value"},
        {"[composite]\nseed = -1\n",
         "card.ini, line 2, key \"seed\": expected a number 0-4294967295"},
        {"[composite]\nperiod = 10\n",
         "card.ini, line 2, key \"period\": expected milliseconds, 1000-3600000"},
        {"[card]\ndecoder = maybe\n", "card.ini, line 2, key \"decoder\": expected yes or no"},
        {"[card]\noptional_device = C4\n",
         "card.ini, line 2, key \"optional_device\": expected C2, C0 or none"},
        {"[card]\nports = fast\n", "card.ini, line 2, key \"ports\": expected virtual or real"},
        {"[capture]\nformats = ZKV2, MJPG\n",
         "card.ini, line 2, key \"formats\": expected ZKV2, ZKV1, both separated by a comma, or "
         "none"},
        {"[capture]\nformats = none, ZKV1\n",
         "card.ini, line 2, key \"formats\": expected ZKV2, ZKV1, both separated by a comma, or "
         "none"},
        {"[capture]\njpeg_quality = 0\n", "card.ini, line 2, key \"jpeg_quality\": expected 1-100"},
        {"[capture]\naudio = loud\n", "card.ini, line 2, key \"audio\": expected yes or no"},
    };
    for (const Case& c : cases) {
        VcardConfig config;
        std::string error;
        EXPECT_FALSE(vcard::parseVcardConfig(c.text, "card.ini", config, error)) << c.text;
        EXPECT_EQ(error, c.message);
    }
}

TEST(VcardConfigFile, FoundByEnvironmentThenProgramFolderElseBuiltIn) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "vcard_config_test";
    std::filesystem::create_directories(dir);
    std::filesystem::remove(dir / "vcard.ini");
    VcardConfig c;
    std::string error;
    ASSERT_TRUE(vcard::loadVcardConfig(nullptr, dir.string(), c, error));
    EXPECT_EQ(c.chips.front(), (vcard::ChipId{0x10DE, 0x0028}));
    EXPECT_EQ(c.composite.location, "scene:walker");
    EXPECT_EQ(c.composite.fieldRate, 60);
    EXPECT_EQ(c.svideo.location, "none");

    std::ofstream(dir / "vcard.ini")
        << "[composite]\nsource = y4m:clips/a.y4m\n[card]\ntrace = t.vcd\n";
    ASSERT_TRUE(vcard::loadVcardConfig("", dir.string(), c, error)) << error;
    EXPECT_EQ(c.composite.location, "y4m:" + (dir / "clips/a.y4m").string());
    EXPECT_EQ(c.traceFile, (dir / "t.vcd").string());

    const auto other = dir / "other.ini";
    std::ofstream(other) << "[composite]\nrate = 70\n";
    EXPECT_FALSE(vcard::loadVcardConfig(other.c_str(), dir.string(), c, error));
    EXPECT_EQ(error, other.string() + ", line 2, key \"rate\": expected 50 or 60");
    EXPECT_FALSE(vcard::loadVcardConfig((dir / "missing.ini").c_str(), dir.string(), c, error));
}

TEST(VcardConfigFile, AByteOrderMarkBeforeTheFirstLineIsAccepted) {
    VcardConfig c;
    std::string error;
    ASSERT_TRUE(
        vcard::parseVcardConfig("\xEF\xBB\xBF[card]\r\ndecoder = no\r\n", "card.ini", c, error))
        << error;
    EXPECT_FALSE(c.decoderPresent);
    // Only at the start of the file.
    EXPECT_FALSE(
        vcard::parseVcardConfig("[card]\n\xEF\xBB\xBF[composite]\n", "card.ini", c, error));
    EXPECT_EQ(error, "card.ini, line 2: expected key = value");
}

TEST(VcardConfigFile, ANamedFileThatIsNoFileIsAnError) {
    testing::TempDir dir;
    VcardConfig c;
    std::string error;
    EXPECT_FALSE(vcard::loadVcardConfig(dir.path().c_str(), dir.path(), c, error));
    EXPECT_EQ(error, dir.path() + ": not a card configuration file (a folder or a device)");
    const std::string missing = dir.file("missing.ini");
    EXPECT_FALSE(vcard::loadVcardConfig(missing.c_str(), dir.path(), c, error));
    EXPECT_EQ(error, missing + ": no such card configuration file");
    // vcard.ini beside the programs is looked for, not asked for: only a
    // folder of that name is an error.
    EXPECT_TRUE(vcard::loadVcardConfig(nullptr, dir.path(), c, error));
    std::filesystem::create_directory(dir.file("vcard.ini"));
    EXPECT_FALSE(vcard::loadVcardConfig(nullptr, dir.path(), c, error));
    EXPECT_EQ(error,
              dir.file("vcard.ini") + ": not a card configuration file (a folder or a device)");
}

TEST(VcardConfigFile, DisplaySection) {
    const char* text =
        "[display]\n"
        "video_port = no\noverlay = no\nauto_flip = no\ninterleave = no\n"
        "align_boundary_dest = 8\nalign_size_dest = 16\nalign_boundary_src = 4\n"
        "align_size_src = 2\nbandwidth_caps = source\nbandwidth_overlay = 1100\n"
        "bandwidth_colorkey = 1200\nbandwidth_yinterpolate = 1300\n"
        "bandwidth_yinterp_colorkey = 1400\noutput_formats = YUY2, UYVY\ndesktop = 555\n"
        "overlay_failures = 3\nmax_prescale_width = 360\nport_start_fails = yes\n"
        "surfaces_lost_after = 5000\n";
    VcardConfig c;
    std::string error;
    ASSERT_TRUE(vcard::parseVcardConfig(text, "card.ini", c, error)) << error;
    const vcard::DisplayOptions& d = c.display;
    EXPECT_FALSE(d.videoPort || d.overlay || d.autoFlip || d.interleave);
    EXPECT_EQ(d.alignBoundaryDest, 8u);
    EXPECT_EQ(d.alignSizeDest, 16u);
    EXPECT_EQ(d.alignBoundarySrc, 4u);
    EXPECT_EQ(d.alignSizeSrc, 2u);
    EXPECT_TRUE(d.bandwidthSource);
    EXPECT_EQ(d.bandwidthOverlay, 1100u);
    EXPECT_EQ(d.bandwidthColorKey, 1200u);
    EXPECT_EQ(d.bandwidthYInterpolate, 1300u);
    EXPECT_EQ(d.bandwidthYInterpAndColorKey, 1400u);
    EXPECT_EQ(d.outputFormats,
              (std::vector<uint32_t>{platform::display::Yuy2, platform::display::Uyvy}));
    EXPECT_EQ(d.desktop, vcard::DesktopFormat::Rgb555);
    EXPECT_EQ(d.overlayFailures, 3u);
    EXPECT_EQ(d.maxPrescaleWidth, 360u);
    EXPECT_TRUE(d.portStartFails);
    EXPECT_EQ(d.surfacesLostAfterMs, 5000u);

    const std::pair<const char*, const char*> bad[] = {
        {"[display]\ndesktop = 15\n",
         "card.ini, line 2, key \"desktop\": expected 8, 565, 555, 24 or 32"},
        {"[display]\nmax_prescale_width = 721\n",
         "card.ini, line 2, key \"max_prescale_width\": expected 1-720"},
        {"[display]\noutput_formats = RGB\n",
         "card.ini, line 2, key \"output_formats\": expected UYVY, YUY2 or both separated by a "
         "comma"},
        {"[display]\noutput_formats =\n",
         "card.ini, line 2, key \"output_formats\": expected UYVY, YUY2 or both separated by a "
         "comma"},
        {"[display]\nbandwidth_caps = both\n",
         "card.ini, line 2, key \"bandwidth_caps\": expected source or videoport"},
        {"[display]\noverlay = maybe\n", "card.ini, line 2, key \"overlay\": expected yes or no"},
        {"[display]\nsurfaces_lost_after = -1\n",
         "card.ini, line 2, key \"surfaces_lost_after\": expected a number 0-4294967295"},
        {"[display]\nrefresh = 60\n",
         "card.ini, line 2, key \"refresh\": unknown key in [display]"},
    };
    for (const auto& [input, message] : bad) {
        VcardConfig b;
        EXPECT_FALSE(vcard::parseVcardConfig(input, "card.ini", b, error)) << input;
        EXPECT_EQ(error, message);
    }
}

TEST(VcardConfigFile, TheShippedExampleParses) {
    const char* source = std::getenv("ZELKOR_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::ifstream in(std::filesystem::path(source) / "vcard" / "vcard.ini.example");
    ASSERT_TRUE(in);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    VcardConfig c;
    std::string error;
    EXPECT_TRUE(vcard::parseVcardConfig(text, "vcard.ini.example", c, error)) << error;
    // Its display section states the built-in card: one that has everything.
    const vcard::DisplayOptions built;
    EXPECT_TRUE(c.display.videoPort && c.display.overlay && c.display.autoFlip &&
                c.display.interleave && !c.display.portStartFails);
    EXPECT_EQ(c.display.outputFormats, built.outputFormats);
    EXPECT_EQ(c.display.desktop, built.desktop);
    EXPECT_EQ(c.display.maxPrescaleWidth, built.maxPrescaleWidth);
    EXPECT_EQ(c.display.bandwidthYInterpAndColorKey, built.bandwidthYInterpAndColorKey);
}

}  // namespace
}  // namespace zelkor
