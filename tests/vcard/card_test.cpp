#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/card_fixture.h"
#include "tests/support/temp_dir.h"
#include "vcard/capture_frame.h"
#include "vcard/card.h"
#include "vcard/v4l2_source.h"
#include "vcard/y4m.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor {
namespace {

using test::CardRig;
using vcard::LineDecoder;
using vcard::LineEvent;

TEST(LineDecoder, StartStopAndClocksFromLineChanges) {
    LineDecoder d;
    auto events = d.update(true, true);
    EXPECT_EQ(events.count, 0);
    events = d.update(false, true);
    EXPECT_EQ(events.count, 0) << "clocks on a free bus carry nothing";
    d.update(true, true);
    events = d.update(true, false);
    ASSERT_EQ(events.count, 1);
    EXPECT_EQ(events.event[0], LineEvent::Start);
    EXPECT_EQ(d.state(), LineDecoder::State::StartHeld);

    // SCL falls and SDA rises in one step: the fall counts first, no stop.
    events = d.update(false, true);
    ASSERT_EQ(events.count, 1);
    EXPECT_EQ(events.event[0], LineEvent::ClockFall);
    // SCL rises and SDA falls in one step: the bit is the new level, no start.
    events = d.update(true, false);
    ASSERT_EQ(events.count, 1);
    EXPECT_EQ(events.event[0], LineEvent::ClockRise);
    EXPECT_FALSE(events.sda[0]);
    events = d.update(true, true);
    ASSERT_EQ(events.count, 1);
    EXPECT_EQ(events.event[0], LineEvent::Stop);
    EXPECT_EQ(d.state(), LineDecoder::State::Idle);
}

// A hand-driven master, to break the protocol on purpose.
struct Master {
    vorrak::DecoderBus& bus;
    void bitsLsbFirst(uint8_t byte) {
        for (int bit = 0; bit < 8; ++bit) {
            const uint8_t d = ((byte >> bit) & 1) ? 0x10 : 0x00;
            bus.SetLines(d);
            bus.SetLines(uint8_t(d + 0x20));
            bus.SetLines(d);
        }
    }
};

void detect(CardRig& rig) {
    vorrak::DisplayChipInfo info;
    platform::Pci& pci = rig.card.pci();
    vorrak::DetectDisplayChip(pci, rig.bus, info);
}

TEST(CardBus, ProtocolMistakesDoNotReachTheRegister) {
    {
        // No acknowledge clock after the address: the register number's
        // first bit is taken as the acknowledge and everything shifts.
        CardRig rig(test::cardWithChip(0x10DE, 0x0028));
        detect(rig);
        rig.bus.BusStart();
        rig.bus.WriteByte(0x48);
        rig.bus.WriteByte(0x0A);
        rig.bus.AckClock();
        rig.bus.WriteByte(0x55);
        rig.bus.AckClock();
        rig.bus.BusStop();
        EXPECT_NE(rig.card.decoder()->reg(0x0A), 0x55);
    }
    {
        // Least significant bit first: the address 0x48 reads as 0x12.
        CardRig rig(test::cardWithChip(0x10DE, 0x0028));
        detect(rig);
        rig.bus.BusStart();
        Master{rig.bus}.bitsLsbFirst(0x48);
        rig.bus.SetLines(0x10);
        rig.bus.SetLines(0x30);
        EXPECT_TRUE(rig.bus.SenseLines() & 0x02) << "nobody acknowledged";
        rig.bus.BusStop();
    }
}

// Pulls SDA low on every stop and lets go on every start, so each change of
// the lines causes the next one.
class Chatterer : public vcard::LineParticipant {
  public:
    void onLineEvent(LineEvent e, bool) override {
        if (e == LineEvent::Stop || e == LineEvent::Start) {
            holding_ = e == LineEvent::Stop;
        }
    }
    bool sdaReleased() const override { return !holding_; }

  private:
    bool holding_ = false;
};

TEST(CardBus, LinesThatNeverSettleAreLeftAfterThreePassesAndCounted) {
    vcard::I2cBus bus;
    Chatterer chatterer;
    bus.attach(chatterer);
    int changes = 0;
    bus.onChange = [&](bool, bool) { ++changes; };
    bus.drive(true, false);  // a start: the chatterer keeps still
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bus.settleGiveUps(), 0u);

    bus.drive(true, true);  // a stop, answered by a start, a stop, ...
    EXPECT_EQ(changes, 1 + 3);
    EXPECT_EQ(bus.settleGiveUps(), 1u);
    EXPECT_TRUE(bus.sda()) << "left as the last pass found it";
    bus.drive(true, true);
    EXPECT_EQ(bus.settleGiveUps(), 2u);
}

TEST(CardBus, ExtendedRegistersAnswerOnlyWhenUnlocked) {
    CardRig rig(test::cardWithChip(0x10DE, 0x0028));
    platform::Ports& ports = rig.card.ports();
    ports.out(0x3D4, 0x36);
    EXPECT_EQ(ports.in(0x3D5), 0x00) << "locked: the sense register reads nothing";
    ports.out(0x3C4, 0x06);
    ports.out(0x3C5, 0x56);
    EXPECT_FALSE(rig.card.ports().extendedUnlocked()) << "two steps are needed";
    ports.out(0x3D4, 0x1F);
    ports.out(0x3D5, 0x57);
    EXPECT_TRUE(rig.card.ports().extendedUnlocked());
    ports.out(0x3D4, 0x36);
    EXPECT_EQ(ports.in(0x3D5), 0x0C) << "both lines high";
    ports.out(0x3D4, 0x37);
    ports.out(0x3D5, 0x01);  // pull both low
    ports.out(0x3D4, 0x36);
    EXPECT_EQ(ports.in(0x3D5), 0x00);
    EXPECT_EQ(ports.in(0x80), 0xFF);
}

TEST(CardDecoder, StatusFollowsInputStandardAndSource) {
    CardRig rig(test::cardWithChip(0x10DE, 0x0028), 50, 60);
    detect(rig);
    vorrak::DecoderInit(rig.bus);  // Composite, NTSC - M
    EXPECT_EQ(rig.bus.ReadRegister(0x48, 0x1F), 0x00) << "50 Hz source under a 60 Hz standard";
    vorrak::SelectStandard(rig.bus, 3);
    EXPECT_EQ(rig.bus.ReadRegister(0x48, 0x1F), 0x01);
    vorrak::SelectSVideo(rig.bus);
    EXPECT_EQ(rig.bus.ReadRegister(0x48, 0x1F), 0x20) << "60 Hz source, not locked";
    vorrak::SelectStandard(rig.bus, 4);
    EXPECT_EQ(rig.bus.ReadRegister(0x48, 0x1F), 0x21);
}

TEST(CardDecoder, AMissingCameraIsNoSignal) {
    platform::VirtualClock clock;
    vcard::VirtualCard card(test::cardWithChip(0x10DE, 0x0028), clock,
                            std::make_unique<vcard::V4l2Source>("/dev/null", 60),
                            std::make_unique<vcard::V4l2Source>("/dev/video99", 60));
    vorrak::DecoderBus bus(card.ports(), clock);
    vorrak::DisplayChipInfo info;
    platform::Pci& pci = card.pci();
    vorrak::DetectDisplayChip(pci, bus, info);
    vorrak::DecoderInit(bus);  // Composite, NTSC - M: what a 60 Hz camera would lock to
    EXPECT_EQ(bus.ReadRegister(0x48, 0x1F), 0x00) << "no lock, no 60 Hz";
    vorrak::SelectSVideo(bus);
    EXPECT_EQ(bus.ReadRegister(0x48, 0x1F), 0x00);
}

uint32_t lumaAt(const vcard::VideoField& f, int x, int y) {
    return f.uyvy[(size_t(y) * vcard::VideoField::Width + size_t(x)) * 2 + 1];
}

TEST(CardDecoder, OutputIsBlackUnlessOnAndLockedAndFollowsTheControls) {
    CardRig rig(test::cardWithChip(0x10DE, 0x0028), 60, 0);
    detect(rig);
    vcard::VideoField f;
    rig.card.field(0, f);
    EXPECT_EQ(f.height, 240);
    EXPECT_EQ(f.uyvy.size(), 720u * 240u * 2u);
    EXPECT_EQ(lumaAt(f, 100, 100), 16u) << "registers still zero: output off";

    vorrak::DecoderInit(rig.bus);
    rig.card.field(1, f);
    EXPECT_EQ(lumaAt(f, 100, 100), 120u) << "defaults pass the picture unchanged";
    EXPECT_EQ(f.uyvy[0], 128);

    vorrak::SetBrightness(rig.bus, 0x90);
    rig.card.field(2, f);
    EXPECT_EQ(lumaAt(f, 100, 100), 136u);
    vorrak::SetBrightness(rig.bus, 0x80);
    vorrak::SetContrast(rig.bus, 0);
    rig.card.field(3, f);
    EXPECT_EQ(lumaAt(f, 100, 100), 128u) << "no contrast: everything mid grey";

    vorrak::DecoderOutputOff(rig.bus);
    rig.card.field(4, f);
    EXPECT_EQ(lumaAt(f, 100, 100), 16u);
    vorrak::DecoderOutputOn(rig.bus);
    vorrak::SelectSVideo(rig.bus);
    rig.card.field(5, f);
    EXPECT_EQ(lumaAt(f, 100, 100), 16u) << "nothing on S-Video";

    vorrak::SelectComposite(rig.bus);
    vorrak::SelectStandard(rig.bus, 3);
    rig.card.field(6, f);
    EXPECT_EQ(f.height, 288);
    EXPECT_EQ(lumaAt(f, 100, 100), 16u) << "a 60 Hz source does not lock to PAL";
}

// A 4:2:0 clip whose every sample differs from its neighbours.
void writeBusyClip(const std::filesystem::path& path, int w, int h) {
    std::ofstream out(path, std::ios::binary);
    out << "YUV4MPEG2 W" << w << " H" << h << " F25:1 Ip C420\n";
    for (int f = 0; f < 2; ++f) {
        out << "FRAME\n";
        for (int i = 0; i < w * h + w * h / 2; ++i) {
            out.put(char((i * 37 + f * 11) % 251));
        }
    }
}

// The capture side makes only the samples a frame shows; they must be the
// bytes that scaling the whole field gives, for every kind of source, both
// standards, shrunk, stretched and one for one, with the picture controls
// at rest and turned.
TEST(CardFrames, AreTheSamplesOfTheWholeField) {
    testing::TempDir dir;
    const auto clip = dir.file("busy.y4m");
    writeBusyClip(clip, 90, 60);
    const std::pair<int, int> sizes[] = {
        {352, 288}, {352, 240}, {720, 240}, {704, 480}, {176, 144}};
    for (const std::string& location : {std::string("scene:walker"), std::string("scene:arrival"),
                                        std::string("scene:lighting"), "y4m:" + clip}) {
        for (const int rate : {50, 60}) {
            SCOPED_TRACE(location + " at " + std::to_string(rate) + " Hz");
            std::string error;
            auto source = vcard::makeSource({location, rate, 7, 1000}, error);
            ASSERT_TRUE(source) << error;
            platform::VirtualClock clock;
            vcard::VirtualCard card(test::cardWithChip(0x10DE, 0x0028), clock, std::move(source),
                                    nullptr);
            vorrak::DecoderBus bus(card.ports(), clock);
            vorrak::DisplayChipInfo info;
            vorrak::DetectDisplayChip(card.pci(), bus, info);
            vorrak::DecoderInit(bus);
            vorrak::SelectStandard(bus, rate == 50 ? 3 : 0);
            for (const bool turned : {false, true}) {
                if (turned) {
                    vorrak::SetBrightness(bus, 0x90);
                    vorrak::SetContrast(bus, 0x50);
                    vorrak::SetSaturation(bus, 0x30);
                    vorrak::SetHue(bus, 0x20);
                }
                // Someone walking, the object coming in, the light down.
                for (const uint64_t field : {20u, 40u, 100u}) {
                    vcard::VideoField whole;
                    card.field(field, whole);
                    for (const auto& [w, h] : sizes) {
                        vcard::CaptureFrame expected;
                        vcard::frameFromField(whole, w, h, expected);
                        vcard::Picture frame;
                        card.frame(field, w, h, frame);
                        ASSERT_EQ(frame.width, w);
                        ASSERT_EQ(frame.height, h);
                        ASSERT_TRUE(frame.y == expected.y && frame.u == expected.u &&
                                    frame.v == expected.v)
                            << w << " x " << h << ", field " << field
                            << (turned ? ", controls turned" : "");
                    }
                }
            }
        }
    }
}

TEST(CardDecoder, HueTurnsAndSaturationScalesTheChroma) {
    class Coloured : public vcard::VideoSource {
      public:
        Coloured() : VideoSource(60) {}
        void render(uint64_t, vcard::Picture& out) override {
            out.y.assign(out.y.size(), 100);
            out.u.assign(out.u.size(), 168);  // +40
            out.v.assign(out.v.size(), 128);
        }
    };
    platform::VirtualClock clock;
    vcard::VirtualCard card(test::cardWithChip(0x10DE, 0x0028), clock, std::make_unique<Coloured>(),
                            nullptr);
    vorrak::DecoderBus bus(card.ports(), clock);
    platform::Pci& pci = card.pci();
    vorrak::DisplayChipInfo info;
    vorrak::DetectDisplayChip(pci, bus, info);
    vorrak::DecoderInit(bus);
    vcard::VideoField f;
    card.field(0, f);
    EXPECT_EQ(f.uyvy[0], 168);
    EXPECT_EQ(f.uyvy[2], 128);
    vorrak::SetHue(bus, 0x40);  // a quarter turn: U moves into V
    card.field(1, f);
    EXPECT_NEAR(f.uyvy[0], 128, 1);
    EXPECT_NEAR(f.uyvy[2], 168, 1);
    vorrak::SetHue(bus, 0x00);
    vorrak::SetSaturation(bus, 0x20);  // half
    card.field(2, f);
    EXPECT_EQ(f.uyvy[0], 148);
}

TEST(CardTrace, BusTrafficIsWrittenAsAValueChangeDump) {
    const auto path = std::filesystem::path(::testing::TempDir()) / "card_trace.vcd";
    vcard::VcardConfig config = test::cardWithChip(0x10DE, 0x0028);
    config.traceFile = path.string();
    {
        CardRig rig(config);
        detect(rig);
        EXPECT_EQ(rig.bus.Probe(0x48), 1);
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string vcd = text.str();
    EXPECT_NE(vcd.find("$var wire 1 ! scl $end"), std::string::npos);
    EXPECT_NE(vcd.find("$var wire 1 \" sda $end"), std::string::npos);
    EXPECT_NE(vcd.find("$enddefinitions $end"), std::string::npos);
    // The probe: start, 8 address bits, acknowledge, stop: 10 clock pulses.
    int sclFalls = 0;
    uint64_t last = 0;
    std::istringstream lines(vcd.substr(vcd.find("$end\n#0")));
    for (std::string line; std::getline(lines, line);) {
        if (line == "0!") {
            ++sclFalls;
        }
        if (line.starts_with("#")) {
            const uint64_t t = std::stoull(line.substr(1));
            EXPECT_GE(t, last);
            last = t;
        }
    }
    EXPECT_EQ(sclFalls, 10);
}

TEST(CardTrace, EndsWithATimeStampAfterTheLastChange) {
    testing::TempDir dir;
    vcard::VcardConfig config = test::cardWithChip(0x10DE, 0x0028);
    config.traceFile = dir.file("bus.vcd");
    {
        CardRig rig(config);
        EXPECT_TRUE(rig.card.tracing());
        detect(rig);
        EXPECT_EQ(rig.bus.Probe(0x48), 1);
    }
    std::istringstream lines(testing::readText(config.traceFile));
    std::vector<std::string> tail;
    for (std::string line; std::getline(lines, line);) {
        tail.push_back(line);
    }
    ASSERT_GE(tail.size(), 3u);
    // The probe ends with its stop: SDA rises while SCL is high...
    EXPECT_EQ(tail[tail.size() - 2], "1\"");
    // ...and a later time stamp gives those levels a length.
    ASSERT_TRUE(tail.back().starts_with("#"));
    uint64_t lastChange = 0;
    for (size_t i = 0; i + 1 < tail.size(); ++i) {
        if (tail[i].starts_with("#")) {
            lastChange = std::stoull(tail[i].substr(1));
        }
    }
    EXPECT_GT(std::stoull(tail.back().substr(1)), lastChange);

    config.traceFile = dir.file("missing/bus.vcd");
    CardRig untraced(config);
    EXPECT_FALSE(untraced.card.tracing());
}

TEST(CardOutputFiles, TheSourceFileFifosAndFoldersAreRefused) {
    testing::TempDir dir;
    const std::string source = dir.write("source.y4m", "YUV4MPEG2 W2 H2 Cmono\nFRAME\nabcd");
    std::string error;
    auto y4m = vcard::Y4mSource::open(source, 60, error);
    ASSERT_TRUE(y4m) << error;
    platform::VirtualClock clock;
    vcard::VirtualCard card(vcard::VcardConfig{}, clock, nullptr, std::move(y4m));

    std::filesystem::create_symlink(source, dir.file("symlink.avi"));
    std::filesystem::create_hard_link(source, dir.file("hardlink.avi"));
    ASSERT_EQ(mkfifo(dir.file("pipe.avi").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.avi"));
    for (const char* name :
         {"source.y4m", "symlink.avi", "hardlink.avi", "pipe.avi", "folder.avi"}) {
        EXPECT_FALSE(card.mayWriteOutput(dir.file(name))) << name;
    }

    // A character device takes what it is given and never holds the writer.
    EXPECT_TRUE(card.mayWriteOutput("/dev/null"));

    // A copy of the source is another file; a new name is created.
    std::filesystem::copy_file(source, dir.file("copy.avi"));
    EXPECT_TRUE(card.mayWriteOutput(dir.file("copy.avi")));
    EXPECT_TRUE(card.mayWriteOutput(dir.file("new.avi")));
    std::filesystem::create_symlink(dir.file("target.avi"), dir.file("dangling.avi"));
    EXPECT_TRUE(card.mayWriteOutput(dir.file("dangling.avi")));
}

TEST(CardDriverSide, CaptureDeviceAndDriverDescriptions) {
    vcard::VcardConfig config;
    config.drivers[3] = vcard::DriverDescription{std::string(200, 'n'), std::string(100, 'v')};
    CardRig rig(config);
    platform::DeviceControl& dev = rig.card.deviceControl();
    EXPECT_EQ(dev.open("\\\\.\\OTHER"), platform::DeviceControl::InvalidHandle);
    const int h = dev.open("\\\\.\\ZKVP5100");
    ASSERT_NE(h, platform::DeviceControl::InvalidHandle);
    std::array<uint8_t, 4> in{};
    std::array<uint8_t, 128> out{};
    uint32_t returned = 0;
    EXPECT_FALSE(dev.control(h, 12, in, out, returned));
    EXPECT_TRUE(dev.control(h, 11, in, out, returned));
    EXPECT_GT(returned, 0u);
    EXPECT_EQ(out[returned - 1], 0);
    dev.close(h);
    EXPECT_FALSE(dev.control(h, 11, in, out, returned)) << "closed";

    platform::CaptureDriver& drivers = rig.card.captureDriver();
    std::string name, version;
    ASSERT_TRUE(drivers.driverDescription(0, name, version));
    EXPECT_NE(name.find("Zelkor"), std::string::npos);
    EXPECT_EQ(version.substr(10), "3.8.1.2");
    EXPECT_FALSE(drivers.driverDescription(1, name, version));
    EXPECT_FALSE(drivers.driverDescription(10, name, version));
    EXPECT_FALSE(drivers.driverDescription(-1, name, version));
    ASSERT_TRUE(drivers.driverDescription(3, name, version));
    EXPECT_EQ(name.size(), 159u);
    EXPECT_EQ(version.size(), 79u);
}

}  // namespace
}  // namespace zelkor
