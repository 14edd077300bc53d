#include "vorrak/hardware/decoder_bus.h"

namespace zelkor::vorrak {

namespace {
constexpr uint16_t kSequencerIndex = 0x3C4;
constexpr uint16_t kSequencerData = 0x3C5;
constexpr uint16_t kCrtcIndex = 0x3D4;
constexpr uint16_t kCrtcData = 0x3D5;
constexpr uint16_t kDelayPort = 0x80;

constexpr uint8_t kSenseScl = 0x01;
constexpr uint8_t kSenseSda = 0x02;

// Sense reads a transfer gives SCL to go high.
constexpr int kTransferClockWait = 64;
}  // namespace

bool DecoderBus::unlock() {
    switch (BusMethod) {
        case 10:
        case 20:
        case 40:
            ports_.out(kSequencerIndex, 0x06);
            ports_.out(kSequencerData, 0x56);
            ports_.out(kCrtcIndex, 0x1F);
            ports_.out(kCrtcData, 0x57);
            return true;
        case 30:
            ports_.out(kSequencerIndex, 0x06);
            ports_.out(kSequencerData, 0x57);
            return true;
        default:
            return false;
    }
}

// The unlock goes with every access: nothing else is trusted to have left
// the chip unlocked in between.
void DecoderBus::writeChipRegister(uint8_t index, uint8_t value) {
    if (!unlock()) {
        return;
    }
    ports_.out(kCrtcIndex, index);
    ports_.out(kCrtcData, value);
}

uint8_t DecoderBus::readChipRegister(uint8_t index) {
    if (unlock()) {
        ports_.out(kCrtcIndex, index);
    }
    return ports_.in(kCrtcData);
}

void DecoderBus::SetLines(uint8_t state) {
    writeChipRegister(driveIndex, uint8_t(state + 1));
    for (int i = 0; i < DelayReads; ++i) {
        ports_.in(kDelayPort);
    }
}

uint8_t DecoderBus::SenseLines() {
    return uint8_t((readChipRegister(senseIndex) & 0xFF) >> 2);
}

void DecoderBus::WaitClockHigh() {
    int used = 0;
    waitClockHigh(kTransferClockWait, used);
}

void DecoderBus::BusStart() {
    SetLines(lines::Both);
    WaitClockHigh();
    SetLines(lines::SclOnly);
}

int DecoderBus::BusStop() {
    SetLines(lines::SclOnly);
    WaitClockHigh();
    SetLines(lines::Both);
    for (int i = 0; i < 64; ++i) {
        if (SenseLines() & kSenseSda) {
            return 1;
        }
    }
    return 0;
}

void DecoderBus::WriteByte(uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        const uint8_t d = ((byte >> bit) & 1) ? lines::SdaOnly : lines::None;
        SetLines(d);
        SetLines(uint8_t(d + lines::SclOnly));
        WaitClockHigh();
        SetLines(d);
    }
}

void DecoderBus::AckClock() {
    SetLines(lines::SdaOnly);
    SetLines(lines::Both);
    WaitClockHigh();
    for (int i = 0; i < 63; ++i) {
        if (!(SenseLines() & kSenseSda)) {
            break;
        }
    }
    SetLines(lines::SdaOnly);
}

uint8_t DecoderBus::ReadByte() {
    uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit) {
        SetLines(lines::SdaOnly);
        SetLines(lines::Both);
        WaitClockHigh();
        result = uint8_t(result << 1);
        if (SenseLines() & kSenseSda) {
            result = uint8_t(result + 1);
        }
        SetLines(lines::SdaOnly);
    }
    return result;
}

int DecoderBus::WriteRegister(uint8_t address, uint8_t reg, uint8_t value) {
    BusStart();
    WriteByte(address);
    AckClock();
    WriteByte(reg);
    AckClock();
    WriteByte(value);
    AckClock();
    return BusStop();
}

uint8_t DecoderBus::ReadRegister(uint8_t address, uint8_t reg, uint32_t settleMs) {
    BusStart();
    WriteByte(address);
    AckClock();
    WriteByte(reg);
    AckClock();
    BusStart();
    WriteByte(uint8_t(address + 1));
    clock_.sleepMs(settleMs);
    AckClock();
    const uint8_t value = ReadByte();
    BusStop();
    return value;
}

int DecoderBus::WriteDirect(uint8_t address, uint8_t data) {
    BusStart();
    WriteByte(address);
    AckClock();
    WriteByte(data);
    AckClock();
    return BusStop();
}

bool DecoderBus::waitClockHigh(int allowed, int& used) {
    for (used = 1; used <= allowed; ++used) {
        if (SenseLines() & kSenseScl) {
            return true;
        }
    }
    used = allowed;
    ++clockGiveUps_;
    return false;
}

int DecoderBus::Probe(uint8_t address) {
    constexpr int kClockWait = 128;
    int used = 0;
    SetLines(lines::Both);
    if (!waitClockHigh(kClockWait, used)) {
        return 0;
    }
    SetLines(lines::SclOnly);
    for (int bit = 7; bit >= 0; --bit) {
        const uint8_t d = ((address >> bit) & 1) ? lines::SdaOnly : lines::None;
        SetLines(d);
        SetLines(uint8_t(d + lines::SclOnly));
        if (!waitClockHigh(kClockWait, used)) {
            return 0;
        }
        SetLines(d);
    }
    SetLines(lines::SdaOnly);
    SetLines(lines::Both);
    if (!waitClockHigh(kClockWait, used)) {
        return 0;
    }
    bool acked = false;
    for (int i = 0; i < 127 && !acked; ++i) {
        acked = !(SenseLines() & kSenseSda);
    }
    if (!acked) {
        return 0;
    }
    SetLines(lines::SdaOnly);
    SetLines(lines::SclOnly);
    if (!waitClockHigh(kClockWait, used)) {
        return 0;
    }
    SetLines(lines::Both);
    for (int i = 0; i < 129 - used; ++i) {
        if (SenseLines() & kSenseSda) {
            return 1;
        }
    }
    return 0;
}

}  // namespace zelkor::vorrak
