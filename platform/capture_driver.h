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

// Four-character codes as they are stored: first character in the low byte.
constexpr uint32_t fourcc(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) | uint32_t(uint8_t(c[1])) << 8 | uint32_t(uint8_t(c[2])) << 16 |
           uint32_t(uint8_t(c[3])) << 24;
}

// The video formats a capture window takes and gives: a bitmap
// information header, followed by whatever the codec adds.
namespace video_format {
constexpr size_t FrameHeaderSize = 40;      // uncompressed frames
constexpr size_t RecordingHeaderSize = 48;  // the card's recording codec
constexpr uint32_t Rgb = 0;                 // uncompressed
constexpr uint32_t Uyvy = fourcc("UYVY");
constexpr uint32_t Zkv2 = fourcc("ZKV2");
constexpr uint32_t Zkv1 = fourcc("ZKV1");
// The two codec fields after the header: a mode value and the tag the
// driver checks, so a header from elsewhere is not taken for its own.
constexpr uint32_t Zkv2Mode = 10248;
constexpr uint32_t Zkv1Mode = 6;
constexpr uint32_t RecordingTag = fourcc("VP51");

// The fields of the header, as byte offsets (little-endian).
namespace field {
constexpr size_t Size = 0;          // u32
constexpr size_t Width = 4;         // i32
constexpr size_t Height = 8;        // i32
constexpr size_t Planes = 12;       // u16
constexpr size_t BitCount = 14;     // u16
constexpr size_t Compression = 16;  // u32
constexpr size_t SizeImage = 20;    // u32
constexpr size_t ClrUsed = 32;      // u32
constexpr size_t CodecMode = 40;    // u32, recording header only
constexpr size_t CodecTag = 44;     // u32, recording header only
}  // namespace field

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

inline void putU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
    }
}
inline uint32_t getU32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// `h.size` bytes (40 or 48) of a header: planes 1, the fields not in
// Header 0, the codec fields only in a header of 48 bytes.
inline std::vector<uint8_t> encode(const Header& h) {
    std::vector<uint8_t> b(h.size >= RecordingHeaderSize ? RecordingHeaderSize : FrameHeaderSize);
    putU32(b, field::Size, uint32_t(b.size()));
    putU32(b, field::Width, uint32_t(h.width));
    putU32(b, field::Height, uint32_t(h.height));
    b[field::Planes] = 1;
    b[field::BitCount] = uint8_t(h.bitCount);
    b[field::BitCount + 1] = uint8_t(h.bitCount >> 8);
    putU32(b, field::Compression, h.compression);
    putU32(b, field::SizeImage, h.sizeImage);
    if (b.size() == RecordingHeaderSize) {
        putU32(b, field::CodecMode, h.codecMode);
        putU32(b, field::CodecTag, h.codecTag);
    }
    return b;
}

// False when `bytes` is shorter than 40 bytes or than its own size field.
inline bool decode(std::span<const uint8_t> bytes, Header& h) {
    if (bytes.size() < FrameHeaderSize || getU32(bytes, field::Size) > bytes.size() ||
        getU32(bytes, field::Size) < FrameHeaderSize) {
        return false;
    }
    h.size = getU32(bytes, field::Size);
    h.width = int32_t(getU32(bytes, field::Width));
    h.height = int32_t(getU32(bytes, field::Height));
    h.bitCount = uint16_t(bytes[field::BitCount] | bytes[field::BitCount + 1] << 8);
    h.compression = getU32(bytes, field::Compression);
    h.sizeImage = getU32(bytes, field::SizeImage);
    const bool codec = h.size >= RecordingHeaderSize;
    h.codecMode = codec ? getU32(bytes, field::CodecMode) : 0;
    h.codecTag = codec ? getU32(bytes, field::CodecTag) : 0;
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
