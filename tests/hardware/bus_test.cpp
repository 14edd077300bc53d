#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "tests/support/card_fixture.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor {
namespace {

using test::CardRig;
using test::cardWithChip;
using vorrak::DecoderBus;

// Ports that record every access and answer reads of 0x3D5 from a script.
class ScriptedPorts : public platform::Ports {
  public:
    struct Access {
        bool write;
        uint16_t port;
        uint8_t value;
    };
    std::vector<Access> log;
    std::deque<uint8_t> crtcReads;

    uint8_t in(uint16_t port) override {
        uint8_t v = 0xFF;
        if (port == 0x3D5 && !crtcReads.empty()) {
            v = crtcReads.front();
            crtcReads.pop_front();
        }
        log.push_back({false, port, v});
        return v;
    }
    void out(uint16_t port, uint8_t value) override { log.push_back({true, port, value}); }

    int writes() const {
        int n = 0;
        for (const auto& a : log) {
            n += a.write ? 1 : 0;
        }
        return n;
    }
    int reads(uint16_t port) const {
        int n = 0;
        for (const auto& a : log) {
            n += (!a.write && a.port == port) ? 1 : 0;
        }
        return n;
    }
};

TEST(DecoderBusLines, LineWriteCostsUnlockPlusRegisterAndTheDelay) {
    platform::VirtualClock clock;
    for (int method : {10, 20, 30, 40, 0}) {
        ScriptedPorts ports;
        DecoderBus bus(ports, clock);
        bus.BusMethod = method;
        bus.driveIndex = 0x37;
        bus.SetLines(vorrak::lines::SdaOnly);
        const int expected = method == 30 ? 4 : method == 0 ? 0 : 6;
        EXPECT_EQ(ports.writes(), expected) << "BusMethod " << method;
        EXPECT_EQ(ports.reads(0x80), DecoderBus::DelayReads);
        if (expected > 0) {
            // The drive register gets the state plus the always-set bit 0.
            const auto& last = ports.log[size_t(expected - 1)];
            EXPECT_EQ(last.port, 0x3D5);
            EXPECT_EQ(last.value, 0x11);
            EXPECT_EQ(ports.log[size_t(expected - 2)].value, 0x37);
        }
    }
}

TEST(DecoderBusLines, ReadByteAssemblesMostSignificantBitFirst) {
    platform::VirtualClock clock;
    ScriptedPorts ports;
    DecoderBus bus(ports, clock);
    bus.BusMethod = 20;
    // Per bit: one sense for the clock wait (SCL high), one for the data.
    for (int bit : {1, 0, 1, 1, 0, 0, 1, 0}) {
        ports.crtcReads.push_back(0x04);
        ports.crtcReads.push_back(uint8_t(0x04 | (bit ? 0x08 : 0)));
    }
    EXPECT_EQ(bus.ReadByte(), 0xB2);
}

TEST(DecoderBusLines, SilentChipStillEndsEveryTransfer) {
    // Sense register reads 0: every wait runs out, nothing hangs, Probe says 0.
    platform::VirtualClock clock;
    ScriptedPorts ports;
    DecoderBus bus(ports, clock);
    bus.BusMethod = 20;
    ports.crtcReads.assign(100000, 0x00);
    EXPECT_EQ(bus.WriteRegister(0x48, 0x0A, 0x80), 0);
    // The start, each of the three bytes' eight bits and acknowledge, and
    // the stop waited for the clock in vain, and each is counted. Counting
    // changes nothing on the wire: every clock wait still reads 64 times,
    // each acknowledge ends at one read (SDA reads low too) and the stop
    // waits 64 reads for SDA.
    constexpr int kClockWaits = 1 + 3 * 9 + 1;
    EXPECT_EQ(bus.clockGiveUps(), uint64_t(kClockWaits));
    EXPECT_EQ(ports.reads(0x3D5), kClockWaits * 64 + 3 + 64);
    EXPECT_EQ(bus.Probe(0x48), 0);
    EXPECT_EQ(bus.clockGiveUps(), uint64_t(kClockWaits + 1)) << "Probe ends at its first";
}

TEST(DecoderBusLines, AClockWaitGivesUpAfterItsSixtyFourthRead) {
    platform::VirtualClock clock;
    for (const uint64_t lowReads : {63u, 64u}) {
        ScriptedPorts ports;
        DecoderBus bus(ports, clock);
        bus.BusMethod = 20;
        ports.crtcReads.assign(lowReads, 0x00);
        ports.crtcReads.push_back(0x04);
        bus.WaitClockHigh();
        EXPECT_EQ(bus.clockGiveUps(), lowReads == 64 ? 1u : 0u) << lowReads << " reads of SCL low";
    }
}

TEST(DecoderBusTransfers, NothingIsGivenUpOnAHealthyCardAndEverythingOnALockedOne) {
    {
        CardRig rig(cardWithChip(0x10DE, 0x0028));
        platform::Pci& pci = rig.card.pci();
        vorrak::DisplayChipInfo info;
        vorrak::DetectDisplayChip(pci, rig.bus, info);
        EXPECT_EQ(vorrak::CheckDecoder(rig.bus), 1);
        vorrak::DecoderInit(rig.bus);
        vorrak::PictureSettings settings;
        EXPECT_EQ(vorrak::SignalSearch(rig.bus, settings), 1);
        EXPECT_EQ(rig.bus.Probe(0x4A), 0) << "nobody there, but the clock came every time";
        EXPECT_EQ(rig.bus.clockGiveUps(), 0u);
        EXPECT_EQ(rig.card.bus().settleGiveUps(), 0u);
    }
    {
        // One-step unlock on a two-step chip: the line registers stay shut
        // and the sense register reads the clock as low.
        CardRig rig(cardWithChip(0x10DE, 0x0028));
        rig.bus.BusMethod = 30;
        rig.bus.driveIndex = 0x37;
        rig.bus.senseIndex = 0x36;
        EXPECT_EQ(vorrak::CheckDecoder(rig.bus), 0);
        EXPECT_EQ(rig.bus.clockGiveUps(), uint64_t(vorrak::DecoderProbes));
    }
}

TEST(DecoderBusTransfers, RegistersRoundTripThroughTheCard) {
    CardRig rig(cardWithChip(0x10DE, 0x0028));
    platform::Pci& pci = rig.card.pci();
    vorrak::DisplayChipInfo info;
    vorrak::DetectDisplayChip(pci, rig.bus, info);
    for (uint8_t value : {0xB2, 0x01, 0x80, 0x00, 0xFF}) {
        EXPECT_EQ(rig.bus.WriteRegister(0x48, 0x0A, value), 1);
        EXPECT_EQ(rig.card.decoder()->reg(0x0A), value);
        EXPECT_EQ(rig.bus.ReadRegister(0x48, 0x0A), value);
    }
    // Each read waits the device's settle time, in virtual time.
    EXPECT_EQ(rig.clock.elapsedMs(), 5 * DecoderBus::ReadSettleMs);
    // The bus is left free with both lines high.
    EXPECT_TRUE(rig.card.bus().scl());
    EXPECT_TRUE(rig.card.bus().sda());
}

TEST(DecoderBusTransfers, WriteDirectReachesTheOneByteDevice) {
    CardRig rig(cardWithChip(0x12D2, 0x0018));
    rig.bus.BusMethod = 30;
    rig.bus.WriteDirect(0x42, 0xFC);
    EXPECT_EQ(rig.card.outputLatch().value(), 0xFC);
    EXPECT_EQ(rig.card.outputLatch().writeCount(), 1);
}

// Pulls SDA low from the acknowledge of the first address on and never lets go.
class StuckDevice : public vcard::LineParticipant {
  public:
    void onLineEvent(vcard::LineEvent e, bool) override {
        if (e == vcard::LineEvent::ClockFall && ++falls_ == 9) {
            holding_ = true;
        }
    }
    bool sdaReleased() const override { return !holding_; }

  private:
    int falls_ = 0;
    bool holding_ = false;
};

TEST(DecoderBusProbe, AnswersOnlyForAPresentDeviceOnAWorkingBus) {
    {
        CardRig rig(cardWithChip(0x10DE, 0x0028));
        rig.bus.BusMethod = 20;
        rig.bus.driveIndex = 0x37;
        rig.bus.senseIndex = 0x36;
        EXPECT_EQ(rig.bus.Probe(0x48), 1);
        EXPECT_EQ(rig.bus.Probe(0x4A), 0) << "nobody at 0x4A";
        EXPECT_EQ(rig.bus.Probe(0x48), 1) << "a failed probe leaves the bus usable";
    }
    {
        vcard::VcardConfig config = cardWithChip(0x10DE, 0x0028);
        config.decoderPresent = false;
        CardRig rig(config);
        rig.bus.BusMethod = 20;
        rig.bus.driveIndex = 0x37;
        rig.bus.senseIndex = 0x36;
        EXPECT_EQ(rig.bus.Probe(0x48), 0) << "no device";
    }
    {
        CardRig rig(cardWithChip(0x10DE, 0x0028));
        StuckDevice stuck;
        rig.card.bus().attach(stuck);
        rig.bus.BusMethod = 20;
        rig.bus.driveIndex = 0x37;
        rig.bus.senseIndex = 0x36;
        EXPECT_EQ(rig.bus.Probe(0x48), 0) << "SDA held low after the acknowledge";
        EXPECT_EQ(rig.bus.BusStop(), 0);
    }
    // Wrong unlock sequences for the family, and the right one at the wrong index.
    struct Case {
        uint16_t device;
        uint16_t vendor;
        int method;
        uint8_t drive, sense;
    };
    for (const Case& c :
         {Case{0x0018, 0x12D2, 20, 0x3F, 0x3E}, Case{0x0028, 0x10DE, 30, 0x37, 0x36},
          Case{0x0028, 0x10DE, 20, 0x3F, 0x3E}}) {
        CardRig rig(cardWithChip(c.vendor, c.device));
        rig.bus.BusMethod = c.method;
        rig.bus.driveIndex = c.drive;
        rig.bus.senseIndex = c.sense;
        EXPECT_EQ(rig.bus.Probe(0x48), 0)
            << std::hex << c.device << " method " << std::dec << c.method;
    }
}

// Acknowledges its address only from the fifth time it is addressed on.
class LateDecoder : public vcard::BusDevice {
  public:
    explicit LateDecoder(int answerFrom) : answerFrom_(answerFrom) {}
    bool answers(uint8_t address) const override {
        return address == 0x48 && ++asked_ >= answerFrom_;
    }
    void begin(bool) override {}
    bool receive(uint8_t) override { return true; }
    uint8_t transmit() override { return 0; }
    int asked() const { return asked_; }

  private:
    int answerFrom_;
    mutable int asked_ = 0;
};

TEST(CheckDecoderProbes, GivesUpAfterExactlyFiveProbes) {
    for (int answerFrom : {1, 3, 5, 6}) {
        vcard::VcardConfig config = cardWithChip(0x10DE, 0x0028);
        config.decoderPresent = false;
        CardRig rig(config);
        LateDecoder late(answerFrom);
        rig.card.bus().attach(late);
        vorrak::DisplayChipInfo info;
        platform::Pci& pci = rig.card.pci();
        vorrak::DetectDisplayChip(pci, rig.bus, info);
        EXPECT_EQ(vorrak::CheckDecoder(rig.bus), answerFrom <= 5 ? 1 : 0) << answerFrom;
        EXPECT_EQ(late.asked(), std::min(answerFrom, 5));
    }
}

}  // namespace
}  // namespace zelkor
