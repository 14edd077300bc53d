#pragma once
// The register-level devices on the card's I2C bus.

#include <array>
#include <cstdint>
#include <functional>

#include "vcard/i2c_bus.h"

namespace zelkor::vcard {

enum class Connector { None, Composite, SVideo };

// What the decoder sees on one of its inputs.
struct InputSignal {
    bool present = false;
    int fieldRate = 60;  // 50 or 60 fields per second
};

// The video decoder: 32 registers with an auto-incrementing pointer that the
// first byte of a write sets. Register 0x1F reads the live status.
class Decoder : public BusDevice {
  public:
    static constexpr uint8_t Address = 0x48;
    static constexpr int RegisterCount = 0x20;
    static constexpr uint8_t StatusRegister = 0x1F;
    static constexpr uint8_t StatusLocked = 0x01;
    static constexpr uint8_t Status60Hz = 0x20;

    explicit Decoder(std::function<InputSignal(Connector)> signalOf)
        : signalOf_(std::move(signalOf)) {}

    bool answers(uint8_t address) const override { return address == Address; }
    void begin(bool read) override;
    bool receive(uint8_t byte) override;
    uint8_t transmit() override;

    // Register contents as last written (the status register as it reads).
    uint8_t reg(uint8_t index) const;
    // The input register 0x02 selects.
    Connector connector() const;
    // Field rate of the standard registers 0x08, 0x09 and 0x0E select;
    // 0 when they hold no known standard.
    int standardRate() const;
    bool locked() const;
    uint8_t status() const;
    // Register 0x11 bit 3 enables the picture output.
    bool outputOn() const { return (regs_[0x11] & 0x08) != 0; }
    // Number of register writes since power-on.
    uint64_t writeCount() const { return writes_; }

  private:
    // The lock test, for the signal on the selected input.
    bool lockedTo(const InputSignal& in) const;

    std::function<InputSignal(Connector)> signalOf_;
    std::array<uint8_t, RegisterCount> regs_{};
    uint8_t pointer_ = 0;
    bool pointerSet_ = false;
    uint64_t writes_ = 0;
};

// A device that acknowledges everything at one address and keeps nothing.
class OptionalDevice : public BusDevice {
  public:
    explicit OptionalDevice(uint8_t address) : address_(address) {}
    bool answers(uint8_t address) const override { return address == address_; }
    void begin(bool) override {}
    bool receive(uint8_t) override { return true; }
    uint8_t transmit() override { return 0xFF; }

  private:
    uint8_t address_;
};

// A one-byte output device without register numbers: keeps the last byte
// written and sends it back when read.
class OutputLatch : public BusDevice {
  public:
    static constexpr uint8_t Address = 0x42;
    bool answers(uint8_t address) const override { return address == Address; }
    void begin(bool) override {}
    bool receive(uint8_t byte) override {
        value_ = byte;
        ++writes_;
        return true;
    }
    uint8_t transmit() override { return value_; }
    uint8_t value() const { return value_; }
    int writeCount() const { return writes_; }

  private:
    uint8_t value_ = 0xFF;
    int writes_ = 0;
};

}  // namespace zelkor::vcard
