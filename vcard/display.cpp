#include "vcard/display.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "vcard/card.h"
#include "vcard/yuv_rows.h"

namespace zelkor::vcard {

namespace {

namespace dd = platform::display;
using platform::PixelFormat;
using platform::PortInfo;

constexpr int kFieldWidth = VideoField::Width;
// Larger surfaces or fields than any mode of the card has are refused, so a
// wild request cannot take the machine's memory.
constexpr uint32_t kMaxSurfaceSide = 2048;
// A program that never repaints would otherwise grow the fill list forever.
constexpr size_t kMaxFills = 256;
constexpr DisplayRect kDefaultScreen{0, 0, 1024, 768};

DisplayRect intersect(const DisplayRect& a, const DisplayRect& b) {
    DisplayRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) {
        return {};
    }
    return r;
}

bool isEmpty(const DisplayRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

bool contains(const DisplayRect& outer, const DisplayRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Byte positions inside a 4-byte pixel pair.
struct PairLayout {
    int y0, u, y1, v;
};
PairLayout layoutOf(uint32_t fourCC) {
    return fourCC == dd::Yuy2 ? PairLayout{0, 1, 2, 3} : PairLayout{1, 0, 3, 2};
}

}  // namespace

struct ClipperData {
    platform::WindowHandle window = nullptr;
};

struct SurfaceData {
    platform::SurfaceDescription desc;
    uint64_t epoch = 0;
    // Overlays: front and back buffer, pixel pairs of four bytes.
    std::array<std::vector<uint8_t>, 2> buffers;
    int bufferCount = 0;
    int front = 0;
    size_t stride = 0;
    // Overlays: each buffer's lines in ARGB, converted when first shown
    // after the port wrote them. With interleaved fields a line changes
    // every other field while the screen shows it every field.
    std::array<std::vector<uint32_t>, 2> argb;
    std::array<std::vector<uint8_t>, 2> argbCurrent;  // per line
    // The screen: its colour key and clipper.
    bool hasKey = false;
    uint32_t keyLow = 0;
    uint32_t keyHigh = 0;
    std::shared_ptr<ClipperData> clipper;
    // Overlays: how they are shown.
    bool shown = false;
    bool keyed = false;
    DisplayRect source;
    DisplayRect destination;
};

struct PortData {
    platform::PortDescription description;
    std::weak_ptr<SurfaceData> target;
    PortInfo info;
    bool running = false;
    uint64_t fieldsWritten = 0;
};

struct DisplayState {
    DisplayState(VirtualCard& c, platform::Clock& k, const DisplayOptions& o)
        : card(c), clock(k), options(o), startMs(k.monotonicMs()) {}

    VirtualCard& card;
    platform::Clock& clock;
    DisplayOptions options;
    WindowSystem* windows = nullptr;
    uint64_t startMs;
    uint32_t overlayCreations = 0;
    std::weak_ptr<SurfaceData> primary;
    std::weak_ptr<SurfaceData> overlay;  // the one last shown or hidden
    std::weak_ptr<PortData> port;
    std::vector<ScreenFill> fills;
    VideoField field;
    uint64_t lastField = UINT64_MAX;
    std::vector<uint32_t> columns;  // scratch of the port and the composer

    // Surfaces belong to the display mode they were made in.
    uint64_t epoch() const {
        const uint32_t every = options.surfacesLostAfterMs;
        return every == 0 ? 0 : (clock.monotonicMs() - startMs) / every;
    }
    bool lost(const SurfaceData& s) const { return s.epoch != epoch(); }
    DisplayRect screen() const { return windows != nullptr ? windows->screen() : kDefaultScreen; }
    void changed() const {
        if (windows != nullptr) {
            windows->screenChanged();
        }
    }
};

namespace {

class CardClipper : public platform::Clipper {
  public:
    explicit CardClipper(std::shared_ptr<DisplayState> state)
        : state_(std::move(state)), data_(std::make_shared<ClipperData>()) {}

    bool setWindow(platform::WindowHandle window) override {
        data_->window = window;
        return true;
    }
    bool clipList(std::vector<DisplayRect>& rects) override {
        rects.clear();
        return data_->window != nullptr && state_->windows != nullptr &&
               state_->windows->clipList(data_->window, rects);
    }
    const std::shared_ptr<ClipperData>& data() const { return data_; }

  private:
    std::shared_ptr<DisplayState> state_;
    std::shared_ptr<ClipperData> data_;
};

class CardSurface : public platform::Surface {
  public:
    CardSurface(std::shared_ptr<DisplayState> state, std::shared_ptr<SurfaceData> data)
        : state_(std::move(state)), data_(std::move(data)) {}

    const std::shared_ptr<SurfaceData>& data() const { return data_; }

    platform::SurfaceDescription description() override { return data_->desc; }
    bool isLost() override { return state_->lost(*data_); }

    bool setClipper(platform::Clipper* clipper) override {
        if (clipper == nullptr) {
            data_->clipper.reset();
            return true;
        }
        auto* own = dynamic_cast<CardClipper*>(clipper);
        if (own == nullptr) {
            return false;
        }
        data_->clipper = own->data();
        return true;
    }

    bool setColorKey(uint32_t low, uint32_t high) override {
        if (!data_->desc.primary || isLost()) {
            return false;
        }
        data_->hasKey = true;
        data_->keyLow = low;
        data_->keyHigh = high;
        return true;
    }

    bool updateOverlay(const DisplayRect* source, platform::Surface& screen,
                       const DisplayRect* destination, uint32_t flags) override {
        auto* target = dynamic_cast<CardSurface*>(&screen);
        if (data_->desc.primary || target == nullptr || !target->data_->desc.primary || isLost() ||
            target->isLost()) {
            return false;
        }
        state_->overlay = data_;
        if ((flags & dd::OverlayHide) != 0) {
            data_->shown = false;
            state_->changed();
            return true;
        }
        if ((flags & dd::OverlayShow) == 0) {
            return false;
        }
        const DisplayRect whole{0, 0, int32_t(data_->desc.width), int32_t(data_->desc.height)};
        const DisplayRect src = source != nullptr ? *source : whole;
        const DisplayRect dst = destination != nullptr ? *destination : state_->screen();
        const bool keyed = (flags & dd::OverlayKeyDest) != 0;
        if (isEmpty(src) || !contains(whole, src) || isEmpty(dst) ||
            (keyed && !target->data_->hasKey)) {
            return false;
        }
        data_->source = src;
        data_->destination = dst;
        data_->keyed = keyed;
        data_->shown = true;
        state_->changed();
        return true;
    }

    bool colorFill(const DisplayRect& destination, uint32_t colour) override {
        if (!data_->desc.primary || isLost()) {
            return false;
        }
        const DisplayRect area = intersect(destination, state_->screen());
        std::vector<DisplayRect> parts;
        if (data_->clipper) {
            std::vector<DisplayRect> clip;
            if (data_->clipper->window == nullptr || state_->windows == nullptr ||
                !state_->windows->clipList(data_->clipper->window, clip)) {
                return false;
            }
            for (const DisplayRect& r : clip) {
                parts.push_back(intersect(r, area));
            }
        } else {
            parts.push_back(area);
        }
        for (const DisplayRect& r : parts) {
            if (!isEmpty(r)) {
                state_->fills.push_back({r, colour});
            }
        }
        if (state_->fills.size() > kMaxFills) {
            state_->fills.erase(state_->fills.begin(),
                                state_->fills.end() - std::ptrdiff_t(kMaxFills));
        }
        state_->changed();
        return true;
    }

  private:
    std::shared_ptr<DisplayState> state_;
    std::shared_ptr<SurfaceData> data_;
};

class CardVideoPort : public platform::VideoPort {
  public:
    CardVideoPort(std::shared_ptr<DisplayState> state, const platform::PortDescription& d)
        : state_(std::move(state)), data_(std::make_shared<PortData>()) {
        data_->description = d;
        state_->port = data_;
    }

    bool outputFormats(const PixelFormat& input, std::vector<PixelFormat>& formats) override {
        formats.clear();
        if ((input.flags & dd::PixelFourCC) == 0 || input.fourCC != dd::Uyvy) {
            return false;
        }
        for (uint32_t f : state_->options.outputFormats) {
            formats.push_back({dd::PixelFourCC, f, 16, 0, 0, 0});
        }
        return true;
    }

    bool bandwidthInfo(const PixelFormat& output, uint32_t width, uint32_t height, uint32_t query,
                       platform::Bandwidth& out) override {
        const DisplayOptions& o = state_->options;
        if (!offered(output)) {
            return false;
        }
        out = {};
        out.caps = o.bandwidthSource ? dd::BandwidthCapsSource : 0;
        if (query == dd::BandwidthType) {
            return true;
        }
        if ((query != dd::BandwidthOverlay && query != dd::BandwidthVideoPort) || width == 0 ||
            height == 0) {
            return false;
        }
        out.overlay = o.bandwidthOverlay;
        out.colorKey = o.bandwidthColorKey;
        out.yInterpolate = o.bandwidthYInterpolate;
        out.yInterpAndColorKey = o.bandwidthYInterpAndColorKey;
        return true;
    }

    bool setTargetSurface(platform::Surface& overlay) override {
        auto* s = dynamic_cast<CardSurface*>(&overlay);
        if (s == nullptr || s->data()->desc.primary || s->isLost()) {
            return false;
        }
        data_->target = s->data();
        return true;
    }

    bool startVideo(const PortInfo& info) override {
        if (state_->options.portStartFails || !acceptable(info)) {
            return false;
        }
        data_->info = info;
        data_->running = true;
        return true;
    }

    bool updateVideo(const PortInfo& info) override {
        if (!data_->running || !acceptable(info)) {
            return false;
        }
        data_->info = info;
        return true;
    }

  private:
    bool offered(const PixelFormat& f) const {
        const auto& list = state_->options.outputFormats;
        return (f.flags & dd::PixelFourCC) != 0 &&
               std::find(list.begin(), list.end(), f.fourCC) != list.end();
    }

    bool acceptable(const PortInfo& info) const {
        const auto target = data_->target.lock();
        const DisplayOptions& o = state_->options;
        const uint32_t width =
            (info.flags & dd::PortPrescale) != 0 ? info.prescaleWidth : uint32_t(kFieldWidth);
        const uint32_t height = (info.flags & dd::PortPrescale) != 0
                                    ? info.prescaleHeight
                                    : data_->description.fieldHeight;
        return target && !state_->lost(*target) && width > 0 && height > 0 &&
               width <= o.maxPrescaleWidth && height <= kMaxSurfaceSide &&
               (info.inputFormat.flags & dd::PixelFourCC) != 0 &&
               info.inputFormat.fourCC == dd::Uyvy &&
               ((info.flags & dd::PortInterleave) == 0 || o.interleave) &&
               ((info.flags & dd::PortAutoFlip) == 0 || (o.autoFlip && target->bufferCount > 1));
    }

    std::shared_ptr<DisplayState> state_;
    std::shared_ptr<PortData> data_;
};

class CardPortContainer : public platform::VideoPortContainer {
  public:
    explicit CardPortContainer(std::shared_ptr<DisplayState> state) : state_(std::move(state)) {}

    std::vector<platform::PortCaps> enumVideoPorts() override {
        const DisplayOptions& o = state_->options;
        return {{.portId = 0,
                 .caps = o.autoFlip ? dd::PortCapsAutoFlip : 0,
                 .fx = o.interleave ? dd::PortFxInterleave : 0,
                 .maxWidth = o.maxPrescaleWidth,
                 .maxHeight = kMaxSurfaceSide}};
    }

    bool connectInfo(uint32_t portId, std::vector<platform::PortConnect>& connections) override {
        connections.clear();
        if (portId != 0) {
            return false;
        }
        connections.push_back({8, dd::Ccir656, dd::ConnectInterlaced});
        return true;
    }

    std::unique_ptr<platform::VideoPort> createVideoPort(
        const platform::PortDescription& d) override {
        if (d.portId != 0 || d.fieldWidth == 0 || d.fieldWidth > uint32_t(kFieldWidth) ||
            d.fieldHeight == 0 || d.fieldHeight > kMaxSurfaceSide || d.connect.portWidth != 8 ||
            !(d.connect.type == dd::Ccir656)) {
            return nullptr;
        }
        return std::make_unique<CardVideoPort>(state_, d);
    }

  private:
    std::shared_ptr<DisplayState> state_;
};

class CardDevice : public platform::DisplayDevice {
  public:
    explicit CardDevice(std::shared_ptr<DisplayState> state) : state_(std::move(state)) {}

    platform::DeviceCaps caps() override {
        const DisplayOptions& o = state_->options;
        platform::DeviceCaps c;
        c.caps = (o.overlay ? dd::CapsOverlay : 0) |
                 (o.alignBoundaryDest != 0 ? dd::CapsAlignBoundaryDest : 0) |
                 (o.alignSizeDest != 0 ? dd::CapsAlignSizeDest : 0) |
                 (o.alignBoundarySrc != 0 ? dd::CapsAlignBoundarySrc : 0) |
                 (o.alignSizeSrc != 0 ? dd::CapsAlignSizeSrc : 0);
        c.caps2 = o.videoPort ? dd::Caps2VideoPort : 0;
        c.alignBoundaryDest = o.alignBoundaryDest;
        c.alignSizeDest = o.alignSizeDest;
        c.alignBoundarySrc = o.alignBoundarySrc;
        c.alignSizeSrc = o.alignSizeSrc;
        return c;
    }

    std::unique_ptr<platform::VideoPortContainer> videoPortContainer() override {
        if (!state_->options.videoPort) {
            return nullptr;
        }
        return std::make_unique<CardPortContainer>(state_);
    }

    bool setCooperativeLevelNormal() override { return true; }

    std::unique_ptr<platform::Surface> createSurface(
        const platform::SurfaceDescription& d) override {
        auto data = std::make_shared<SurfaceData>();
        data->epoch = state_->epoch();
        if (d.primary) {
            const DisplayRect screen = state_->screen();
            data->desc = {true, uint32_t(screen.width()), uint32_t(screen.height()),
                          desktopPixelFormat(state_->options.desktop), 0};
            state_->primary = data;
            return std::make_unique<CardSurface>(state_, data);
        }
        if (!state_->options.overlay || !offered(d.pixelFormat) || d.width == 0 || d.height == 0 ||
            d.width > kMaxSurfaceSide || d.height > kMaxSurfaceSide || d.backBufferCount > 1) {
            return nullptr;
        }
        if (state_->overlayCreations++ < state_->options.overlayFailures) {
            return nullptr;
        }
        data->desc = d;
        data->bufferCount = int(d.backBufferCount) + 1;
        data->stride = size_t((d.width + 1) / 2) * 4;
        for (int i = 0; i < data->bufferCount; ++i) {
            // Black in either pair layout: Y 16, chroma 128.
            auto& b = data->buffers[size_t(i)];
            b.resize(data->stride * d.height);
            const PairLayout l = layoutOf(d.pixelFormat.fourCC);
            for (size_t p = 0; p + 3 < b.size(); p += 4) {
                b[p + size_t(l.y0)] = b[p + size_t(l.y1)] = 16;
                b[p + size_t(l.u)] = b[p + size_t(l.v)] = 128;
            }
        }
        return std::make_unique<CardSurface>(state_, data);
    }

    std::unique_ptr<platform::Clipper> createClipper() override {
        return std::make_unique<CardClipper>(state_);
    }

  private:
    bool offered(const PixelFormat& f) const {
        const auto& list = state_->options.outputFormats;
        return (f.flags & dd::PixelFourCC) != 0 &&
               std::find(list.begin(), list.end(), f.fourCC) != list.end();
    }

    std::shared_ptr<DisplayState> state_;
};

// One field through the port into the surface: the port's field is the
// decoder's lines below the blanking lines the field height adds, scaled to
// the prescale size, every other line when two fields interleave.
void writeField(DisplayState& st, PortData& port, SurfaceData& s) {
    const PortInfo& info = port.info;
    const bool prescale = (info.flags & dd::PortPrescale) != 0;
    const bool interleave = (info.flags & dd::PortInterleave) != 0;
    const int fieldHeight = int(port.description.fieldHeight);
    const int outW = prescale ? int(info.prescaleWidth) : kFieldWidth;
    const int outH = prescale ? int(info.prescaleHeight) : fieldHeight;
    // Fields alternate in what the port delivers even when the one reading
    // them skips some, else one set of lines would never be filled.
    const int parity = interleave ? int(port.fieldsWritten & 1) : 0;
    ++port.fieldsWritten;
    const int surfaceH = int(s.desc.height);
    const int rows = std::min(outH, interleave ? (surfaceH - parity + 1) / 2 : surfaceH);
    const int pairs = std::min((outW + 1) / 2, int(s.desc.width + 1) / 2);
    const VideoField& f = st.field;
    const int blanking = std::max(0, fieldHeight - f.height);
    const bool flip = (info.flags & dd::PortAutoFlip) != 0 && s.bufferCount > 1;
    const int buffer = flip ? 1 - s.front : s.front;
    const PairLayout l = layoutOf(s.desc.pixelFormat.fourCC);

    // Source byte of each output pixel's luminance; chroma from the even one.
    st.columns.resize(size_t(pairs) * 2);
    for (int x = 0; x < pairs * 2; ++x) {
        st.columns[size_t(x)] =
            uint32_t(std::min(int64_t(x) * kFieldWidth / outW, int64_t(kFieldWidth - 1)));
    }
    const bool haveField = f.uyvy.size() >= size_t(kFieldWidth) * 2 * size_t(f.height);
    // Unscaled into a UYVY surface, a line is the decoder's bytes as they are.
    const bool asIs = outW == kFieldWidth && s.desc.pixelFormat.fourCC != dd::Yuy2;
    for (int r = 0; r < rows; ++r) {
        const size_t outLine = interleave ? size_t(2 * r + parity) : size_t(r);
        uint8_t* out = s.buffers[size_t(buffer)].data() + outLine * s.stride;
        if (outLine < s.argbCurrent[size_t(buffer)].size()) {
            s.argbCurrent[size_t(buffer)][outLine] = 0;
        }
        const int line = int(int64_t(r) * fieldHeight / outH) - blanking;
        if (!haveField || line < 0 || line >= f.height) {
            for (int p = 0; p < pairs; ++p) {
                uint8_t* o = out + size_t(p) * 4;
                o[l.y0] = o[l.y1] = 16;
                o[l.u] = o[l.v] = 128;
            }
            continue;
        }
        const uint8_t* in = f.uyvy.data() + size_t(line) * kFieldWidth * 2;
        if (asIs) {
            std::memcpy(out, in, size_t(pairs) * 4);
            continue;
        }
        for (int p = 0; p < pairs; ++p) {
            const uint32_t x0 = st.columns[size_t(2 * p)];
            const uint32_t x1 = st.columns[size_t(2 * p + 1)];
            const uint8_t* pair = in + size_t(x0 & ~1u) * 2;
            uint8_t* o = out + size_t(p) * 4;
            o[l.u] = pair[0];
            o[l.v] = pair[2];
            o[l.y0] = in[size_t(x0) * 2 + 1];
            o[l.y1] = in[size_t(x1) * 2 + 1];
        }
    }
    // Interleaved fields make one frame: the buffer is shown once both
    // fields are in it.
    if (flip && (!interleave || parity == 1)) {
        s.front = buffer;
    }
}

// Line `sy` of the overlay's front buffer in ARGB, converted if the port
// wrote it since it was last shown.
const uint32_t* argbLine(SurfaceData& s, int sy) {
    const auto buffer = size_t(s.front);
    const size_t width = s.stride / 2;  // whole pairs
    std::vector<uint32_t>& argb = s.argb[buffer];
    std::vector<uint8_t>& current = s.argbCurrent[buffer];
    if (current.empty()) {
        argb.resize(width * s.desc.height);
        current.assign(s.desc.height, 0);
    }
    uint32_t* line = argb.data() + size_t(sy) * width;
    if (current[size_t(sy)] == 0) {
        pairsToArgb(s.buffers[buffer].data() + size_t(sy) * s.stride, s.stride / 4,
                    s.desc.pixelFormat.fourCC == dd::Yuy2, line);
        current[size_t(sy)] = 1;
    }
    return line;
}

// The overlay's source rectangle scaled onto `span` of its destination.
uint64_t drawOverlay(DisplayState& st, SurfaceData& s, const DisplayRect& span,
                     const DisplayRect& area, uint32_t* argb, size_t stride) {
    const DisplayRect& src = s.source;
    const DisplayRect& dst = s.destination;
    const int64_t sw = src.width();
    const int64_t sh = src.height();
    const int64_t dw = dst.width();
    const int64_t dh = dst.height();
    const int maxX = int(s.desc.width) - 1;
    const int maxY = int(s.desc.height) - 1;

    // Source column of each output column, the same for every line.
    st.columns.resize(size_t(span.width()));
    for (int x = span.left; x < span.right; ++x) {
        st.columns[size_t(x - span.left)] =
            uint32_t(std::clamp(int(src.left + (x - dst.left) * sw / dw), 0, maxX));
    }
    const bool straight =
        sw == dw && st.columns.back() - st.columns.front() + 1 == st.columns.size();
    for (int y = span.top; y < span.bottom; ++y) {
        const int sy = std::clamp(int(src.top + (y - dst.top) * sh / dh), 0, maxY);
        const uint32_t* line = argbLine(s, sy);
        uint32_t* out = argb + size_t(y - area.top) * stride + size_t(span.left - area.left);
        if (straight) {
            std::memcpy(out, line + st.columns.front(), st.columns.size() * 4);
            continue;
        }
        for (size_t i = 0; i < st.columns.size(); ++i) {
            out[i] = line[st.columns[i]];
        }
    }
    return uint64_t(span.width()) * uint64_t(span.height());
}

void fillArgb(const DisplayRect& r, const DisplayRect& area, uint32_t colour, uint32_t* argb,
              size_t stride) {
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* out = argb + size_t(y - area.top) * stride + size_t(r.left - area.left);
        std::fill(out, out + r.width(), colour);
    }
}

}  // namespace

CardDisplay::CardDisplay(VirtualCard& card, platform::Clock& clock, const DisplayOptions& options)
    : state_(std::make_shared<DisplayState>(card, clock, options)) {}

CardDisplay::~CardDisplay() {
    state_->windows = nullptr;
}

std::unique_ptr<platform::DisplayDevice> CardDisplay::open() {
    return std::make_unique<CardDevice>(state_);
}

void CardDisplay::setWindowSystem(WindowSystem* windows) {
    state_->windows = windows;
}

int CardDisplay::fieldRate() const {
    return state_->card.outputFieldRate();
}

bool CardDisplay::runPort(uint64_t index) {
    DisplayState& st = *state_;
    const auto port = st.port.lock();
    const auto target = port ? port->target.lock() : nullptr;
    if (!port || !port->running || !target || st.lost(*target)) {
        return false;
    }
    st.card.field(index, st.field);
    writeField(st, *port, *target);
    if (target->shown) {
        st.changed();
    }
    return true;
}

bool CardDisplay::portShown() const {
    const DisplayState& st = *state_;
    const auto port = st.port.lock();
    const auto target = port ? port->target.lock() : nullptr;
    return port && port->running && target && target->shown && !st.lost(*target);
}

bool CardDisplay::runPortNow() {
    const uint64_t index =
        (state_->clock.monotonicMs() - state_->startMs) * uint64_t(fieldRate()) / 1000;
    if (index == state_->lastField) {
        return false;
    }
    state_->lastField = index;
    return runPort(index);
}

uint64_t CardDisplay::compose(const DisplayRect& area, uint32_t* argb, size_t stride) {
    DisplayState& st = *state_;
    if (isEmpty(area) || stride < size_t(area.width())) {
        return 0;
    }
    // A window that filled its whole area leaves nothing unpainted to clear.
    const bool filled = std::any_of(st.fills.begin(), st.fills.end(),
                                    [&](const ScreenFill& f) { return contains(f.rect, area); });
    for (int y = 0; !filled && y < area.height(); ++y) {
        std::fill(argb + size_t(y) * stride, argb + size_t(y) * stride + size_t(area.width()), 0u);
    }
    const auto primary = st.primary.lock();
    const auto overlay = st.overlay.lock();
    const bool showing =
        primary && overlay && overlay->shown && !st.lost(*primary) && !st.lost(*overlay);
    const DisplayRect dst =
        showing ? intersect(intersect(overlay->destination, area), st.screen()) : DisplayRect{};
    uint64_t drawn = 0;
    for (const ScreenFill& fill : st.fills) {
        const DisplayRect r = intersect(fill.rect, area);
        if (isEmpty(r)) {
            continue;
        }
        const bool keyHit = showing && overlay->keyed && primary->hasKey &&
                            fill.colour >= primary->keyLow && fill.colour <= primary->keyHigh;
        const DisplayRect span = keyHit ? intersect(r, dst) : DisplayRect{};
        // Where the overlay covers all of the fill, the fill colour is never seen.
        if (!(span == r)) {
            fillArgb(r, area, 0xFF000000u | desktopRgb(st.options.desktop, fill.colour), argb,
                     stride);
        }
        if (!isEmpty(span)) {
            drawn += drawOverlay(st, *overlay, span, area, argb, stride);
        }
    }
    // Without keying the overlay covers whatever the screen holds.
    if (showing && !overlay->keyed && !isEmpty(dst)) {
        drawn += drawOverlay(st, *overlay, dst, area, argb, stride);
    }
    return drawn;
}

void CardDisplay::forgetFills(const DisplayRect& area) {
    std::erase_if(state_->fills, [&](const ScreenFill& f) { return contains(area, f.rect); });
}

OverlayView CardDisplay::overlayView() const {
    const auto overlay = state_->overlay.lock();
    const auto primary = state_->primary.lock();
    if (!overlay) {
        return {};
    }
    return {overlay->shown, overlay->keyed, primary ? primary->keyLow : 0, overlay->source,
            overlay->destination};
}

const std::vector<ScreenFill>& CardDisplay::fills() const {
    return state_->fills;
}

uint64_t CardDisplay::portFields() const {
    const auto port = state_->port.lock();
    return port ? port->fieldsWritten : 0;
}

uint32_t CardDisplay::overlayCreations() const {
    return state_->overlayCreations;
}

platform::PixelFormat desktopPixelFormat(DesktopFormat format) {
    switch (format) {
        case DesktopFormat::Palette8:
            return {dd::PixelRgb | dd::PixelPaletteIndexed8, 0, 8, 0, 0, 0};
        case DesktopFormat::Rgb565:
            return {dd::PixelRgb, 0, 16, 0xF800, 0x07E0, 0x001F};
        case DesktopFormat::Rgb555:
            return {dd::PixelRgb, 0, 16, 0x7C00, 0x03E0, 0x001F};
        case DesktopFormat::Rgb24:
            return {dd::PixelRgb, 0, 24, 0xFF0000, 0xFF00, 0xFF};
        case DesktopFormat::Rgb32:
            break;
    }
    return {dd::PixelRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF};
}

uint32_t desktopRgb(DesktopFormat format, uint32_t colour) {
    auto widen = [](uint32_t v, uint32_t bits) { return v * 255 / ((1u << bits) - 1); };
    switch (format) {
        case DesktopFormat::Palette8: {
            // The fixed colours at both ends of the system palette.
            static constexpr std::array<uint32_t, 10> low{0x000000, 0x800000, 0x008000, 0x808000,
                                                          0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                                          0xC0DCC0, 0xA6CAF0};
            static constexpr std::array<uint32_t, 10> high{0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000,
                                                           0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF,
                                                           0x00FFFF, 0xFFFFFF};
            const uint32_t i = colour & 0xFF;
            if (i < 10) {
                return low[i];
            }
            if (i >= 246) {
                return high[i - 246];
            }
            return i << 16 | i << 8 | i;
        }
        case DesktopFormat::Rgb565:
            return widen((colour >> 11) & 31, 5) << 16 | widen((colour >> 5) & 63, 6) << 8 |
                   widen(colour & 31, 5);
        case DesktopFormat::Rgb555:
            return widen((colour >> 10) & 31, 5) << 16 | widen((colour >> 5) & 31, 5) << 8 |
                   widen(colour & 31, 5);
        case DesktopFormat::Rgb24:
        case DesktopFormat::Rgb32:
            break;
    }
    return colour & 0xFFFFFF;
}

}  // namespace zelkor::vcard
