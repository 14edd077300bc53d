#pragma once
// The Video Source Setting dialog: connector, video standard and the four
// picture values of the decoder. Every change reaches the decoder at once,
// so the user sees its effect while choosing; only OK keeps the values in
// the settings, Cancel sends the stored ones back.

#include <QAbstractSlider>

#include <cstdint>
#include <functional>
#include <memory>

#include "vorrak/capture/capture.h"
#include "vorrak/capture/capture_host.h"
#include "vorrak/config/settings.h"
#include "vorrak/dialogs/dialog_template.h"
#include "vorrak/hardware/decoder_bus.h"

class QScrollBar;

namespace zelkor::vorrak {

constexpr int kVideoSourceDialog = 102;

namespace video_source {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kDefault = 3;
constexpr int kStandardList = 1034;
constexpr int kBrightnessBar = 1013;
constexpr int kContrastBar = 1015;
constexpr int kSaturationBar = 1018;
constexpr int kHueBar = 1020;
constexpr int kBrightnessValue = 1021;
constexpr int kContrastValue = 1022;
constexpr int kSaturationValue = 1023;
constexpr int kHueValue = 1024;
// The connector radio buttons carry the stored connector values as ids.
}  // namespace video_source

// The picture scroll bars: one position per value, and a page of ten so
// the thumb stops at 255.
constexpr ScrollRange kPictureScrollRange{0, 264, 10};
constexpr uint32_t kPictureValueMax = 255;
// Default's picture values. Its contrast is the one the picture looks
// right with on the card, not the settings store's default.
constexpr uint32_t kDefaultBrightness = 128;
constexpr uint32_t kDefaultContrast = 142;
constexpr uint32_t kDefaultSaturation = 128;
constexpr uint32_t kDefaultHue = 128;

// A picture value after one action of its scroll bar: lines move by one,
// pages by ten, the thumb gives its position, each kept within 0 to 255;
// any other action keeps the value.
uint32_t ScrollPictureValue(uint32_t value, QAbstractSlider::SliderAction action,
                            int thumbPosition);

struct VideoSourceServices {
    Settings& settings;
    // Whether the capture driver is connected, and the frame size that OK
    // sets then.
    Capture& capture;
    DecoderBus& bus;
    // The main window, resized to a new frame size.
    CaptureHost& mainWindow;
    // The live picture follows a new standard: the port's field height from
    // the standard's field rate, then the chain rebuilt.
    std::function<void(uint32_t videoStandard)> changeLiveVideoStandard;
};

const DialogTemplate& VideoSourceTemplate();

// Dialog 102, modal over its owner.
class VideoSourceDialog {
  public:
    VideoSourceDialog(VideoSourceServices& services, QWidget* owner);
    ~VideoSourceDialog();

    // Runs the dialog until OK, Cancel or the close box; true for OK.
    bool exec();
    QDialog& dialog() { return *dialog_; }

  private:
    struct Working {
        uint32_t values[4];  // brightness, contrast, saturation, hue
        uint32_t connector;
        uint32_t standard;
    };

    void scrolled(int index, QScrollBar& bar, int action);
    void showValue(int index, uint32_t value);
    void selectConnector(uint32_t connector);
    void selectStandard(uint32_t standard);
    void defaults();
    void ok();
    void cancel();

    VideoSourceServices& s_;
    std::unique_ptr<QDialog> dialog_;
    Working w_;
};

}  // namespace zelkor::vorrak
