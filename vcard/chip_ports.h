#pragma once
// The display chip as the I/O ports reach it: the VGA sequencer and CRT
// controller registers, the chip's own extended registers behind their
// unlock sequence, and the two of them that drive and sense the I2C bus.

#include <array>
#include <cstdint>

#include "platform/ports.h"
#include "vcard/config.h"
#include "vcard/i2c_bus.h"

namespace zelkor::vcard {

// How a chip family guards its extended CRT controller registers, and where
// the I2C drive and sense registers sit among them.
struct ChipFamily {
    enum class Unlock {
        Sequencer,         // sequencer 0x06 <- 0x57
        SequencerAndCrtc,  // sequencer 0x06 <- 0x56, then CRTC 0x1F <- 0x57
    };
    Unlock unlock = Unlock::SequencerAndCrtc;
    uint8_t driveIndex = 0x37;
    uint8_t senseIndex = 0x36;
};

ChipFamily chipFamily(ChipId chip);

// Port numbers of the card.
namespace port {
constexpr uint16_t SequencerIndex = 0x3C4;
constexpr uint16_t SequencerData = 0x3C5;
constexpr uint16_t CrtcIndex = 0x3D4;
constexpr uint16_t CrtcData = 0x3D5;
constexpr uint16_t Delay = 0x80;
}  // namespace port

class ChipPorts : public platform::Ports {
  public:
    ChipPorts(ChipFamily family, I2cBus& bus) : family_(family), bus_(bus) {}

    uint8_t in(uint16_t port) override;
    void out(uint16_t port, uint8_t value) override;

    const ChipFamily& family() const { return family_; }
    bool extendedUnlocked() const;
    uint64_t portReads() const { return reads_; }
    uint64_t portWrites() const { return writes_; }

  private:
    uint8_t readCrtc(uint8_t index) const;
    void writeCrtc(uint8_t index, uint8_t value);

    ChipFamily family_;
    I2cBus& bus_;
    uint8_t seqIndex_ = 0;
    uint8_t crtcIndex_ = 0;
    std::array<uint8_t, 256> seq_{};
    std::array<uint8_t, 256> crtc_{};
    uint64_t reads_ = 0;
    uint64_t writes_ = 0;
};

}  // namespace zelkor::vcard
