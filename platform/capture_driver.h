#pragma once
// The capture drivers installed on the machine.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/bitmap_info.h"
#include "formats/byte_order.h"
#include "platform/window.h"

namespace zelkor::platform {

class Canvas;
class CaptureWindow;

class CaptureDriver {
  public:
    // Indices asked about, and the sizes of the text buffers the caller
    // offers: longer texts arrive cut to size - 1 characters.
    static constexpr int MaxDrivers = 10;
    static constexpr size_t NameBufferSize = 160;
    static constexpr size_t VersionBufferSize = 80;

    virtual ~CaptureDriver() = default;
    // Name and version text of the driver at `index`; false when there is none.
    virtual bool driverDescription(int index, std::string& name, std::string& version) = 0;
    // A capture window of the drivers, a child of `parent` (may be null),
    // not yet connected to any of them. Null when this machine has no
    // capture library.
    virtual std::unique_ptr<CaptureWindow> createCaptureWindow(WindowHandle parent) {
        (void)parent;
        return nullptr;
    }
};

}  // namespace zelkor::platform

namespace zelkor::platform {

using formats::fourcc;

// The video formats a capture window takes and gives: a bitmap
// information header, followed by whatever the codec adds.
namespace video_format {
// Uncompressed frames have the plain header, the card's recording codec
// its own form.
constexpr size_t FrameHeaderSize = formats::BitmapInfoHeaderSize;
constexpr size_t RecordingHeaderSize = formats::BitmapCodecHeaderSize;
constexpr uint32_t Rgb = 0;  // uncompressed
constexpr uint32_t Uyvy = fourcc("UYVY");
constexpr uint32_t Zkv2 = fourcc("ZKV2");
constexpr uint32_t Zkv1 = fourcc("ZKV1");
// The two codec fields after the header: a mode value and the tag the
// driver checks, so a header from elsewhere is not taken for its own.
constexpr uint32_t Zkv2Mode = 10248;
constexpr uint32_t Zkv1Mode = 6;
constexpr uint32_t RecordingTag = fourcc("VP51");

struct Header {
    uint32_t size = FrameHeaderSize;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = Rgb;
    uint32_t sizeImage = 0;
    uint32_t codecMode = 0;  // recording header only
    uint32_t codecTag = 0;
};

// `h.size` bytes (40 or 48) of a header: planes 1, the fields not in
// Header 0, the codec fields only in a header of 48 bytes.
inline std::vector<uint8_t> encode(const Header& h) {
    return formats::encodeBitmapInfoHeader({.size = h.size,
                                            .width = h.width,
                                            .height = h.height,
                                            .bitCount = h.bitCount,
                                            .compression = h.compression,
                                            .sizeImage = h.sizeImage,
                                            .codecMode = h.codecMode,
                                            .codecTag = h.codecTag});
}

// False when `bytes` is shorter than 40 bytes or than its own size field,
// or that field is below 40.
inline bool decode(std::span<const uint8_t> bytes, Header& h) {
    const auto info = formats::decodeBitmapInfoHeader(bytes);
    if (!info) {
        return false;
    }
    h = {info->size,        info->width,     info->height,    info->bitCount,
         info->compression, info->sizeImage, info->codecMode, info->codecTag};
    return true;
}
}  // namespace video_format

// The capture window's status record (76 bytes as the library fills it).
struct CaptureStatus {
    static constexpr size_t Size = 76;
    uint32_t uiImageWidth = 0;
    uint32_t uiImageHeight = 0;
    uint32_t fLiveWindow = 0;
    uint32_t fOverlayWindow = 0;
    uint32_t fScale = 0;
    int32_t ptScrollX = 0;
    int32_t ptScrollY = 0;
    uint32_t fUsingDefaultPalette = 0;
    uint32_t fAudioHardware = 0;
    uint32_t fCapFileExists = 0;
    uint32_t dwCurrentVideoFrame = 0;
    uint32_t dwCurrentVideoFramesDropped = 0;
    uint32_t dwCurrentWaveSamples = 0;
    uint32_t dwCurrentTimeElapsedMS = 0;
    uint32_t hPalCurrent = 0;
    uint32_t fCapturingNow = 0;
    uint32_t dwReturn = 0;
    uint32_t wNumVideoAllocated = 0;
    uint32_t wNumAudioAllocated = 0;
};
static_assert(sizeof(CaptureStatus) == CaptureStatus::Size);

// The sequence capture set-up (96 bytes as the library keeps it).
struct CaptureParms {
    static constexpr size_t Size = 96;
    uint32_t dwRequestMicroSecPerFrame = 66667;
    uint32_t fMakeUserHitOKToCapture = 0;
    uint32_t wPercentDropForError = 10;
    uint32_t fYield = 0;
    uint32_t dwIndexSize = 0;
    uint32_t wChunkGranularity = 0;
    uint32_t fUsingDOSMemory = 0;
    uint32_t wNumVideoRequested = 0;
    uint32_t fCaptureAudio = 0;
    uint32_t wNumAudioRequested = 0;
    uint32_t vKeyAbort = 27;  // Escape
    uint32_t fAbortLeftMouse = 0;
    uint32_t fAbortRightMouse = 0;
    uint32_t fLimitEnabled = 0;
    uint32_t wTimeLimit = 0;  // seconds
    uint32_t fMCIControl = 0;
    uint32_t fStepMCIDevice = 0;
    uint32_t dwMCIStartTime = 0;
    uint32_t dwMCIStopTime = 0;
    uint32_t fStepCaptureAt2x = 0;
    uint32_t wStepCaptureAverageFrames = 0;
    uint32_t dwAudioBufferSize = 0;
    uint32_t fDisableWriteCache = 0;
    uint32_t AVStreamMaster = 0;
};
static_assert(sizeof(CaptureParms) == CaptureParms::Size);

// Status and error numbers the capture window reports to its callbacks.
namespace capture_message {
constexpr int Clear = 0;  // status: clear the status line
constexpr int ErrorDibSave = 406;
constexpr int CantOpen = 409;
constexpr int SequencePrompt = 411;  // "hit Escape to stop"
constexpr int WriteError = 414;
constexpr int DriverError = 418;
constexpr int CaptureInit = 502;
constexpr int CaptureFinished = 503;
constexpr int VideoCurrent = 510;
constexpr int VideoOnly = 512;
constexpr int FramesDropped = 513;
}  // namespace capture_message

// Called with (number, text); the result is the callback's answer.
using CaptureCallback = std::function<int(int number, std::string_view text)>;

// A window of the capture library: it shows the connected driver's preview
// and takes the operations that capture from it. Operations answer false
// when the driver refuses or nothing is connected.
class CaptureWindow {
  public:
    virtual ~CaptureWindow() = default;

    // The window itself, as the window system knows it.
    virtual WindowHandle window() = 0;
    // Places the window inside its parent (client coordinates) and shows it.
    virtual void place(int x, int y, int width, int height) = 0;
    // Drawing over the shown picture (the window's drawing context).
    virtual Canvas& canvas() = 0;
    // Shows the picture again without what was drawn over it.
    virtual void repaint() = 0;

    virtual bool driverConnect(int index) = 0;
    virtual bool driverDisconnect() = 0;
    virtual bool getStatus(CaptureStatus& status) = 0;

    // The current video format, header and codec fields; empty when not
    // connected.
    virtual std::vector<uint8_t> getVideoFormat() = 0;
    virtual bool setVideoFormat(std::span<const uint8_t> format) = 0;
    // The driver's own dialogs. True when the user confirmed.
    virtual bool dlgVideoFormat() = 0;
    virtual bool dlgVideoCompression() = 0;
    // The audio format of recordings (a wave format record); the card has
    // no audio hardware by default and then refuses to record sound.
    virtual std::vector<uint8_t> getAudioFormat() = 0;
    virtual bool setAudioFormat(std::span<const uint8_t> format) = 0;

    virtual bool setPreview(bool on) = 0;
    virtual bool setOverlay(bool on) = 0;

    // One frame into the window's frame buffer; the preview goes on.
    virtual bool grabFrameNoStop() = 0;
    // The frame buffer as a bitmap file: file header, information header,
    // colour table, bottom-up rows.
    virtual bool fileSaveDib(const std::string& path) = 0;

    virtual bool setSequenceSetup(const CaptureParms& parms) = 0;
    virtual bool getSequenceSetup(CaptureParms& parms) = 0;
    // Opens (creates) the file the next sequence is written to.
    virtual bool fileSetCaptureFile(const std::string& path) = 0;
    // Records until the time limit, the abort key or stop(); runs in the
    // calling thread while the event loop goes on. True when the clip was
    // written.
    virtual bool sequence() = 0;
    // Ends a running sequence after the frame in hand.
    virtual bool stop() = 0;

    // Null callbacks remove them.
    virtual void setStatusCallback(CaptureCallback callback) = 0;
    virtual void setErrorCallback(CaptureCallback callback) = 0;
};

}  // namespace zelkor::platform
