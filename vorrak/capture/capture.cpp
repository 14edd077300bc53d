#include "vorrak/capture/capture.h"

#include <cstdio>

#include "vorrak/capture/capture_format.h"
#include "vorrak/config/decoder_ini.h"
#include "vorrak/hardware/picture_controls.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {
constexpr uint32_t kBoxStyle = platform::mb::ICONHAND | platform::mb::TOPMOST;

// Sizing to one pixel less first makes the window repaint even when the
// size does not change.
void resizeWithRepaint(CaptureHost& host, uint32_t w, uint32_t h) {
    host.resizeClient(w - 1, h - 1);
    host.resizeClient(w, h);
}

void placeWindow(Capture& capture, uint32_t w, uint32_t h) {
    capture.window->place(0, 0, int(w), int(h));
}
}  // namespace

bool IsFiftyHertzStandard(uint32_t videoStandard) {
    return videoStandard == 3 || videoStandard == 5 || videoStandard == 6 || videoStandard == 7;
}

uint32_t FrameHeightOf(uint32_t videoStandard) {
    return IsFiftyHertzStandard(videoStandard) ? kFrameHeight50 : kFrameHeight60;
}

void CreateCaptureWindow(Capture& capture, CaptureServices& services, const Settings& settings,
                         std::unique_ptr<platform::CaptureWindow> window, int driverIndex) {
    capture.FrameWidth = kFrameWidth;
    capture.FrameHeight = FrameHeightOf(settings.VIDEOSTANDARD);
    capture.region = {0, 0, int32_t(capture.FrameWidth), int32_t(capture.FrameHeight)};
    capture.blockColumns = capture.FrameWidth / kBlockSize;
    capture.blockRows = capture.FrameHeight / kBlockSize;
    services.host.resizeClient(capture.FrameWidth, capture.FrameHeight);
    capture.window = std::move(window);
    if (capture.window != nullptr) {
        capture.window->place(0, 0, 0, 0);
    }
    WriteNoovKey(services.profile);
    capture.driverIndex = driverIndex;
    services.host.postMessage(kStartUpMessage);
}

void ConnectCapture(Capture& capture, CaptureServices& services, const Settings& settings,
                    RunOptions& options) {
    if (capture.CaptureState == kCaptureConnected) {
        return;
    }
    services.host.stopLiveOverlay();
    WriteDecoderIni(services.profile, settings);
    platform::CaptureStatus status;
    const bool connected =
        capture.window != nullptr && capture.window->driverConnect(capture.driverIndex);
    if (!connected || !capture.window->getStatus(status)) {
        // A driver whose status cannot be read is of no use, but it holds
        // the device: let it go before the program ends.
        if (connected) {
            capture.window->driverDisconnect();
        }
        services.host.setFrameStyle(FrameStyle::DialogFrame);
        capture.FrameWidth = kFrameWidth;
        capture.FrameHeight = kFrameHeight60;
        resizeWithRepaint(services.host, capture.FrameWidth, capture.FrameHeight);
        capture.CaptureState = kCaptureNotConnected;
        services.ui.messageBox(kConnectFailedMessage, resources::kTitle, kBoxStyle);
        services.host.destroy();
        return;
    }
    placeWindow(capture, status.uiImageWidth, status.uiImageHeight);
    capture.window->setOverlay(true);
    capture.audioAvailable = status.fAudioHardware;
    if (capture.audioAvailable == 0) {
        options.captureAudio = false;
    }
    SetRecordingFormat(capture);
    services.host.setFrameStyle(FrameStyle::DialogFrame);
    capture.FrameWidth = status.uiImageWidth;
    capture.FrameHeight = status.uiImageHeight;
    resizeWithRepaint(services.host, capture.FrameWidth, capture.FrameHeight);
    capture.CaptureState = kCaptureConnected;
    while (CheckCaptureSize(capture, services, settings) != 1) {
    }
}

int CheckCaptureSize(Capture& capture, CaptureServices& services, const Settings& settings) {
    platform::CaptureStatus status;
    capture.window->getStatus(status);
    const bool fifty = IsFiftyHertzStandard(settings.VIDEOSTANDARD);
    const uint32_t needed = fifty ? kFrameHeight50 : kFrameHeight60;
    if (status.uiImageWidth == kFrameWidth && status.uiImageHeight == needed) {
        return 1;
    }
    char text[400];
    std::snprintf(text, sizeof text,
                  fifty ? "For Zelkor Oculara, The best Video size format is 352 x 288 (PAL mode) "
                          "\nThe current image dimension is %d x %d , Please select the correct "
                          "dimension 352 x 288."
                        : "For Zelkor Oculara, The best Video size format is 352 x 240 (NTSC "
                          "mode) \nThe current image dimension is %d x %d , Please select the "
                          "correct dimension 352 x 240.",
                  int(status.uiImageWidth), int(status.uiImageHeight));
    services.ui.messageBox(text, resources::kTitle, kBoxStyle);
    ChooseCaptureFormat(capture, services);
    return 0;
}

void ChooseCaptureFormat(Capture& capture, CaptureServices& services) {
    if (capture.CaptureState != kCaptureConnected) {
        return;
    }
    capture.window->dlgVideoFormat();
    platform::CaptureStatus status;
    capture.window->getStatus(status);
    capture.FrameWidth = status.uiImageWidth;
    capture.FrameHeight = status.uiImageHeight;
    services.host.resizeClient(capture.FrameWidth, capture.FrameHeight);
    placeWindow(capture, capture.FrameWidth, capture.FrameHeight);
    capture.window->setOverlay(true);
}

void SetRecordingFormat(Capture& capture) {
    capture.recordingFormatSet =
        SetCaptureFormat(*capture.window, kRecordingFormatMode, capture.frameBitDepth) != 0;
}

void DisconnectCapture(Capture& capture, CaptureServices& services) {
    if (capture.CaptureState == kCaptureNotConnected) {
        return;
    }
    placeWindow(capture, 0, 0);
    capture.window->setOverlay(false);
    capture.window->driverDisconnect();
    DecoderOutputOn(services.bus);
    services.host.startLiveOverlay();
    services.host.setFrameStyle(FrameStyle::SizingFrame);
    services.host.resizeClient(capture.FrameWidth, capture.FrameHeight);
    capture.CaptureState = kCaptureNotConnected;
}

}  // namespace zelkor::vorrak
