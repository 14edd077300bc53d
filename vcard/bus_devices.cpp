#include "vcard/bus_devices.h"

namespace zelkor::vcard {

namespace {

// How the decoder reads its standard registers: the mode bits of 0x08 (the
// rest of that register differs between chip revisions), 0x09 and 0x0E.
struct StandardCode {
    uint8_t mode08;
    uint8_t reg09;
    uint8_t reg0E;
    int fieldRate;
};

constexpr StandardCode kStandards[] = {
    {0x40, 0x10, 0x01, 60}, {0x80, 0x10, 0x31, 60}, {0x80, 0x10, 0x21, 60}, {0x00, 0x00, 0x01, 50},
    {0x40, 0x00, 0x31, 60}, {0x80, 0x00, 0x21, 50}, {0x40, 0x00, 0x11, 50}, {0x00, 0x00, 0x51, 50},
};

}  // namespace

void Decoder::begin(bool read) {
    if (!read) {
        pointerSet_ = false;
    }
}

bool Decoder::receive(uint8_t byte) {
    if (!pointerSet_) {
        pointer_ = byte;
        pointerSet_ = true;
        return true;
    }
    if (pointer_ < RegisterCount && pointer_ != StatusRegister) {
        regs_[pointer_] = byte;
        ++writes_;
    }
    ++pointer_;
    return true;
}

uint8_t Decoder::transmit() {
    const uint8_t value = pointer_ < RegisterCount ? reg(pointer_) : 0x00;
    ++pointer_;
    return value;
}

uint8_t Decoder::reg(uint8_t index) const {
    if (index == StatusRegister) {
        return status();
    }
    return index < RegisterCount ? regs_[index] : 0x00;
}

Connector Decoder::connector() const {
    switch (regs_[0x02] & 0x0F) {
        case 0x3:
            return Connector::Composite;
        case 0x4:
        case 0x6:
            return Connector::SVideo;
        default:
            return Connector::None;
    }
}

int Decoder::standardRate() const {
    for (const StandardCode& s : kStandards) {
        if ((regs_[0x08] & 0xC0) == s.mode08 && regs_[0x09] == s.reg09 && regs_[0x0E] == s.reg0E) {
            return s.fieldRate;
        }
    }
    return 0;
}

bool Decoder::locked() const {
    return lockedTo(signalOf_(connector()));
}

bool Decoder::lockedTo(const InputSignal& in) const {
    return in.present && in.fieldRate == standardRate();
}

uint8_t Decoder::status() const {
    const InputSignal in = signalOf_(connector());
    uint8_t s = 0;
    if (lockedTo(in)) {
        s |= StatusLocked;
    }
    if (in.present && in.fieldRate == 60) {
        s |= Status60Hz;
    }
    return s;
}

}  // namespace zelkor::vcard
