#pragma once
// Register access to the chips on the display card's I2C bus. The bus is
// bit-banged through two extended CRT controller registers of the display
// chip: one drives SCL and SDA, the other senses their levels.

#include <cstdint>

#include "platform/clock.h"
#include "platform/ports.h"

namespace zelkor::vorrak {

// Line states for SetLines: bit 5 releases SCL, bit 4 releases SDA.
namespace lines {
constexpr uint8_t Both = 0x30;
constexpr uint8_t SclOnly = 0x20;  // SCL high, SDA low
constexpr uint8_t SdaOnly = 0x10;  // SCL low, SDA high
constexpr uint8_t None = 0x00;
}  // namespace lines

class DecoderBus {
  public:
    // Port 0x80 reads after every line change, as the bus delay.
    static constexpr int DelayReads = 32;
    // How long ReadRegister gives the device between address and data,
    // unless told otherwise.
    static constexpr uint32_t ReadSettleMs = 100;

    DecoderBus(platform::Ports& ports, platform::Clock& clock) : ports_(ports), clock_(clock) {}

    // Set by display chip detection before any transfer. BusMethod 10, 20
    // and 40 unlock the registers in two steps, 30 in one; any other value
    // leaves the lines alone.
    int BusMethod = 0;
    uint8_t driveIndex = 0x3F;
    uint8_t senseIndex = 0x3E;

    // Line primitives.
    void SetLines(uint8_t state);
    uint8_t SenseLines();  // bit 0 = SCL, bit 1 = SDA
    void WaitClockHigh();
    void BusStart();
    int BusStop();
    void WriteByte(uint8_t byte);
    void AckClock();
    uint8_t ReadByte();

    // Transfers. Only Probe notices a missing acknowledge.
    int WriteRegister(uint8_t address, uint8_t reg, uint8_t value);
    uint8_t ReadRegister(uint8_t address, uint8_t reg, uint32_t settleMs = ReadSettleMs);
    int WriteDirect(uint8_t address, uint8_t data);
    int Probe(uint8_t address);

    // Waits for SCL to go high that ran out: a device holding the clock, or
    // line registers that do not reach the bus. The transfer goes on as if
    // the clock had come, so this count is the only trace of it.
    uint64_t clockGiveUps() const { return clockGiveUps_; }

  private:
    bool unlock();
    void writeChipRegister(uint8_t index, uint8_t value);
    uint8_t readChipRegister(uint8_t index);
    bool waitClockHigh(int allowed, int& used);

    platform::Ports& ports_;
    platform::Clock& clock_;
    uint64_t clockGiveUps_ = 0;
};

}  // namespace zelkor::vorrak
