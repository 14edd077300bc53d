#pragma once
// The Video Source Setting dialog's surroundings: the virtual card's
// decoder and live video, the stored settings, and a main window that
// records how it is resized.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "tests/capture/host_rig.h"
#include "tests/dialogs/modal_script.h"
#include "tests/livevideo/live_rig.h"
#include "tests/support/qt_app.h"
#include "vorrak/dialogs/video_source.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor::test {

using Size = std::pair<uint32_t, uint32_t>;

// Registers of the decoder that the dialog writes: input, standard and the
// four picture values.
constexpr std::array<uint8_t, 8> kWritten{0x02, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E};

struct VideoSourceRig {
    QApplication& app = testing::qtApp();
    LiveRig live;
    vorrak::DecoderBus bus{live.card->ports(), live.clock};
    vorrak::DisplayChipInfo chip;
    vorrak::Settings settings;
    vorrak::Capture capture;
    HostWindow mainWindow;
    std::vector<uint32_t> restarts;
    vorrak::VideoSourceServices services{
        settings, capture, bus, mainWindow, [this](uint32_t standard) {
            restarts.push_back(standard);
            live.videoStandard = standard;
            vorrak::ChangeLiveVideoStandard(live.live, live.services, live.params, standard, chip);
        }};

    VideoSourceRig() {
        vorrak::DetectDisplayChip(live.card->pci(), bus, chip);
        EXPECT_TRUE(live.launch());
        settings.BRIGHTNESS = 100;
        settings.CONTRAST = 150;
        settings.SATURATION = 90;
        settings.HUE = 60;
        settings.VIDEOCONNECTOR = vorrak::connector::SVideo;
        settings.VIDEOSTANDARD = 0;
        // The decoder as the stored values left it.
        vorrak::PictureSettings picture{100, 150, 90, 60, vorrak::connector::SVideo, 0};
        vorrak::ApplyPictureSettings(bus, picture, false);
        vorrak::SelectStandard(bus, 0);
    }

    uint8_t reg(uint8_t index) const { return live.card->decoder()->reg(index); }
    std::array<uint8_t, kWritten.size()> registers() const {
        std::array<uint8_t, kWritten.size()> r{};
        for (size_t i = 0; i < kWritten.size(); ++i) {
            r[i] = reg(kWritten[i]);
        }
        return r;
    }
    // Runs the dialog with `script`; true when it ended with OK.
    bool run(std::function<void(QDialog&)> script) {
        whenModalOpens(std::move(script));
        return vorrak::VideoSourceDialog(services, nullptr).exec();
    }
};

}  // namespace zelkor::test
