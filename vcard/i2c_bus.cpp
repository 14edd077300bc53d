#include "vcard/i2c_bus.h"

namespace zelkor::vcard {

namespace {
void add(LineDecoder::Events& out, LineEvent event, bool sda) {
    out.event[out.count] = event;
    out.sda[out.count] = sda;
    ++out.count;
}
}  // namespace

LineDecoder::Events LineDecoder::update(bool scl, bool sda) {
    Events out;
    if (scl != scl_ && !scl) {
        sclTo(scl, out);
    }
    if (sda != sda_) {
        sdaTo(sda, out);
    }
    if (scl != scl_) {
        sclTo(scl, out);
    }
    return out;
}

void LineDecoder::sclTo(bool level, Events& out) {
    scl_ = level;
    if (state_ == State::Idle) {
        return;  // clocks on a free bus carry nothing
    }
    state_ = level ? State::ClockHigh : State::ClockLow;
    add(out, level ? LineEvent::ClockRise : LineEvent::ClockFall, sda_);
}

void LineDecoder::sdaTo(bool level, Events& out) {
    sda_ = level;
    if (!scl_) {
        return;  // data changing while the clock is low: the normal case
    }
    if (!level) {
        state_ = State::StartHeld;
        add(out, LineEvent::Start, level);
    } else if (state_ != State::Idle) {
        state_ = State::Idle;
        add(out, LineEvent::Stop, level);
    }
}

void ByteBus::onLineEvent(LineEvent event, bool sda) {
    switch (event) {
        case LineEvent::Start:
            phase_ = Phase::Address;
            selected_ = nullptr;
            bits_ = 0;
            shift_ = 0;
            sdaOut_ = true;
            return;
        case LineEvent::Stop:
            if (selected_ != nullptr) {
                selected_->end();
            }
            selected_ = nullptr;
            phase_ = Phase::Idle;
            sdaOut_ = true;
            return;
        case LineEvent::ClockRise:
            switch (phase_) {
                case Phase::Address:
                case Phase::Write:
                    if (bits_ < 8) {
                        shift_ = uint8_t((shift_ << 1) | (sda ? 1 : 0));
                        ++bits_;
                    }
                    break;
                case Phase::Read:
                    ++bits_;
                    break;
                case Phase::AddressAck:
                case Phase::WriteAck:
                    ackClocked_ = true;
                    break;
                case Phase::ReadAck:
                    ackClocked_ = true;
                    masterAcked_ = !sda;
                    break;
                case Phase::Idle:
                case Phase::NotAddressed:
                    break;
            }
            return;
        case LineEvent::ClockFall:
            onClockFall();
            return;
    }
}

void ByteBus::onClockFall() {
    switch (phase_) {
        case Phase::Address:
            if (bits_ < 8) {
                return;
            }
            for (BusDevice* d : devices_) {
                if (d->answers(uint8_t(shift_ & 0xFE))) {
                    selected_ = d;
                    break;
                }
            }
            if (selected_ == nullptr) {
                phase_ = Phase::NotAddressed;
                return;
            }
            reading_ = (shift_ & 1) != 0;
            selected_->begin(reading_);
            phase_ = Phase::AddressAck;
            ackClocked_ = false;
            sdaOut_ = false;
            return;
        case Phase::Write:
            if (bits_ < 8) {
                return;
            }
            ackClocked_ = false;
            phase_ = Phase::WriteAck;
            sdaOut_ = !selected_->receive(shift_);
            return;
        case Phase::AddressAck:
        case Phase::WriteAck:
            if (!ackClocked_) {
                return;
            }
            sdaOut_ = true;
            bits_ = 0;
            shift_ = 0;
            if (reading_) {
                phase_ = Phase::Read;
                shift_ = selected_->transmit();
                driveReadBit();
            } else {
                phase_ = Phase::Write;
            }
            return;
        case Phase::Read:
            if (bits_ < 8) {
                driveReadBit();
                return;
            }
            sdaOut_ = true;  // the master acknowledges, or not
            ackClocked_ = false;
            phase_ = Phase::ReadAck;
            return;
        case Phase::ReadAck:
            if (!ackClocked_) {
                return;
            }
            if (masterAcked_) {
                phase_ = Phase::Read;
                bits_ = 0;
                shift_ = selected_->transmit();
                driveReadBit();
            } else {
                phase_ = Phase::NotAddressed;
            }
            return;
        case Phase::Idle:
        case Phase::NotAddressed:
            return;
    }
}

void ByteBus::driveReadBit() {
    sdaOut_ = ((shift_ >> (7 - bits_)) & 1) != 0;
}

bool I2cBus::wiredSda() const {
    bool level = masterSda_;
    for (const LineParticipant* p : participants_) {
        level = level && p->sdaReleased();
    }
    return level;
}

void I2cBus::drive(bool scl, bool sda) {
    masterScl_ = scl;
    masterSda_ = sda;
    settle();
}

void I2cBus::settle() {
    // Participants only change SDA on a clock fall, so a second pass, which
    // can only move SDA while SCL is low, always settles the lines; a third
    // is the margin, and a bus still moving after it is counted.
    constexpr int kPasses = 3;
    for (int pass = 0; pass < kPasses; ++pass) {
        const bool oldScl = decoder_.scl();
        const bool oldSda = decoder_.sda();
        const bool newScl = masterScl_;
        const bool newSda = wiredSda();
        if (newScl == oldScl && newSda == oldSda) {
            return;
        }
        const LineDecoder::Events events = decoder_.update(newScl, newSda);
        for (int i = 0; i < events.count; ++i) {
            for (LineParticipant* p : participants_) {
                p->onLineEvent(events.event[i], events.sda[i]);
            }
        }
        if (onChange) {
            onChange(decoder_.scl(), decoder_.sda());
        }
    }
    // Only SDA can still be moving: SCL is the master's alone.
    if (wiredSda() != decoder_.sda()) {
        ++settleGiveUps_;
    }
}

}  // namespace zelkor::vcard
