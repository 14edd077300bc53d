#pragma once
// The virtual card's capture driver behind a capture window: preview of the
// decoder's output, formats, single-frame grabs saved as bitmaps, and
// sequence capture into Motion-JPEG AVI clips.

#include <QImage>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/capture_driver.h"
#include "platform/clock.h"
#include "platform/qt/painter_canvas.h"
#include "vcard/avi_writer.h"
#include "vcard/capture_dialogs.h"
#include "vcard/capture_frame.h"
#include "vcard/config.h"
#include "vcard/mjpeg.h"

class QTimer;

namespace zelkor::vcard {

class VirtualCard;

struct CaptureDriverConfig : CaptureOptions {
    // The index of the card's own driver; -1: the first index it describes.
    int driverIndex = -1;
    // The image size after connecting; 0 x 0: 352 x the decoder's field
    // height (240 or 288).
    FrameSize size{};
    uint64_t maxClipBytes = kAviMaxBytes;
    uint32_t previewIntervalMs = 66;
    // Nobody can answer the driver's dialogs (ZELKOR_UI=console): the format
    // dialog answers at once with the size of the decoder's standard, as a
    // user asked for that size would.
    bool consoleDialogs = false;
};

// Lets the event loop run until the clock reaches `untilMs`. The default
// dispatches Qt events and sleeps on the clock between them.
using EventPump = std::function<void(uint64_t untilMs)>;

class VirtualCaptureWindow : public platform::CaptureWindow {
  public:
    VirtualCaptureWindow(VirtualCard& card, platform::Clock& clock, CaptureDriverConfig config,
                         platform::WindowHandle parent);
    ~VirtualCaptureWindow() override;

    void setEventPump(EventPump pump) { pump_ = std::move(pump); }

    platform::WindowHandle window() override;
    void place(int x, int y, int width, int height) override;
    platform::Canvas& canvas() override { return canvas_; }
    void repaint() override;

    bool driverConnect(int index) override;
    bool driverDisconnect() override;
    bool getStatus(platform::CaptureStatus& status) override;
    std::vector<uint8_t> getVideoFormat() override;
    bool setVideoFormat(std::span<const uint8_t> format) override;
    bool dlgVideoFormat() override;
    bool dlgVideoCompression() override;
    std::vector<uint8_t> getAudioFormat() override;
    bool setAudioFormat(std::span<const uint8_t> format) override;
    bool setPreview(bool on) override;
    bool setOverlay(bool on) override;
    bool grabFrameNoStop() override;
    bool fileSaveDib(const std::string& path) override;
    bool setSequenceSetup(const platform::CaptureParms& parms) override;
    bool getSequenceSetup(platform::CaptureParms& parms) override;
    bool fileSetCaptureFile(const std::string& path) override;
    bool sequence() override;
    bool stop() override;
    void setStatusCallback(platform::CaptureCallback callback) override;
    void setErrorCallback(platform::CaptureCallback callback) override;

    // What the window shows: the picture with the drawings over it.
    QImage shownImage() const;
    const CaptureFrame& frameBuffer() const { return grabbed_; }
    bool capturing() const { return capturing_; }
    int jpegQuality() const { return config_.jpegQuality; }

  private:
    class View;
    class AbortFilter;

    bool connected() const { return connectedIndex_ >= 0; }
    void takeFrame(CaptureFrame& out);
    void showFrame(const CaptureFrame& frame);
    // Whether the picture is on the screen: the window shown, not minimised.
    bool shown() const;
    void refreshPreview();
    // Preview and overlay both show the live picture in this window.
    bool setLive(bool& mode, bool on);
    void updateLiveTimer();
    void resizeImages();
    int status(int number, const std::string& text);
    int error(int number, const std::string& text);
    void pumpUntil(uint64_t ms);
    bool runSequence(AviWriter& writer, bool grey, uint32_t& frames, uint32_t& dropped);

    VirtualCard& card_;
    platform::Clock& clock_;
    CaptureDriverConfig config_;
    std::unique_ptr<QWidget> ownView_;  // when there is no parent to own it
    QPointer<QWidget> view_;
    QTimer* liveTimer_ = nullptr;
    QImage picture_;
    QImage drawing_;
    platform::PainterCanvas canvas_;

    int connectedIndex_ = -1;
    platform::video_format::Header format_;
    std::vector<uint8_t> audioFormat_;
    bool preview_ = false;
    bool overlay_ = false;
    CaptureFrame grabbed_;
    bool haveGrab_ = false;
    platform::CaptureParms parms_;
    std::string captureFile_;
    bool capturing_ = false;
    bool stopRequested_ = false;
    uint32_t lastFrames_ = 0;
    uint32_t lastDropped_ = 0;
    uint32_t lastElapsedMs_ = 0;
    platform::CaptureCallback statusCallback_;
    platform::CaptureCallback errorCallback_;
    EventPump pump_;
};

// Gives the card's capture driver windows of this kind, set up as the
// card's configuration says.
void installCaptureWindows(VirtualCard& card);

}  // namespace zelkor::vcard
