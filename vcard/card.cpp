#include "vcard/card.h"

#include <algorithm>
#include <cstring>

#include "vcard/decoder_output.h"

namespace zelkor::vcard {

namespace {

// Ticks of the card's trace clock per port access: an I/O cycle on the
// card's bus takes about a microsecond.
constexpr uint64_t kNsPerPortCycle = 1000;

constexpr uint8_t kSequencerLock = 0x06;
constexpr uint8_t kCrtcLock = 0x1F;
// CRT controller registers above the standard VGA set are the chip's own
// and answer only while unlocked.
constexpr uint8_t kFirstExtendedCrtc = 0x19;

// Drive register bits (1 = line released) and sense register bits.
constexpr uint8_t kDriveScl = 0x20;
constexpr uint8_t kDriveSda = 0x10;
constexpr uint8_t kSenseScl = 0x04;
constexpr uint8_t kSenseSda = 0x08;

constexpr int kCaptureHandle = 1;

}  // namespace

ChipFamily chipFamily(ChipId chip) {
    if (chip == ChipId{0x12D2, 0x0018}) {
        return {ChipFamily::Unlock::Sequencer, 0x3F, 0x3E};
    }
    if (chip == ChipId{0x10DE, 0x0020}) {
        return {ChipFamily::Unlock::SequencerAndCrtc, 0x3F, 0x3E};
    }
    return {ChipFamily::Unlock::SequencerAndCrtc, 0x37, 0x36};
}

VirtualCard::VirtualCard(const VcardConfig& config, platform::Clock& clock,
                         std::unique_ptr<VideoSource> composite,
                         std::unique_ptr<VideoSource> svideo)
    : config_(config),
      clock_(clock),
      family_(chipFamily(config.chips.empty() ? ChipId{} : config.chips.front())),
      composite_(std::move(composite)),
      svideo_(std::move(svideo)) {
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

VirtualCard::~VirtualCard() = default;

bool VirtualCard::extendedUnlocked() const {
    if (family_.unlock == ChipFamily::Unlock::Sequencer) {
        return seq_[kSequencerLock] == 0x57;
    }
    return seq_[kSequencerLock] == 0x56 && crtc_[kCrtcLock] == 0x57;
}

uint8_t VirtualCard::in(uint16_t p) {
    ++reads_;
    switch (p) {
        case port::SequencerIndex:
            return seqIndex_;
        case port::SequencerData:
            return seq_[seqIndex_];
        case port::CrtcIndex:
            return crtcIndex_;
        case port::CrtcData:
            return readCrtc(crtcIndex_);
        default:
            return 0xFF;  // nothing decodes the address (port 0x80 among them)
    }
}

void VirtualCard::out(uint16_t p, uint8_t value) {
    ++writes_;
    switch (p) {
        case port::SequencerIndex:
            seqIndex_ = value;
            return;
        case port::SequencerData:
            seq_[seqIndex_] = value;
            return;
        case port::CrtcIndex:
            crtcIndex_ = value;
            return;
        case port::CrtcData:
            writeCrtc(crtcIndex_, value);
            return;
        default:
            return;
    }
}

uint8_t VirtualCard::readCrtc(uint8_t index) const {
    if (index < kFirstExtendedCrtc || index == kCrtcLock) {
        return crtc_[index];
    }
    if (!extendedUnlocked()) {
        return 0x00;
    }
    if (index == family_.senseIndex) {
        return uint8_t((bus_.scl() ? kSenseScl : 0) | (bus_.sda() ? kSenseSda : 0));
    }
    return crtc_[index];
}

void VirtualCard::writeCrtc(uint8_t index, uint8_t value) {
    if (index >= kFirstExtendedCrtc && index != kCrtcLock && !extendedUnlocked()) {
        return;
    }
    crtc_[index] = value;
    if (index == family_.driveIndex) {
        bus_.drive((value & kDriveScl) != 0, (value & kDriveSda) != 0);
    }
}

void VirtualCard::traceLines(bool scl, bool sda) {
    const uint64_t ms = clock_.monotonicMs() - traceStartMs_;
    trace_->change(ms * 1000000 + (reads_ + writes_) * kNsPerPortCycle, scl, sda);
}

bool VirtualCard::findDevice(uint16_t vendorId, uint16_t deviceId, int index) {
    int seen = 0;
    for (const ChipId& c : config_.chips) {
        if (c == ChipId{vendorId, deviceId} && seen++ == index) {
            return true;
        }
    }
    return false;
}

int VirtualCard::open(std::string_view name) {
    if (name != CaptureDeviceName) {
        return InvalidHandle;
    }
    ++openHandles_;
    return kCaptureHandle;
}

bool VirtualCard::control(int handle, uint32_t code, std::span<const uint8_t>,
                          std::span<uint8_t> out, uint32_t& returned) {
    returned = 0;
    if (handle != kCaptureHandle || openHandles_ == 0 || code != QueryCode) {
        return false;
    }
    // The reply names the device and its decoder: a text, zero-terminated,
    // cut to the caller's buffer.
    const std::string reply = std::string("ZKVP5100 virtual capture device; decoder ") +
                              (decoder_ ? "present" : "absent");
    const size_t n = std::min(out.size(), reply.size() + 1);
    if (n == 0) {
        return false;
    }
    std::memcpy(out.data(), reply.c_str(), n);
    out[n - 1] = 0;
    returned = uint32_t(n);
    return true;
}

void VirtualCard::close(int handle) {
    if (handle == kCaptureHandle && openHandles_ > 0) {
        --openHandles_;
    }
}

bool VirtualCard::driverDescription(int index, std::string& name, std::string& version) {
    if (index < 0 || index >= VcardConfig::MaxDrivers || !config_.drivers[size_t(index)]) {
        return false;
    }
    const DriverDescription& d = *config_.drivers[size_t(index)];
    name = d.name.substr(0, NameBufferSize - 1);
    version = d.version.substr(0, VersionBufferSize - 1);
    return true;
}

InputSignal VirtualCard::signalOf(Connector c) const {
    const VideoSource* s = sourceOf(c);
    return s == nullptr ? InputSignal{} : InputSignal{true, s->fieldRate()};
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

void VirtualCard::currentField(VideoField& out) {
    const uint64_t ms = clock_.monotonicMs() - fieldStartMs_;
    field(ms * uint64_t(outputFieldRate()) / 1000, out);
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

}  // namespace zelkor::vcard
