#include "tests/capture/host_rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zelkor::test {

VorrakRig::VorrakRig(vcard::CaptureDriverConfig config, uint32_t videoStandard)
    : driverConfig(config),
      rig(config),
      profile(platform::openFileProfile(dir.path())),
      services{ui, *profile, disk, host, rig.bus, [this](const std::string& path) {
                   // The viewer starts after the file is complete.
                   EXPECT_TRUE(std::filesystem::exists(path));
                   shown.push_back(path);
               }} {
    settings.VIDEOSTANDARD = videoStandard;
    settings.VIDEOFRAMERATE = 30;
    settings.VIDEORECORDINGTIME = 2;
    settings.PROCESSSTYLE = 2;
    settings.WORKINGDIR = dir.path();
    vorrak::InitGuardFiles(dir.path(), files, guard);
    capture.eventFolder = dir.path() + "/events";
    std::filesystem::create_directories(capture.eventFolder);
    disk.setFreeBytes("/", uint64_t(100) << 30);
}

void VorrakRig::create() {
    auto window = std::make_unique<vcard::VirtualCaptureWindow>(rig.card, rig.clock, driverConfig,
                                                                host.parentWindow());
    window->setEventPump(
        [this](uint64_t until) { rig.timers.advance(until - rig.clock.monotonicMs()); });
    vorrak::CreateCaptureWindow(capture, services, settings, std::move(window), rig.cardIndex());
}

}  // namespace zelkor::test
