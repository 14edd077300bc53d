#pragma once
// A virtual card with a known picture, its decoder set up as Vorrak sets it
// up, and a capture window on it; plus the outside checks clips go through.

#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/fake/fake_timers.h"
#include "platform/fake/virtual_clock.h"
#include "tests/support/qt_app.h"
#include "tests/support/temp_dir.h"
#include "vcard/capture_window.h"
#include "vcard/card.h"
#include "vorrak/hardware/decoder_bus.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor::test {

using testing::qtApp;

// Luminance in 4 x 4 regions of the 720-pixel field, moving on with every
// field, so a frame shows which moment it was taken at. Chroma is flat.
class PatternSource : public vcard::VideoSource {
  public:
    explicit PatternSource(int rate) : VideoSource(rate) {}
    static int luma(int column, int row, uint64_t field) {
        return 40 + column * 40 + row * 8 + int(field % 7);
    }
    // Pictures made by every pattern source so far.
    static inline int renders = 0;
    void render(uint64_t field, vcard::Picture& out) override {
        ++renders;
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                out.y[size_t(y) * size_t(out.width) + size_t(x)] =
                    uint8_t(luma(x * 4 / out.width, y * 4 / out.height, field));
            }
        }
        out.u.assign(out.u.size(), 110);
        out.v.assign(out.v.size(), 150);
    }
};

struct CaptureRig {
    QApplication& app = qtApp();  // before any window
    platform::VirtualClock clock;
    platform::FakeTimers timers{clock};
    vcard::VirtualCard card;
    vorrak::DecoderBus bus;
    vcard::VirtualCaptureWindow window;

    explicit CaptureRig(vcard::CaptureDriverConfig config = {}, int rate = 60)
        : card(vcard::VcardConfig{}, clock, std::make_unique<PatternSource>(rate), nullptr),
          bus(card.ports(), clock),
          window(card, clock, config, nullptr) {
        vorrak::DisplayChipInfo info;
        vorrak::DetectDisplayChip(card.pci(), bus, info);
        vorrak::DecoderInit(bus);
        if (rate == 50) {
            vorrak::SelectStandard(bus, 3);
        }
        vorrak::DecoderOutputOn(bus);
        // Sequences wait in virtual time, firing the fake timers on the way.
        window.setEventPump(
            [this](uint64_t until) { timers.advance(until - clock.monotonicMs()); });
    }
    int cardIndex() {
        std::string name;
        std::string version;
        for (int i = 0; i < 10; ++i) {
            if (card.captureDriver().driverDescription(i, name, version)) {
                return i;
            }
        }
        return -1;
    }
};

// A folder of its own for each test.
using zelkor::testing::TempDir;

// Whether ffprobe is there to ask.
bool haveFfprobe();
// Stream 0 of a clip as ffprobe sees it, frames counted by decoding:
// codec_name, width, height, r_frame_rate, nb_read_frames. Empty when
// ffprobe cannot open the file.
std::map<std::string, std::string> probeClip(const std::string& path);

}  // namespace zelkor::test
