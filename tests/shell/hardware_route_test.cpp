// The display device Vorrak gets is the one the hardware backend makes from
// the card's configuration: what `[display]` says is what the device reports.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/fake/virtual_clock.h"
#include "platform/hardware.h"
#include "tests/support/temp_dir.h"

namespace zelkor::platform {
namespace {

namespace dd = display;

class HardwareRouteTest : public ::testing::Test {
  protected:
    ~HardwareRouteTest() override { unsetenv("ZELKOR_VCARD"); }

    std::unique_ptr<DisplayDevice> deviceOf(const std::string& ini) {
        setenv("ZELKOR_VCARD", dir.write("vcard.ini", ini).c_str(), 1);
        std::string error;
        hardware = openHardware(clock, "", error);
        EXPECT_NE(hardware, nullptr) << error;
        return hardware ? hardware->createDisplayDevice() : nullptr;
    }

    testing::TempDir dir;
    VirtualClock clock;
    std::unique_ptr<Hardware> hardware;
};

TEST_F(HardwareRouteTest, TheDefaultCardHasEverythingLiveVideoNeeds) {
    const auto device = deviceOf("[composite]\nsource = scene:static\n");
    ASSERT_NE(device, nullptr);
    const DeviceCaps caps = device->caps();
    EXPECT_NE(caps.caps2 & dd::Caps2VideoPort, 0u);
    EXPECT_NE(caps.caps & dd::CapsOverlay, 0u);
    EXPECT_NE(device->videoPortContainer(), nullptr);
}

TEST_F(HardwareRouteTest, DisplaySectionDecidesTheCaps) {
    const auto device = deviceOf(
        "[display]\nvideo_port = no\noverlay = no\nalign_boundary_dest = 8\n"
        "align_size_src = 4\n");
    ASSERT_NE(device, nullptr);
    const DeviceCaps caps = device->caps();
    EXPECT_EQ(caps.caps2 & dd::Caps2VideoPort, 0u);
    EXPECT_EQ(caps.caps & dd::CapsOverlay, 0u);
    EXPECT_NE(caps.caps & dd::CapsAlignBoundaryDest, 0u);
    EXPECT_EQ(caps.alignBoundaryDest, 8u);
    EXPECT_EQ(caps.alignSizeSrc, 4u);
}

TEST_F(HardwareRouteTest, DesktopFormatReachesThePrimarySurface) {
    const auto device = deviceOf("[display]\ndesktop = 565\n");
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->setCooperativeLevelNormal());
    SurfaceDescription primary;
    primary.primary = true;
    const auto surface = device->createSurface(primary);
    ASSERT_NE(surface, nullptr);
    const PixelFormat format = surface->description().pixelFormat;
    EXPECT_EQ(format.bitCount, 16u);
    EXPECT_EQ(format.greenMask, 0x07E0u);
}

}  // namespace
}  // namespace zelkor::platform
