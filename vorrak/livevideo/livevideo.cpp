#include "vorrak/livevideo/livevideo.h"

#include <algorithm>
#include <vector>

#include "vorrak/livevideo/placement.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {
namespace dd = platform::display;
namespace mb = platform::mb;

DisplayRect intersect(const DisplayRect& a, const DisplayRect& b) {
    const DisplayRect r{std::max(a.left, b.left), std::max(a.top, b.top),
                        std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return r.left < r.right && r.top < r.bottom ? r : DisplayRect{};
}

void message(LiveVideoServices& s, std::string_view text, uint32_t style) {
    s.ui.messageBox(text, resources::kTitle, style);
}

void setTimer(LiveVideo& lv, LiveVideoServices& s, uint32_t periodMs) {
    s.timers.setTimer(s.host.mainWindow(), kLiveVideoTimer, periodMs,
                      [&lv, &s] { RefreshLiveVideo(lv, s); });
}

// The port's output format: the only one, else the last UYVY one, else the
// first.
bool chooseOutputFormat(LiveVideo& lv) {
    std::vector<platform::PixelFormat> formats;
    if (!lv.port->outputFormats(lv.inputFormat, formats) || formats.empty()) {
        return false;
    }
    lv.outputFormat = formats.front();
    if (formats.size() > 1) {
        for (const platform::PixelFormat& f : formats) {
            if ((f.flags & dd::PixelFourCC) != 0 && f.fourCC == dd::Uyvy) {
                lv.outputFormat = f;
            }
        }
    }
    return true;
}

bool createSurfaces(LiveVideo& lv, LiveVideoServices& s) {
    if (!lv.device->setCooperativeLevelNormal()) {
        return false;
    }
    platform::SurfaceDescription primary;
    primary.primary = true;
    lv.primary = lv.device->createSurface(primary);
    if (!lv.primary) {
        return false;
    }
    const platform::SurfaceDescription screen = lv.primary->description();
    lv.screenRect = {0, 0, int32_t(screen.width), int32_t(screen.height)};
    const uint32_t field = s.params.fieldHeight;
    const uint32_t height = (lv.portCaps.fx & dd::PortFxInterleave) != 0 ? 2 * field : field;
    if ((lv.portCaps.caps & dd::PortCapsAutoFlip) != 0) {
        platform::SurfaceDescription d{.primary = false,
                                       .width = s.params.fieldWidth,
                                       .height = height,
                                       .pixelFormat = lv.outputFormat,
                                       .backBufferCount = 1};
        lv.overlay = lv.device->createSurface(d);
        if (!lv.overlay) {
            d.height = field + 1;
            lv.overlay = lv.device->createSurface(d);
        }
        if (lv.overlay) {
            lv.bufferCount = 2;
        }
    }
    return lv.overlay != nullptr;
}

// Whether the bandwidth leaves room for destination colour keying.
bool measureBandwidth(LiveVideo& lv, LiveVideoServices& s) {
    platform::Bandwidth bw;
    lv.port->bandwidthInfo(lv.outputFormat, 0, 0, dd::BandwidthType, bw);
    const bool source = (bw.caps & dd::BandwidthCapsSource) != 0;
    if (!lv.port->bandwidthInfo(lv.outputFormat, s.params.fieldWidth, s.params.fieldHeight,
                                source ? dd::BandwidthOverlay : dd::BandwidthVideoPort, bw)) {
        return false;
    }
    if (source) {
        lv.keyingAffordable =
            bw.yInterpAndColorKey < bw.yInterpolate && bw.yInterpAndColorKey < bw.colorKey ? 0 : 1;
    } else {
        lv.keyingAffordable =
            bw.yInterpolate < bw.yInterpAndColorKey && bw.colorKey < bw.yInterpAndColorKey ? 0 : 1;
    }
    return true;
}
}  // namespace

bool IsFiftyHertzGroup(uint32_t videoStandard) {
    return videoStandard == 3 || videoStandard == 5 || videoStandard == 6 || videoStandard == 7;
}

uint32_t FieldHeightFor(uint32_t videoStandard, const DisplayChipInfo& chip) {
    return uint32_t(IsFiftyHertzGroup(videoStandard) ? chip.fieldHeight50 : chip.fieldHeight60);
}

VideoPortParams MakeVideoPortParams(uint32_t videoStandard, const DisplayChipInfo& chip) {
    VideoPortParams p;
    p.fieldHeight = FieldHeightFor(videoStandard, chip);
    return p;
}

int OpenDisplayDevice(LiveVideo& lv, LiveVideoServices& s, bool silent) {
    const auto fail = [&](std::string_view text) {
        if (!silent) {
            message(s, text, mb::ICONEXCLAMATION);
        }
        return 0;
    };
    lv.device = s.createDisplayDevice ? s.createDisplayDevice() : nullptr;
    if (!lv.device) {
        return fail(kNoDisplayObjectMessage);
    }
    lv.deviceCaps = lv.device->caps();
    if ((lv.deviceCaps.caps2 & dd::Caps2VideoPort) == 0) {
        return fail(kNoVideoPortMessage);
    }
    if ((lv.deviceCaps.caps & dd::CapsOverlay) == 0) {
        return fail(kNoOverlayMessage);
    }
    lv.container = lv.device->videoPortContainer();
    if (!lv.container) {
        return fail(kNoVideoPortObjectMessage);
    }
    // The caps of the last port reported are the ones kept.
    for (const platform::PortCaps& caps : lv.container->enumVideoPorts()) {
        lv.portCaps = caps;
    }
    lv.clipper = lv.device->createClipper();
    if (!lv.clipper) {
        return fail(kNoClipperMessage);
    }
    return 1;
}

int OpenVideoPort(LiveVideo& lv, LiveVideoServices& s) {
    if (!lv.container) {
        return 0;
    }
    const VideoPortParams& p = s.params;
    platform::PortDescription d;
    d.fieldWidth = p.fieldWidth;
    d.vbiWidth = p.fieldWidth;
    d.fieldHeight = p.fieldHeight;
    d.microsecondsPerField = p.microsecondsPerField;
    d.maxPixelsPerSecond = p.maxPixelsPerSecond;
    d.portId = 0;
    d.connect = {p.portWidth, p.connectionType, dd::ConnectInterlaced};

    std::vector<platform::PortConnect> connections;
    if (!lv.container->connectInfo(0, connections) || connections.empty()) {
        return 0;
    }
    const bool usable = std::any_of(connections.begin(), connections.end(), [](const auto& c) {
        return c.portWidth == 8 || c.type == dd::Ccir656;
    });
    if (!usable) {
        return 0;
    }
    lv.port = lv.container->createVideoPort(d);
    return lv.port ? 1 : 0;
}

int StartLiveVideo(LiveVideo& lv, LiveVideoServices& s) {
    if (!lv.device || !lv.port || !lv.clipper || !chooseOutputFormat(lv)) {
        return 0;
    }
    if (!createSurfaces(lv, s)) {
        lv.bandwidthFailure = 1;
        return 0;
    }
    lv.clipper->setWindow(s.host.mainWindow());
    lv.primary->setClipper(lv.clipper.get());

    lv.colorKey = ColorKeyFor(lv.primary->description().pixelFormat);
    lv.primary->setColorKey(lv.colorKey, lv.colorKey);

    if (!measureBandwidth(lv, s) || !lv.port->setTargetSurface(*lv.overlay)) {
        return 0;
    }
    lv.firstStart = 1;
    if (!ProgramWithRetries(lv, s)) {
        return 0;
    }
    lv.firstStart = 0;
    s.host.invalidate();
    setTimer(lv, s, kLiveVideoPeriodMs);
    return 1;
}

void StartLiveVideoAtLaunch(LiveVideo& lv, LiveVideoServices& s) {
    if (!OpenVideoPort(lv, s)) {
        s.host.hide();
        message(s, kNoPortAtLaunchMessage, mb::ICONHAND | mb::TOPMOST);
        CloseLiveVideo(lv, s);
        s.host.quit();
        return;
    }
    if (StartLiveVideo(lv, s)) {
        return;
    }
    if (lv.bandwidthFailure != 0) {
        s.host.hide();
        message(s, kBandwidthMessage, mb::ICONEXCLAMATION | mb::TOPMOST);
        CloseLiveVideo(lv, s);
        s.host.quit();
        return;
    }
    message(s, kStartPortFailedMessage, mb::ICONHAND | mb::TOPMOST);
}

void RefreshLiveVideo(LiveVideo& lv, LiveVideoServices& s) {
    if (lv.overlay && lv.overlay->isLost()) {
        CloseLiveVideo(lv, s);
        lv.restartNeeded = 1;
    } else if (!lv.overlay) {
        lv.restartNeeded = 1;
    }
    if (lv.restartNeeded != 0) {
        if (!OpenDisplayDevice(lv, s, true) || !OpenVideoPort(lv, s)) {
            CloseLiveVideo(lv, s);
            setTimer(lv, s, kLiveVideoRetryMs);
            return;
        }
        if (!StartLiveVideo(lv, s)) {
            CloseLiveVideo(lv, s);
            if (lv.bandwidthFailure != 0) {
                s.host.hide();
                message(s, kCantPlayMessage, mb::ICONEXCLAMATION | mb::TOPMOST);
                s.host.quit();
            } else {
                setTimer(lv, s, kLiveVideoRetryMs);
            }
            return;
        }
        lv.restartNeeded = 0;
    }
    DisplayRect visible;
    int32_t clipped = -1;
    if (!GetVisibleRect(lv, s, visible, clipped) || !(visible == lv.lastVisible) ||
        clipped != lv.lastClipped) {
        ProgramWithRetries(lv, s);
        lv.lastVisible = visible;
        lv.lastClipped = clipped;
    }
}

void CloseLiveVideo(LiveVideo& lv, LiveVideoServices& s) {
    s.timers.killTimer(s.host.mainWindow(), kLiveVideoTimer);
    lv.port.reset();
    lv.overlay.reset();
    lv.bufferCount = 0;
    lv.primary.reset();
    lv.container.reset();
    lv.device.reset();
    lv.clipper.reset();
}

int ClientRectOnScreen(LiveVideoServices& s, DisplayRect& rect) {
    return s.host.clientRectOnScreen(rect) ? 1 : 0;
}

int GetVisibleRect(LiveVideo& lv, LiveVideoServices& s, DisplayRect& rect, int32_t& clipped) {
    DisplayRect client;
    if (!ClientRectOnScreen(s, client) || !lv.clipper || !lv.device) {
        return 0;
    }
    std::vector<DisplayRect> clip;
    if (!lv.clipper->clipList(clip)) {
        return 0;
    }
    if (clip.size() == 1) {
        rect = clip.front();
        clipped = 0;
    } else {
        rect = intersect(client, lv.screenRect);
        clipped = 1;
    }
    const platform::DeviceCaps caps = lv.device->caps();
    AlignRect(rect, (caps.caps & dd::CapsAlignBoundaryDest) != 0 ? caps.alignBoundaryDest : 0,
              (caps.caps & dd::CapsAlignSizeDest) != 0 ? caps.alignSizeDest : 0);
    return 1;
}

int ProgramVideoPort(LiveVideo& lv, LiveVideoServices& s, uint32_t attempt) {
    DisplayRect client;
    if (!ClientRectOnScreen(s, client)) {
        HideOverlay(lv);
        return 0;
    }
    lv.attempt = attempt;
    lv.W = uint32_t(std::max(client.width(), 0));
    lv.H = uint32_t(std::max(client.height(), 0));
    // Nothing of an empty window can be shown, and every size below
    // divides by it.
    if (lv.W == 0 || lv.H == 0 || !lv.port) {
        HideOverlay(lv);
        return 0;
    }
    const PortPlacement p =
        ComputePortPlacement(s.busMethod, IsFiftyHertzGroup(s.videoStandard), lv.W, lv.H,
                             s.params.fieldHeight, attempt, lv.bufferCount);
    if (!p.ok) {
        return 0;
    }
    lv.PW = p.PW;
    lv.CL = p.CL;
    lv.CT = p.CT;
    lv.SB = p.SB;
    platform::PortInfo info;
    info.flags = p.flags;
    info.prescaleWidth = p.PW;
    info.prescaleHeight = p.PH;
    info.inputFormat = lv.inputFormat;
    const bool sent = lv.firstStart != 0 ? lv.port->startVideo(info) : lv.port->updateVideo(info);
    return sent ? PlaceOverlay(lv, s) : 0;
}

int ProgramWithRetries(LiveVideo& lv, LiveVideoServices& s) {
    for (uint32_t attempt = 0; attempt < kProgramAttempts; ++attempt) {
        if (ProgramVideoPort(lv, s, attempt)) {
            return 1;
        }
    }
    return 0;
}

int PlaceOverlay(LiveVideo& lv, LiveVideoServices& s) {
    const DisplayRect base{int32_t(lv.CL), int32_t(lv.CT), int32_t(lv.PW) - int32_t(lv.CL),
                           int32_t(lv.SB)};
    DisplayRect dest;
    int32_t clipped = 0;
    DisplayRect client;
    if (!lv.overlay || !lv.primary || !GetVisibleRect(lv, s, dest, clipped) ||
        !ClientRectOnScreen(s, client) || client.width() <= 0 || client.height() <= 0) {
        HideOverlay(lv);
        return 0;
    }
    DisplayRect src = SourceForDestination(dest, client, base);
    const platform::DeviceCaps caps = lv.device->caps();
    AlignRect(src, (caps.caps & dd::CapsAlignBoundarySrc) != 0 ? caps.alignBoundarySrc : 0,
              (caps.caps & dd::CapsAlignSizeSrc) != 0 ? caps.alignSizeSrc : 0);

    if ((lv.keyingAffordable != 0 || clipped != 0) &&
        lv.overlay->updateOverlay(&src, *lv.primary, &dest, dd::OverlayShow | dd::OverlayKeyDest)) {
        return 1;
    }
    // A covered window is shown keyed or not at all: unkeyed, the overlay
    // would lie over the windows in front.
    if (clipped != 0 || !lv.overlay->updateOverlay(&src, *lv.primary, &dest, dd::OverlayShow)) {
        HideOverlay(lv);
        return 0;
    }
    return 1;
}

void HideOverlay(LiveVideo& lv) {
    if (lv.overlay && lv.primary) {
        lv.overlay->updateOverlay(nullptr, *lv.primary, nullptr, dd::OverlayHide);
    }
}

void PaintColorKey(LiveVideo& lv, LiveVideoServices& s) {
    if (s.host.showsCapturePreview()) {
        s.host.paintCaptureWindow();
        return;
    }
    DisplayRect client;
    if (lv.colorKey != 1 && lv.primary && ClientRectOnScreen(s, client)) {
        lv.primary->colorFill(client, lv.colorKey);
    }
}

void ChangeLiveVideoStandard(LiveVideo& lv, LiveVideoServices& s, VideoPortParams& params,
                             uint32_t videoStandard, const DisplayChipInfo& chip) {
    params.fieldHeight = FieldHeightFor(videoStandard, chip);
    CloseLiveVideo(lv, s);
    RefreshLiveVideo(lv, s);
}

}  // namespace zelkor::vorrak
