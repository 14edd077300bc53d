#pragma once
// The card's I2C bus at the line level, in three layers:
//  1. LineDecoder turns changes of the wired-AND SCL/SDA levels into start,
//     stop and clock events;
//  2. ByteBus assembles bits into bytes, matches addresses, acknowledges and
//     shifts read data out, one bit per clock the master gives;
//  3. BusDevice is a register-level device that sees whole bytes.
// Devices only drive SDA, and only while SCL is low, so the master sees an
// acknowledge or a data bit only when it clocks it.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zelkor::vcard {

enum class LineEvent {
    Start,      // SDA fell while SCL was high (also a repeated start)
    Stop,       // SDA rose while SCL was high
    ClockRise,  // SCL rose: the bit on SDA is valid now
    ClockFall,  // SCL fell: devices may change what they drive
};

class LineDecoder {
  public:
    enum class State {
        Idle,       // bus free, or never started
        StartHeld,  // start seen, SCL still high
        ClockLow,   // inside a transfer, SCL low
        ClockHigh,  // inside a transfer, SCL high
    };

    struct Events {
        std::array<LineEvent, 2> event{};
        std::array<bool, 2> sda{};
        int count = 0;
    };

    // Feeds new line levels and returns what happened, in order (each event
    // with the SDA level at its time). When both lines change in one step,
    // SCL falling is taken before the SDA change and SCL rising after it: a
    // master that writes both bits of its drive register at once then never
    // produces a false start or stop.
    Events update(bool scl, bool sda);

    State state() const { return state_; }
    bool scl() const { return scl_; }
    bool sda() const { return sda_; }

  private:
    void sclTo(bool level, Events& out);
    void sdaTo(bool level, Events& out);

    State state_ = State::Idle;
    bool scl_ = true;
    bool sda_ = true;
};

// Something that takes part in the bus at the line level.
class LineParticipant {
  public:
    virtual ~LineParticipant() = default;
    virtual void onLineEvent(LineEvent event, bool sda) = 0;
    // False while it pulls SDA low.
    virtual bool sdaReleased() const = 0;
};

// A register-level device. Addresses are in 8-bit form (bit 0 = read).
class BusDevice {
  public:
    virtual ~BusDevice() = default;
    virtual bool answers(uint8_t address) const = 0;
    // Addressed after a start; `read` when bit 0 of the address was set.
    virtual void begin(bool read) = 0;
    // A byte written to the device; returns whether it acknowledges.
    virtual bool receive(uint8_t byte) = 0;
    // The next byte the device sends.
    virtual uint8_t transmit() = 0;
    // The transfer ended by a stop.
    virtual void end() {}
};

class ByteBus : public LineParticipant {
  public:
    enum class Phase { Idle, Address, AddressAck, Write, WriteAck, Read, ReadAck, NotAddressed };

    void attach(BusDevice& device) { devices_.push_back(&device); }
    void onLineEvent(LineEvent event, bool sda) override;
    bool sdaReleased() const override { return sdaOut_; }
    Phase phase() const { return phase_; }

  private:
    void onClockFall();
    void driveReadBit();

    std::vector<BusDevice*> devices_;
    BusDevice* selected_ = nullptr;
    Phase phase_ = Phase::Idle;
    bool reading_ = false;
    int bits_ = 0;
    uint8_t shift_ = 0;
    bool ackClocked_ = false;
    bool masterAcked_ = false;
    bool sdaOut_ = true;
};

// The two lines with everything hanging on them. The master's drive is
// wired-AND with every participant's output.
class I2cBus {
  public:
    I2cBus() { participants_.push_back(&bytes_); }

    void attach(BusDevice& device) { bytes_.attach(device); }
    void attach(LineParticipant& participant) { participants_.push_back(&participant); }

    // The master's drive (true = released); updates the lines and delivers
    // the events. Participants react to an event in the same step, so
    // levels are settled again before this returns.
    void drive(bool scl, bool sda);
    bool scl() const { return decoder_.scl(); }
    bool sda() const { return decoder_.sda(); }

    // Called with the settled levels whenever one of them changed.
    std::function<void(bool scl, bool sda)> onChange;

    const LineDecoder& lines() const { return decoder_; }
    const ByteBus& bytes() const { return bytes_; }
    // Drives after which the lines were still moving when settling stopped:
    // a participant that answers every change with another. The lines stay
    // as the last pass left them; this count is the only trace of it.
    uint64_t settleGiveUps() const { return settleGiveUps_; }

  private:
    bool wiredSda() const;
    void settle();

    LineDecoder decoder_;
    ByteBus bytes_;
    std::vector<LineParticipant*> participants_;
    bool masterScl_ = true;
    bool masterSda_ = true;
    uint64_t settleGiveUps_ = 0;
};

}  // namespace zelkor::vcard
