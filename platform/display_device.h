#pragma once
// The display device with its video port and overlay: the hardware path that
// takes the decoder's digital stream into an overlay surface and shows that
// overlay inside a window wherever the screen holds the colour key.
//
// Objects are released by destroying them, in any order: a video port whose
// target surface is gone simply stops writing.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/window.h"

namespace zelkor::platform {

// Screen or surface rectangle; right and bottom are exclusive.
struct DisplayRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool operator==(const DisplayRect&) const = default;
};

namespace display {

// Device capability bits (DeviceCaps::caps).
constexpr uint32_t CapsAlignBoundaryDest = 0x2;
constexpr uint32_t CapsAlignSizeDest = 0x4;
constexpr uint32_t CapsAlignBoundarySrc = 0x8;
constexpr uint32_t CapsAlignSizeSrc = 0x10;
constexpr uint32_t CapsOverlay = 0x800;
// DeviceCaps::caps2.
constexpr uint32_t Caps2VideoPort = 0x100;

// Port capability bits (PortCaps::caps) and effects (PortCaps::fx).
constexpr uint32_t PortCapsAutoFlip = 0x1;
constexpr uint32_t PortFxInterleave = 0x800;

// Pixel format flags.
constexpr uint32_t PixelPaletteIndexed8 = 0x20;
constexpr uint32_t PixelFourCC = 0x4;
constexpr uint32_t PixelRgb = 0x40;

constexpr uint32_t fourcc(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) | uint32_t(uint8_t(c[1])) << 8 | uint32_t(uint8_t(c[2])) << 16 |
           uint32_t(uint8_t(c[3])) << 24;
}
constexpr uint32_t Uyvy = fourcc("UYVY");
constexpr uint32_t Yuy2 = fourcc("YUY2");

// Connection flags and the 8-bit CCIR 656 connection type.
constexpr uint32_t ConnectInterlaced = 0x20;
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
    bool operator==(const Guid&) const = default;
};
constexpr Guid Ccir656{
    0xFCA326A0, 0xDA60, 0x11CF, {0x9B, 0x06, 0x00, 0xA0, 0xC9, 0x03, 0xA3, 0xB8}};

// Video port information flags.
constexpr uint32_t PortAutoFlip = 0x1;
constexpr uint32_t PortConvert = 0x8;
constexpr uint32_t PortInterleave = 0x40;
constexpr uint32_t PortPrescale = 0x200;

// Bandwidth queries and their caps.
constexpr uint32_t BandwidthType = 0x1;
constexpr uint32_t BandwidthOverlay = 0x2;
constexpr uint32_t BandwidthVideoPort = 0x4;
constexpr uint32_t BandwidthCapsSource = 0x2;

// Overlay update flags.
constexpr uint32_t OverlayHide = 0x200;
constexpr uint32_t OverlayKeyDest = 0x400;
constexpr uint32_t OverlayShow = 0x4000;

}  // namespace display

struct DeviceCaps {
    uint32_t caps = 0;
    uint32_t caps2 = 0;
    uint32_t alignBoundaryDest = 0;
    uint32_t alignSizeDest = 0;
    uint32_t alignBoundarySrc = 0;
    uint32_t alignSizeSrc = 0;
};

struct PixelFormat {
    uint32_t flags = 0;
    uint32_t fourCC = 0;
    uint32_t bitCount = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    bool operator==(const PixelFormat&) const = default;
};

struct PortCaps {
    uint32_t portId = 0;
    uint32_t caps = 0;
    uint32_t fx = 0;
    uint32_t maxWidth = 0;
    uint32_t maxHeight = 0;
};

struct PortConnect {
    uint32_t portWidth = 0;
    display::Guid type;
    uint32_t flags = 0;
};

struct PortDescription {
    uint32_t fieldWidth = 0;
    uint32_t vbiWidth = 0;
    uint32_t fieldHeight = 0;
    uint32_t microsecondsPerField = 0;
    uint32_t maxPixelsPerSecond = 0;
    uint32_t portId = 0;
    PortConnect connect;
};

// What the port does with each field: prescale, interleave, auto-flip.
struct PortInfo {
    int32_t originX = 0;
    int32_t originY = 0;
    uint32_t flags = 0;
    uint32_t prescaleWidth = 0;
    uint32_t prescaleHeight = 0;
    PixelFormat inputFormat;
    uint32_t vbiHeight = 0;
};

// Stretch factors (in thousandths) the overlay needs for each way of
// showing it; a lower figure means more bandwidth to spare.
struct Bandwidth {
    uint32_t caps = 0;
    uint32_t overlay = 0;
    uint32_t colorKey = 0;
    uint32_t yInterpolate = 0;
    uint32_t yInterpAndColorKey = 0;
};

struct SurfaceDescription {
    bool primary = false;  // the screen; size and format are the desktop's
    uint32_t width = 0;
    uint32_t height = 0;
    PixelFormat pixelFormat;
    uint32_t backBufferCount = 0;
};

class Clipper {
  public:
    virtual ~Clipper() = default;
    virtual bool setWindow(WindowHandle window) = 0;
    // The window's client area on the screen that no other window covers,
    // as rectangles in screen coordinates; false without a window.
    virtual bool clipList(std::vector<DisplayRect>& rects) = 0;
};

class Surface {
  public:
    virtual ~Surface() = default;
    virtual SurfaceDescription description() = 0;
    // A mode change took the surface's memory away.
    virtual bool isLost() = 0;
    virtual bool setClipper(Clipper* clipper) = 0;
    // The destination colour key of the screen: overlays keyed to it show
    // where the screen holds a value in [low, high].
    virtual bool setColorKey(uint32_t low, uint32_t high) = 0;
    // Shows (display::OverlayShow) or hides this overlay over `screen`.
    // Null rectangles stand for the whole surface.
    virtual bool updateOverlay(const DisplayRect* source, Surface& screen,
                               const DisplayRect* destination, uint32_t flags) = 0;
    // Fills `destination` with a colour of the surface's pixel format,
    // inside its clipper's clip list when it has one.
    virtual bool colorFill(const DisplayRect& destination, uint32_t colour) = 0;
};

class VideoPort {
  public:
    virtual ~VideoPort() = default;
    // The formats the port can write for `input`.
    virtual bool outputFormats(const PixelFormat& input, std::vector<PixelFormat>& formats) = 0;
    // `query` is display::BandwidthType (only the caps are filled), or
    // BandwidthOverlay / BandwidthVideoPort for a field of width x height.
    virtual bool bandwidthInfo(const PixelFormat& output, uint32_t width, uint32_t height,
                               uint32_t query, Bandwidth& out) = 0;
    virtual bool setTargetSurface(Surface& overlay) = 0;
    virtual bool startVideo(const PortInfo& info) = 0;
    virtual bool updateVideo(const PortInfo& info) = 0;
};

class VideoPortContainer {
  public:
    virtual ~VideoPortContainer() = default;
    virtual std::vector<PortCaps> enumVideoPorts() = 0;
    // The connections port `portId` supports; false for no such port.
    virtual bool connectInfo(uint32_t portId, std::vector<PortConnect>& connections) = 0;
    virtual std::unique_ptr<VideoPort> createVideoPort(const PortDescription& description) = 0;
};

class DisplayDevice {
  public:
    virtual ~DisplayDevice() = default;
    virtual DeviceCaps caps() = 0;
    // Null when the device has no video port.
    virtual std::unique_ptr<VideoPortContainer> videoPortContainer() = 0;
    virtual bool setCooperativeLevelNormal() = 0;
    // Null when the surface cannot be made (no memory, a refused format).
    virtual std::unique_ptr<Surface> createSurface(const SurfaceDescription& description) = 0;
    virtual std::unique_ptr<Clipper> createClipper() = 0;
};

}  // namespace zelkor::platform
