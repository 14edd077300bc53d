#include "vcard/card.h"

#include <sys/stat.h>

#include <cerrno>

#include "vcard/decoder_output.h"

namespace zelkor::vcard {

namespace {
// Ticks of the card's trace clock per port access: an I/O cycle on the
// card's bus takes about a microsecond.
constexpr uint64_t kNsPerPortCycle = 1000;
}  // namespace

VirtualCard::VirtualCard(const VcardConfig& config, platform::Clock& clock,
                         std::unique_ptr<VideoSource> composite,
                         std::unique_ptr<VideoSource> svideo)
    : config_(config),
      clock_(clock),
      composite_(std::move(composite)),
      svideo_(std::move(svideo)),
      ports_(chipFamily(config_.chips.empty() ? ChipId{} : config_.chips.front()), bus_),
      pci_(config_),
      device_(config_.decoderPresent),
      captureDriver_(config_),
      display_(*this, clock, config_.display) {
    if (config_.decoderPresent) {
        decoder_ = std::make_unique<Decoder>([this](Connector c) { return signalOf(c); });
        bus_.attach(*decoder_);
    }
    if (config_.optionalDevice != 0) {
        optional_ = std::make_unique<OptionalDevice>(config_.optionalDevice);
        bus_.attach(*optional_);
    }
    bus_.attach(latch_);
    traceStartMs_ = fieldStartMs_ = clock_.monotonicMs();
    if (!config_.traceFile.empty()) {
        trace_ = std::make_unique<VcdTrace>();
        if (trace_->open(config_.traceFile)) {
            bus_.onChange = [this](bool scl, bool sda) { traceLines(scl, sda); };
        } else {
            trace_.reset();
        }
    }
}

VirtualCard::~VirtualCard() {
    if (trace_) {
        // One bus cycle after the last change, so the lines' last levels
        // (the final stop) last long enough for a reader to sample them.
        trace_->finish(traceTimeNs() + kNsPerPortCycle);
    }
}

uint64_t VirtualCard::traceTimeNs() const {
    const uint64_t ms = clock_.monotonicMs() - traceStartMs_;
    return ms * 1000000 + (ports_.portReads() + ports_.portWrites()) * kNsPerPortCycle;
}

void VirtualCard::traceLines(bool scl, bool sda) {
    trace_->change(traceTimeNs(), scl, sda);
}

bool VirtualCard::mayWriteOutput(const std::string& path) const {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT;  // the writer creates it
    }
    if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) {
        return false;
    }
    const FileId file{uint64_t(st.st_dev), uint64_t(st.st_ino)};
    for (const VideoSource* source : {composite_.get(), svideo_.get()}) {
        if (source != nullptr && source->readsFile(file)) {
            return false;
        }
    }
    return true;
}

bool CardPci::findDevice(uint16_t vendorId, uint16_t deviceId, int index) {
    int seen = 0;
    for (const ChipId& c : config_.chips) {
        if (c == ChipId{vendorId, deviceId} && seen++ == index) {
            return true;
        }
    }
    return false;
}

InputSignal VirtualCard::signalOf(Connector c) const {
    const VideoSource* s = sourceOf(c);
    return s == nullptr || !s->hasPicture() ? InputSignal{} : InputSignal{true, s->fieldRate()};
}

VideoSource* VirtualCard::sourceOf(Connector c) const {
    switch (c) {
        case Connector::Composite:
            return composite_.get();
        case Connector::SVideo:
            return svideo_.get();
        case Connector::None:
            break;
    }
    return nullptr;
}

int VirtualCard::outputFieldRate() const {
    const int rate = decoder_ ? decoder_->standardRate() : 0;
    return rate == 0 ? 60 : rate;
}

int VirtualCard::outputFieldHeight() const {
    return outputFieldRate() == 50 ? 288 : 240;
}

uint64_t VirtualCard::currentFieldIndex() const {
    const uint64_t ms = clock_.monotonicMs() - fieldStartMs_;
    return ms * uint64_t(outputFieldRate()) / 1000;
}

void VirtualCard::currentField(VideoField& out) {
    field(currentFieldIndex(), out);
}

void VirtualCard::currentFrame(int width, int height, Picture& out) {
    frame(currentFieldIndex(), width, height, out);
}

void VirtualCard::field(uint64_t index, VideoField& out) {
    out.height = outputFieldHeight();
    out.fieldRate = outputFieldRate();
    out.index = index;
    out.uyvy.resize(size_t(VideoField::Width) * size_t(out.height) * 2);
    VideoSource* source = decoder_ ? sourceOf(decoder_->connector()) : nullptr;
    if (source == nullptr || !decoder_->outputOn() || !decoder_->locked()) {
        fillBlack(out);
        return;
    }
    scratch_.resize(VideoField::Width, out.height);
    source->render(index, scratch_);
    applyPictureControls(*decoder_, scratch_, out);
}

void VirtualCard::frame(uint64_t index, int width, int height, Picture& out) {
    const int fieldHeight = outputFieldHeight();
    Sampling& at = frameSampling_;
    if (at.fullHeight != fieldHeight || at.width() != width || at.height() != height) {
        at = sampleScaled(VideoField::Width, fieldHeight, width, height);
    }
    VideoSource* source = decoder_ ? sourceOf(decoder_->connector()) : nullptr;
    if (source == nullptr || !decoder_->outputOn() || !decoder_->locked()) {
        out.resize(width, height);
        out.fillBlack();
        return;
    }
    source->renderSampled(index, at, out);
    applyPictureControls(*decoder_, out);
}

}  // namespace zelkor::vcard
