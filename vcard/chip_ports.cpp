#include "vcard/chip_ports.h"

namespace zelkor::vcard {

namespace {

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

bool ChipPorts::extendedUnlocked() const {
    if (family_.unlock == ChipFamily::Unlock::Sequencer) {
        return seq_[kSequencerLock] == 0x57;
    }
    return seq_[kSequencerLock] == 0x56 && crtc_[kCrtcLock] == 0x57;
}

uint8_t ChipPorts::in(uint16_t p) {
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

void ChipPorts::out(uint16_t p, uint8_t value) {
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

uint8_t ChipPorts::readCrtc(uint8_t index) const {
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

void ChipPorts::writeCrtc(uint8_t index, uint8_t value) {
    if (index >= kFirstExtendedCrtc && index != kCrtcLock && !extendedUnlocked()) {
        return;
    }
    crtc_[index] = value;
    if (index == family_.driveIndex) {
        bus_.drive((value & kDriveScl) != 0, (value & kDriveSda) != 0);
    }
}

}  // namespace zelkor::vcard
