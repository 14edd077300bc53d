#include "vcard/capture_window.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "formats/wave_format.h"
#include "platform/numbered_file.h"
#include "platform/qt/window.h"
#include "platform/ui.h"
#include "vcard/card.h"
#include "vcard/yuv_rows.h"

namespace zelkor::vcard {

namespace {
namespace vf = platform::video_format;
namespace msg = platform::capture_message;

constexpr int kDefaultWidth = 352;
constexpr uint32_t kEscapeKey = 27;
// PCM, mono, 11 025 samples of 8 bits a second.
const std::vector<uint8_t> kDefaultAudioFormat = formats::encodeWaveFormat({.channels = 1,
                                                                            .samplesPerSec = 11025,
                                                                            .avgBytesPerSec = 11025,
                                                                            .blockAlign = 1,
                                                                            .bitsPerSample = 8});

std::string format(const char* pattern, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

uint32_t imageBytes(const vf::Header& h) {
    return uint32_t(h.width) * uint32_t(h.height) * h.bitCount / 8;
}

bool acceptable(const vf::Header& h, const CaptureDriverConfig& config) {
    if (!isCaptureSize(h.width, h.height)) {
        return false;
    }
    if (h.size == vf::FrameHeaderSize) {
        return (h.compression == vf::Rgb && (h.bitCount == 8 || h.bitCount == 24)) ||
               (h.compression == vf::Uyvy && h.bitCount == 16);
    }
    if (h.size != vf::RecordingHeaderSize || h.bitCount != 24 || h.codecTag != vf::RecordingTag) {
        return false;
    }
    return (config.acceptZkv2 && h.compression == vf::Zkv2 && h.codecMode == vf::Zkv2Mode) ||
           (config.acceptZkv1 && h.compression == vf::Zkv1 && h.codecMode == vf::Zkv1Mode);
}
}  // namespace

// The window on screen: the latest picture, and what was drawn over it.
class VirtualCaptureWindow::View : public QWidget {
  public:
    View(VirtualCaptureWindow& owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

  protected:
    // A window coming into view shows the picture of now, not the last one
    // it was given.
    void showEvent(QShowEvent*) override { owner_.refreshPreview(); }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(QPoint(0, 0), owner_.picture_);
        p.drawImage(QPoint(0, 0), owner_.drawing_);
    }

  private:
    VirtualCaptureWindow& owner_;
};

// Watches the keyboard and mouse while a sequence runs, for the abort key.
class VirtualCaptureWindow::AbortFilter : public QObject {
  public:
    explicit AbortFilter(VirtualCaptureWindow& owner) : owner_(owner) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const platform::CaptureParms& p = owner_.parms_;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((p.vKeyAbort == kEscapeKey && key == Qt::Key_Escape) ||
                (p.vKeyAbort != 0 && p.vKeyAbort != kEscapeKey && uint32_t(key) == p.vKeyAbort)) {
                owner_.stop();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonPress) {
            const auto button = static_cast<QMouseEvent*>(event)->button();
            if ((p.fAbortLeftMouse != 0 && button == Qt::LeftButton) ||
                (p.fAbortRightMouse != 0 && button == Qt::RightButton)) {
                owner_.stop();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    VirtualCaptureWindow& owner_;
};

VirtualCaptureWindow::VirtualCaptureWindow(VirtualCard& card, platform::Clock& clock,
                                           CaptureDriverConfig config,
                                           platform::WindowHandle parent)
    : card_(card),
      clock_(clock),
      config_(config),
      canvas_(drawing_),
      audioFormat_(kDefaultAudioFormat) {
    auto* view = new View(*this, platform::widgetOf(parent));
    view->setObjectName("captureWindow");
    if (parent == nullptr) {
        ownView_.reset(view);
    }
    view_ = view;
    view->setGeometry(0, 0, 0, 0);
    liveTimer_ = new QTimer(view);
    QObject::connect(liveTimer_, &QTimer::timeout, view, [this] { refreshPreview(); });
    format_.width = kDefaultWidth;
    format_.height = card_.outputFieldHeight();
    resizeImages();
}

VirtualCaptureWindow::~VirtualCaptureWindow() {
    if (ownView_ == nullptr && view_ != nullptr) {
        delete view_.data();
    }
}

platform::WindowHandle VirtualCaptureWindow::window() {
    return platform::handleOf(view_.data());
}

void VirtualCaptureWindow::repaint() {
    drawing_.fill(Qt::transparent);
    if (view_ != nullptr) {
        view_->update();
    }
}

void VirtualCaptureWindow::place(int x, int y, int width, int height) {
    if (view_ != nullptr) {
        view_->setGeometry(x, y, width, height);
        view_->show();
    }
}

void VirtualCaptureWindow::resizeImages() {
    if (picture_.width() == format_.width && picture_.height() == format_.height) {
        return;
    }
    picture_ = QImage(format_.width, format_.height, QImage::Format_RGB32);
    picture_.fill(Qt::black);
    drawing_ = QImage(format_.width, format_.height, QImage::Format_ARGB32_Premultiplied);
    drawing_.fill(Qt::transparent);
}

QImage VirtualCaptureWindow::shownImage() const {
    QImage out = picture_.copy();
    QPainter p(&out);
    p.drawImage(QPoint(0, 0), drawing_);
    return out;
}

bool VirtualCaptureWindow::driverConnect(int index) {
    int own = config_.driverIndex;
    std::string name;
    std::string version;
    for (int i = 0; own < 0 && i < platform::CaptureDriver::MaxDrivers; ++i) {
        if (card_.captureDriver().driverDescription(i, name, version)) {
            own = i;
        }
    }
    if (index < 0 || index != own ||
        !card_.captureDriver().driverDescription(index, name, version)) {
        return false;
    }
    if (!connected()) {
        const bool zkv2 = config_.acceptZkv2 || !config_.acceptZkv1;
        format_ =
            vf::Header{vf::RecordingHeaderSize,
                       config_.size.width > 0 ? config_.size.width : kDefaultWidth,
                       config_.size.height > 0 ? config_.size.height : card_.outputFieldHeight(),
                       24,
                       zkv2 ? vf::Zkv2 : vf::Zkv1,
                       0,
                       zkv2 ? vf::Zkv2Mode : vf::Zkv1Mode,
                       vf::RecordingTag};
        format_.sizeImage = imageBytes(format_);
        resizeImages();
    }
    connectedIndex_ = index;
    return true;
}

bool VirtualCaptureWindow::driverDisconnect() {
    if (!connected() || capturing_) {
        return false;
    }
    preview_ = overlay_ = false;
    updateLiveTimer();
    connectedIndex_ = -1;
    haveGrab_ = false;
    return true;
}

bool VirtualCaptureWindow::getStatus(platform::CaptureStatus& s) {
    if (!connected()) {
        return false;
    }
    s = platform::CaptureStatus{};
    s.uiImageWidth = uint32_t(format_.width);
    s.uiImageHeight = uint32_t(format_.height);
    s.fLiveWindow = preview_ ? 1 : 0;
    s.fOverlayWindow = overlay_ ? 1 : 0;
    s.fUsingDefaultPalette = 1;
    s.fAudioHardware = config_.audioHardware ? 1 : 0;
    s.fCapFileExists = !captureFile_.empty() && std::filesystem::exists(captureFile_) ? 1 : 0;
    s.dwCurrentVideoFrame = lastFrames_;
    s.dwCurrentVideoFramesDropped = lastDropped_;
    s.dwCurrentTimeElapsedMS = lastElapsedMs_;
    s.fCapturingNow = capturing_ ? 1 : 0;
    s.wNumVideoAllocated = parms_.wNumVideoRequested;
    return true;
}

std::vector<uint8_t> VirtualCaptureWindow::getVideoFormat() {
    return connected() ? vf::encode(format_) : std::vector<uint8_t>{};
}

bool VirtualCaptureWindow::setVideoFormat(std::span<const uint8_t> bytes) {
    vf::Header h;
    if (!connected() || capturing_ || !vf::decode(bytes, h) || !acceptable(h, config_)) {
        return false;
    }
    h.sizeImage = imageBytes(h);
    format_ = h;
    haveGrab_ = false;
    resizeImages();
    return true;
}

bool VirtualCaptureWindow::dlgVideoFormat() {
    if (!connected() || capturing_) {
        return false;
    }
    FrameSize chosen{kDefaultWidth, card_.outputFieldHeight()};
    if (!config_.consoleDialogs) {
        VideoFormatDialog dialog({format_.width, format_.height}, view_.data());
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        chosen = dialog.chosen();
    }
    format_.width = chosen.width;
    format_.height = chosen.height;
    format_.sizeImage = imageBytes(format_);
    haveGrab_ = false;
    resizeImages();
    return true;
}

bool VirtualCaptureWindow::dlgVideoCompression() {
    if (!connected() || capturing_) {
        return false;
    }
    VideoCompressionDialog dialog(config_.jpegQuality, view_.data());
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    config_.jpegQuality = dialog.quality();
    return true;
}

std::vector<uint8_t> VirtualCaptureWindow::getAudioFormat() {
    return audioFormat_;
}

bool VirtualCaptureWindow::setAudioFormat(std::span<const uint8_t> bytes) {
    const auto record = formats::decodeWaveFormat(bytes);
    if (!config_.audioHardware || !record || record->formatTag != formats::WaveFormatPcm) {
        return false;
    }
    audioFormat_.assign(bytes.begin(), bytes.end());
    return true;
}

bool VirtualCaptureWindow::setPreview(bool on) {
    return setLive(preview_, on);
}

bool VirtualCaptureWindow::setOverlay(bool on) {
    return setLive(overlay_, on);
}

bool VirtualCaptureWindow::setLive(bool& mode, bool on) {
    if (!connected()) {
        return false;
    }
    mode = on;
    updateLiveTimer();
    return true;
}

void VirtualCaptureWindow::updateLiveTimer() {
    if (preview_ || overlay_) {
        // A freshly shown picture starts without old drawings over it.
        drawing_.fill(Qt::transparent);
        refreshPreview();
        liveTimer_->start(int(std::max<uint32_t>(config_.previewIntervalMs, 1)));
    } else {
        liveTimer_->stop();
    }
}

void VirtualCaptureWindow::refreshPreview() {
    // Nobody looks at a hidden window: no picture is made for it.
    if (!connected() || capturing_ || !(preview_ || overlay_) || !shown()) {
        return;
    }
    CaptureFrame frame;
    takeFrame(frame);
    showFrame(frame);
}

void VirtualCaptureWindow::takeFrame(CaptureFrame& out) {
    card_.currentFrame(format_.width, format_.height, out);
}

bool VirtualCaptureWindow::shown() const {
    return view_ != nullptr && view_->isVisible() && !view_->window()->isMinimized();
}

void VirtualCaptureWindow::showFrame(const CaptureFrame& frame) {
    // Nobody sees a hidden window's picture; a grab need not pay for it.
    if (!shown() || picture_.width() != frame.width || picture_.height() != frame.height) {
        return;
    }
    const size_t cw = size_t(frame.width / 2);
    for (int row = 0; row < frame.height; ++row) {
        planarToArgb(frame.y.data() + size_t(row) * size_t(frame.width),
                     frame.u.data() + size_t(row) * cw, frame.v.data() + size_t(row) * cw, cw,
                     reinterpret_cast<QRgb*>(picture_.scanLine(row)));
    }
    view_->update();
}

bool VirtualCaptureWindow::grabFrameNoStop() {
    if (!connected() || capturing_) {
        return false;
    }
    takeFrame(grabbed_);
    haveGrab_ = true;
    showFrame(grabbed_);
    return true;
}

bool VirtualCaptureWindow::fileSaveDib(const std::string& path) {
    if (!connected() || !haveGrab_ || !card_.mayWriteOutput(path)) {
        return false;
    }
    const std::vector<uint8_t> file = dibFile(grabbed_, format_);
    // A file saved again and again (a work picture) is written over in one
    // go; a link planted under the name is replaced, never written through.
    std::string error;
    return platform::overwriteFile(path, {reinterpret_cast<const char*>(file.data()), file.size()},
                                   &error);
}

bool VirtualCaptureWindow::setSequenceSetup(const platform::CaptureParms& parms) {
    if (capturing_) {
        return false;
    }
    parms_ = parms;
    return true;
}

bool VirtualCaptureWindow::getSequenceSetup(platform::CaptureParms& parms) {
    parms = parms_;
    return true;
}

bool VirtualCaptureWindow::fileSetCaptureFile(const std::string& path) {
    if (capturing_ || path.empty() || !card_.mayWriteOutput(path)) {
        return false;
    }
    // The file must be creatable now; the sequence writes it afresh. Never
    // through a link: whatever it leads to is not the capture file.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    captureFile_ = path;
    return true;
}

bool VirtualCaptureWindow::stop() {
    if (!capturing_) {
        return false;
    }
    stopRequested_ = true;
    return true;
}

void VirtualCaptureWindow::setStatusCallback(platform::CaptureCallback callback) {
    statusCallback_ = std::move(callback);
}

void VirtualCaptureWindow::setErrorCallback(platform::CaptureCallback callback) {
    errorCallback_ = std::move(callback);
}

int VirtualCaptureWindow::status(int number, const std::string& text) {
    return statusCallback_ ? statusCallback_(number, text) : 0;
}

int VirtualCaptureWindow::error(int number, const std::string& text) {
    return errorCallback_ ? errorCallback_(number, text) : 0;
}

void VirtualCaptureWindow::pumpUntil(uint64_t ms) {
    if (pump_) {
        if (clock_.monotonicMs() < ms) {
            pump_(ms);
        }
        return;
    }
    for (;;) {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        const uint64_t now = clock_.monotonicMs();
        if (now >= ms || stopRequested_) {
            return;
        }
        clock_.sleepMs(uint32_t(std::min<uint64_t>(ms - now, 2)));
    }
}

bool VirtualCaptureWindow::sequence() {
    if (!connected() || capturing_) {
        error(msg::DriverError, "The video capture driver is not connected.");
        return false;
    }
    AviWriter writer;
    const uint32_t us = std::max<uint32_t>(parms_.dwRequestMicroSecPerFrame, 1000);
    AviParams params{format_.width, format_.height, us, std::max<uint32_t>(1000000 / us, 1),
                     config_.maxClipBytes};
    // Checked again: the file may have been replaced since it was set up.
    if (captureFile_.empty() || !card_.mayWriteOutput(captureFile_) ||
        !writer.open(captureFile_, params)) {
        error(msg::CantOpen, format("Cannot open '%s' for capture.", captureFile_.c_str()));
        return false;
    }
    const bool grey = format_.compression == vf::Rgb && format_.bitCount == 8;
    capturing_ = true;
    stopRequested_ = false;
    lastFrames_ = lastDropped_ = lastElapsedMs_ = 0;
    drawing_.fill(Qt::transparent);
    AbortFilter filter(*this);
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(&filter);
    }

    uint32_t frames = 0;
    uint32_t dropped = 0;
    bool ok = runSequence(writer, grey, frames, dropped);
    if (!writer.finish() && ok) {
        error(msg::WriteError,
              format("Error writing to file '%s'.\nThe disk may be full.", captureFile_.c_str()));
        ok = false;
    }
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(&filter);
    }
    capturing_ = false;
    lastFrames_ = frames;
    lastDropped_ = dropped;

    status(msg::CaptureFinished, format("Finished capture, now writing frame %u", frames));
    const uint32_t fpsMilli =
        lastElapsedMs_ == 0 ? 0 : uint32_t(uint64_t(frames) * 1000000 / lastElapsedMs_);
    status(msg::VideoOnly, format("Captured %u.%03u sec.  %u frames (%u dropped) (%u.%03u fps).",
                                  lastElapsedMs_ / 1000, lastElapsedMs_ % 1000, frames, dropped,
                                  fpsMilli / 1000, fpsMilli % 1000));
    if (ok && frames > 0 && dropped * 100 > frames * parms_.wPercentDropForError) {
        error(msg::FramesDropped,
              format("%u of %u frames (%u.%03u%%) dropped during capture.", dropped, frames,
                     dropped * 100 / frames, dropped * 100000 / frames % 1000));
    }
    status(msg::Clear, "");
    return ok;
}

bool VirtualCaptureWindow::runSequence(AviWriter& writer, bool grey, uint32_t& frames,
                                       uint32_t& dropped) {
    const uint64_t period = std::max<uint32_t>(parms_.dwRequestMicroSecPerFrame, 1000);
    const uint64_t limit = parms_.fLimitEnabled != 0
                               ? (uint64_t(parms_.wTimeLimit) * 1000000 + period / 2) / period
                               : UINT64_MAX;
    status(msg::CaptureInit, "Capture Sequence Starting...");
    if (parms_.vKeyAbort != 0) {
        status(msg::SequencePrompt, "Hit ESCAPE to end capture");
    }
    const uint64_t start = clock_.monotonicMs();
    auto dueMs = [&](uint64_t i) { return start + i * period / 1000; };
    CaptureFrame frame;
    std::vector<uint8_t> jpeg;
    uint64_t i = 0;
    auto add = [&]() {
        switch (writer.addFrame(jpeg)) {
            case AviWriter::Added::Ok:
                ++i;
                ++frames;
                return true;
            case AviWriter::Added::Full:
                // The clip ends here, whole and readable.
                stopRequested_ = true;
                return true;
            case AviWriter::Added::Failed:
                break;
        }
        error(msg::WriteError,
              format("Error writing to file '%s'.\nThe disk may be full.", captureFile_.c_str()));
        return false;
    };
    while (!stopRequested_ && i < limit) {
        pumpUntil(dueMs(i));
        if (stopRequested_) {
            break;
        }
        takeFrame(frame);
        showFrame(frame);
        if (!encodeJpeg(frame, grey, config_.jpegQuality, jpeg)) {
            error(msg::DriverError, "The video capture driver could not compress a frame.");
            return false;
        }
        if (!add()) {
            return false;
        }
        lastFrames_ = frames;
        lastElapsedMs_ = uint32_t(clock_.monotonicMs() - start);
        status(msg::VideoCurrent, format("Captured %u frames (%u dropped) %u.%03u sec.", frames,
                                         dropped, lastElapsedMs_ / 1000, lastElapsedMs_ % 1000));
        // Slots that went by while this frame was taken get this picture
        // again, so the clip keeps the real time.
        const uint64_t now = clock_.monotonicMs();
        while (!stopRequested_ && i < limit && dueMs(i + 1) <= now) {
            const uint32_t before = frames;
            if (!add()) {
                return false;
            }
            dropped += frames - before;
        }
    }
    lastElapsedMs_ = uint32_t(std::min<uint64_t>(i, limit) * period / 1000);
    return true;
}

void installCaptureWindows(VirtualCard& card) {
    card.captureDriver().setWindowFactory([&card](platform::WindowHandle parent) {
        CaptureDriverConfig driver;
        static_cast<CaptureOptions&>(driver) = card.config().capture;
        driver.consoleDialogs = platform::consoleUiRequested();
        return std::make_unique<VirtualCaptureWindow>(card, card.clock(), driver, parent);
    });
}

}  // namespace zelkor::vcard
