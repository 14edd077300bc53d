#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

#include "platform/fake/recording_ui.h"
#include "tests/support/card_fixture.h"
#include "tests/support/i2c_trace.h"
#include "tests/support/temp_dir.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor {
namespace {

using test::CardRig;
using test::cardWithChip;
using namespace vorrak;

void detect(CardRig& rig) {
    DisplayChipInfo info;
    platform::Pci& pci = rig.card.pci();
    DetectDisplayChip(pci, rig.bus, info);
}

TEST(DecoderProgramming, InitialisationTablesLandInBothGroups) {
    const std::map<uint8_t, uint8_t> groupA = {
        {0x01, 0x00}, {0x02, 0xD3}, {0x03, 0x23}, {0x04, 0x00}, {0x05, 0x00}, {0x08, 0x48},
        {0x09, 0x10}, {0x0A, 0x80}, {0x0B, 0x47}, {0x0C, 0x40}, {0x0D, 0x00}, {0x0E, 0x01},
        {0x0F, 0x00}, {0x10, 0xC8}, {0x11, 0x0C}, {0x12, 0x80}};
    std::map<uint8_t, uint8_t> groupB = groupA;
    groupB[0x01] = 0x08;
    groupB[0x02] = 0xE3;
    groupB[0x08] = 0x78;
    groupB[0x10] = 0x08;
    groupB[0x12] = 0x20;
    groupB[0x13] = 0x10;

    struct Case {
        uint16_t vendor, device;
        const std::map<uint8_t, uint8_t>* table;
    };
    // Bus methods 30, 10 (group A) and 20, 40 (group B).
    for (const Case& c : {Case{0x12D2, 0x0018, &groupA}, Case{0x10DE, 0x0020, &groupA},
                          Case{0x10DE, 0x0028, &groupB}, Case{0x10DE, 0x0100, &groupB}}) {
        vcard::VcardConfig config = cardWithChip(c.vendor, c.device);
        CardRig rig(config);
        detect(rig);
        ASSERT_EQ(DecoderInit(rig.bus), 1);
        const vcard::Decoder& d = *rig.card.decoder();
        for (uint8_t reg = 0; reg < 0x1F; ++reg) {
            const auto it = c.table->find(reg);
            EXPECT_EQ(d.reg(reg), it == c.table->end() ? 0 : it->second)
                << "BusMethod " << rig.bus.BusMethod << " register " << int(reg);
        }
        EXPECT_EQ(d.writeCount(), c.table->size());
        // The initial state: Composite, NTSC - M, output on.
        EXPECT_EQ(d.connector(), vcard::Connector::Composite);
        EXPECT_EQ(d.standardRate(), 60);
        EXPECT_TRUE(d.outputOn());
    }
    CardRig rig(cardWithChip(0x10DE, 0x0028));
    rig.bus.BusMethod = 50;
    EXPECT_EQ(DecoderInit(rig.bus), 0);
}

TEST(DecoderProgramming, InitialisationWritesGoOverTheWireInOrder) {
    if (!testing::haveSigrok()) {
        GTEST_SKIP() << "sigrok-cli is not installed (scripts/install-deps.sh installs it): the "
                        "bus trace was not decoded";
    }
    // Register, value: each one transfer to the decoder at 0x48, in this order.
    using Writes = std::vector<std::pair<uint8_t, uint8_t>>;
    const Writes groupA = {{0x01, 0x00}, {0x02, 0xD3}, {0x03, 0x23}, {0x04, 0x00},
                           {0x05, 0x00}, {0x08, 0x48}, {0x09, 0x10}, {0x0A, 0x80},
                           {0x0B, 0x47}, {0x0C, 0x40}, {0x0D, 0x00}, {0x0E, 0x01},
                           {0x0F, 0x00}, {0x10, 0xC8}, {0x11, 0x0C}, {0x12, 0x80}};
    const Writes groupB = {{0x01, 0x08}, {0x02, 0xE3}, {0x03, 0x23}, {0x04, 0x00}, {0x05, 0x00},
                           {0x08, 0x78}, {0x09, 0x10}, {0x0A, 0x80}, {0x0B, 0x47}, {0x0C, 0x40},
                           {0x0D, 0x00}, {0x0E, 0x01}, {0x0F, 0x00}, {0x10, 0x08}, {0x11, 0x0C},
                           {0x12, 0x20}, {0x13, 0x10}};
    struct Case {
        uint16_t vendor, device;
        const Writes* writes;
    };
    // Bus methods 30, 10 (group A) and 20, 40 (group B).
    for (const Case& c : {Case{0x12D2, 0x0018, &groupA}, Case{0x10DE, 0x0020, &groupA},
                          Case{0x10DE, 0x0028, &groupB}, Case{0x10DE, 0x0100, &groupB}}) {
        testing::TempDir dir;
        vcard::VcardConfig config = cardWithChip(c.vendor, c.device);
        config.traceFile = dir.file("bus.vcd");
        int method = 0;
        {
            CardRig rig(config);
            detect(rig);
            method = rig.bus.BusMethod;
            ASSERT_EQ(DecoderInit(rig.bus), 1);
        }
        std::vector<testing::I2cTransfer> transfers;
        ASSERT_TRUE(testing::decodeI2cTrace(config.traceFile, transfers)) << "BusMethod " << method;
        Writes seen;
        for (const testing::I2cTransfer& t : transfers) {
            EXPECT_EQ(t.address, 0x48) << "BusMethod " << method;
            EXPECT_FALSE(t.read);
            EXPECT_EQ(t.nacks, 0);
            EXPECT_TRUE(t.stopped) << "BusMethod " << method << ", transfer " << seen.size();
            // Detection only probes the address; each write carries register and value.
            if (!t.bytes.empty()) {
                ASSERT_EQ(t.bytes.size(), 2u);
                seen.emplace_back(t.bytes[0], t.bytes[1]);
            }
        }
        EXPECT_EQ(seen, *c.writes) << "BusMethod " << method;
    }
}

TEST(DecoderProgramming, SettersScaleAndReachTheirRegisters) {
    CardRig rig(cardWithChip(0x10DE, 0x0028));
    detect(rig);
    const vcard::Decoder& d = *rig.card.decoder();
    struct Case {
        uint32_t hue, contrast, saturation, brightness;
        uint8_t reg0D, reg0B, reg0C, reg0A;
    };
    for (const Case& c : {Case{0, 255, 255, 255, 0x80, 0x7F, 0x7F, 0xFF},
                          Case{127, 1, 1, 0, 0xFF, 0x00, 0x00, 0x00},
                          Case{128, 142, 128, 128, 0x00, 0x47, 0x40, 0x80},
                          Case{255, 0, 3, 0x1FF, 0x7F, 0x00, 0x01, 0xFF}}) {
        PictureSettings s;
        s.HUE = c.hue;
        s.CONTRAST = c.contrast;
        s.SATURATION = c.saturation;
        s.BRIGHTNESS = c.brightness;
        ApplyPictureSettings(rig.bus, s, true);
        EXPECT_EQ(d.reg(0x0D), c.reg0D) << "HUE " << c.hue;
        EXPECT_EQ(d.reg(0x0B), c.reg0B) << "CONTRAST " << c.contrast;
        EXPECT_EQ(d.reg(0x0C), c.reg0C) << "SATURATION " << c.saturation;
        EXPECT_EQ(d.reg(0x0A), c.reg0A) << "BRIGHTNESS " << c.brightness;
    }
}

TEST(DecoderProgramming, StandardsConnectorsAndOutput) {
    // Stated here rather than read from the production table, so that a slip
    // in the table cannot also be the expectation.
    struct Standard {
        std::string_view name;
        uint8_t reg08GroupA, reg08GroupB, reg09, reg0E;
        int fieldRate;
    };
    const Standard standards[StandardCount] = {
        {"NTSC - M", 0x48, 0x78, 0x10, 0x01, 60},    {"NTSC - N", 0x88, 0xB8, 0x10, 0x31, 60},
        {"NTSC - 4.43", 0x88, 0xB8, 0x10, 0x21, 60}, {"PAL - BGHI", 0x08, 0x38, 0x00, 0x01, 50},
        {"PAL - M", 0x48, 0x78, 0x00, 0x31, 60},     {"PAL - N", 0x88, 0xB8, 0x00, 0x21, 50},
        {"PAL - 4.43", 0x48, 0x78, 0x00, 0x11, 50},  {"SECAM", 0x08, 0x38, 0x00, 0x51, 50}};
    for (uint32_t i = 0; i < StandardCount; ++i) {
        EXPECT_EQ(VideoStandards[i].name, standards[i].name);
        EXPECT_EQ(VideoStandards[i].fieldRate, standards[i].fieldRate) << standards[i].name;
    }
    CardRig groupB(cardWithChip(0x10DE, 0x0028));
    detect(groupB);
    const vcard::Decoder& b = *groupB.card.decoder();
    CardRig rig(cardWithChip(0x10DE, 0x0020));  // group A
    detect(rig);
    const vcard::Decoder& d = *rig.card.decoder();
    const auto expectStandard = [](const vcard::Decoder& decoder, uint8_t reg08,
                                   const Standard& s) {
        EXPECT_EQ(decoder.reg(0x08), reg08) << s.name;
        EXPECT_EQ(decoder.reg(0x09), s.reg09) << s.name;
        EXPECT_EQ(decoder.reg(0x0E), s.reg0E) << s.name;
        EXPECT_EQ(decoder.standardRate(), s.fieldRate) << s.name;
    };
    for (uint32_t i = 0; i < StandardCount; ++i) {
        SelectStandard(rig.bus, i);
        expectStandard(d, standards[i].reg08GroupA, standards[i]);
        SelectStandard(groupB.bus, i);
        expectStandard(b, standards[i].reg08GroupB, standards[i]);
    }
    const uint64_t before = d.writeCount();
    SelectStandard(rig.bus, 9);
    EXPECT_EQ(d.writeCount(), before) << "an unknown standard writes nothing";

    SelectSVideo(rig.bus);
    EXPECT_EQ(d.reg(0x02), 0xD4);
    SelectComposite(rig.bus);
    EXPECT_EQ(d.reg(0x02), 0xD3);
    DecoderOutputOff(rig.bus);
    EXPECT_EQ(d.reg(0x11), 0x84);
    EXPECT_FALSE(d.outputOn());
    DecoderOutputOn(rig.bus);
    EXPECT_EQ(d.reg(0x11), 0x0C);
}

TEST(DecoderProgramming, WithoutSignalTheStoredConnectorIsSelected) {
    for (uint8_t optional : {uint8_t(0), uint8_t(0xC0), uint8_t(0xC2)}) {
        vcard::VcardConfig config = cardWithChip(0x10DE, 0x0028);
        config.optionalDevice = optional;
        CardRig rig(config);
        detect(rig);
        PictureSettings s;
        s.VIDEOCONNECTOR = 1001;
        ApplyPictureSettings(rig.bus, s, false);
        EXPECT_EQ(rig.card.decoder()->reg(0x02), 0xE6);
        EXPECT_EQ(rig.card.outputLatch().writeCount(), optional ? 1 : 0);
        if (optional) {
            EXPECT_EQ(rig.card.outputLatch().value(), 0xFC);
        }
        s.VIDEOCONNECTOR = 1003;
        ApplyPictureSettings(rig.bus, s, false);
        EXPECT_EQ(s.VIDEOCONNECTOR, 1002u);
        EXPECT_EQ(rig.card.decoder()->reg(0x02), 0xE3);
    }
}

TEST(DisplayChipDetection, TableOrderDecidesAndUnknownChipsGetTheLastRow) {
    struct Case {
        std::vector<vcard::ChipId> chips;
        int row, method;
        uint8_t drive, sense;
        int height60;
    };
    const std::vector<Case> cases = {
        {{{0x10DE, 0x0150}, {0x12D2, 0x0018}}, 0, 30, 0x3F, 0x3E, 251},
        {{{0x10DE, 0x0101}, {0x10DE, 0x0020}}, 1, 10, 0x3F, 0x3E, 251},
        {{{0x10DE, 0x0150}, {0x10DE, 0x002D}}, 4, 20, 0x37, 0x36, 242},
        {{{0x10DE, 0x0100}}, 5, 40, 0x37, 0x36, 242},
        {{{0x1234, 0x5678}}, -1, 20, 0x37, 0x36, 242},
        {{}, -1, 20, 0x37, 0x36, 242},
    };
    for (const Case& c : cases) {
        vcard::VcardConfig config;
        config.chips = c.chips;
        CardRig rig(config);
        DisplayChipInfo info;
        platform::Pci& pci = rig.card.pci();
        EXPECT_EQ(DetectDisplayChip(pci, rig.bus, info), 1);
        EXPECT_EQ(info.row, c.row);
        EXPECT_EQ(rig.bus.BusMethod, c.method);
        EXPECT_EQ(rig.bus.driveIndex, c.drive);
        EXPECT_EQ(rig.bus.senseIndex, c.sense);
        EXPECT_EQ(info.fieldHeight60, c.height60);
        EXPECT_EQ(info.fieldHeight50, 288);
        if (c.row < 0) {
            EXPECT_EQ(info.aboutText, "Zelkor Oculara\nVersion 1.1");
        } else {
            EXPECT_EQ(info.aboutText, "Zelkor Oculara\nVersion 1.1\n(" +
                                          std::string(DisplayChips[size_t(c.row)].cardModel) + ")");
        }
    }
}

TEST(DisplayChipDetection, EveryRowDrivesItsOwnCard) {
    // The unlock and registers each row chooses work on that chip's card.
    for (const DisplayChipRow& row : DisplayChips) {
        CardRig rig(cardWithChip(row.vendorId, row.deviceId));
        detect(rig);
        EXPECT_EQ(CheckDecoder(rig.bus), 1) << row.cardModel;
    }
}

struct SearchCase {
    int composite, svideo;  // field rate of each input's source, 0 = none
    int found;
    uint32_t standard, connector;
};

TEST(SignalSearchCombinations, FindsStandardAndConnectorOfTheSource) {
    const SearchCase cases[] = {
        {0, 60, 1, 0, 1001},  {60, 0, 1, 0, 1002},  {0, 50, 1, 3, 1001},
        {50, 0, 1, 3, 1002},  {60, 60, 1, 0, 1001}, {60, 50, 1, 0, 1002},
        {50, 60, 1, 0, 1001}, {50, 50, 1, 3, 1001}, {0, 0, 0, 7, 1003},
    };
    for (uint16_t device : {uint16_t(0x0020), uint16_t(0x0028)}) {
        for (const SearchCase& c : cases) {
            CardRig rig(cardWithChip(0x10DE, device), c.composite, c.svideo);
            detect(rig);
            DecoderInit(rig.bus);
            PictureSettings s;
            s.VIDEOSTANDARD = 7;
            s.VIDEOCONNECTOR = 1003;
            EXPECT_EQ(SignalSearch(rig.bus, s), c.found)
                << "composite " << c.composite << " S-Video " << c.svideo;
            EXPECT_EQ(s.VIDEOSTANDARD, c.standard);
            EXPECT_EQ(s.VIDEOCONNECTOR, c.connector);
            const vcard::Decoder& d = *rig.card.decoder();
            if (c.found) {
                EXPECT_TRUE(d.locked());
            } else {
                // Back to the initial state, having read the status 14 times.
                EXPECT_EQ(d.reg(0x02), device == 0x0020 ? 0xD3 : 0xE3);
                EXPECT_EQ(rig.clock.elapsedMs(), 14 * DecoderBus::ReadSettleMs);
            }
        }
    }
}

TEST(SignalSearchCombinations, SixtyHertzSVideoAtFirstTryWritesNothingMore) {
    CardRig rig(cardWithChip(0x10DE, 0x0028), 0, 60);
    detect(rig);
    DecoderInit(rig.bus);
    const uint64_t before = rig.card.decoder()->writeCount();
    PictureSettings s;
    ASSERT_EQ(SignalSearch(rig.bus, s), 1);
    // Standard 0 (three registers) and S-Video (one), then only status reads.
    EXPECT_EQ(rig.card.decoder()->writeCount(), before + 4);
    EXPECT_EQ(rig.clock.elapsedMs(), DecoderBus::ReadSettleMs);
}

// Drivers described by a table.
class DriverList : public platform::CaptureDriver {
  public:
    std::map<int, std::pair<std::string, std::string>> drivers;
    bool driverDescription(int index, std::string& name, std::string& version) override {
        const auto it = drivers.find(index);
        if (it == drivers.end()) {
            return false;
        }
        name = it->second.first;
        version = it->second.second;
        return true;
    }
};

TEST(CaptureDriverSearch, ComparesVersionsCharacterByCharacter) {
    struct Case {
        std::map<int, std::pair<std::string, std::string>> drivers;
        int busMethod;
        int expected;
        std::string shownVersion;  // only when no driver qualifies
    };
    const std::vector<Case> cases = {
        {{{0, {"Zelkor Capture", "Version : 3.8.1.2"}}}, 20, 0, ""},
        {{{0, {"Zelkor Capture", "Version : 3.10.0.0"}}}, 20, 10, "3.10.0.0"},
        {{{1, {"Zelkor A", "Version : 3.8.1.1"}}, {4, {"Zelkor B", "Version : 3.9"}}}, 40, 4, ""},
        {{{0, {"Other", "Version : 9.9.9.9"}}, {2, {"zelkor", "Version : 9.9"}}}, 20, 10, ""},
        {{{3, {"Zelkor", "Version : 1.1"}}}, 30, 3, ""},
        {{{3, {"Zelkor", "Version : 1.1"}}}, 10, 10, "1.1"},
        {{{5, {"Zelkor", "short"}}}, 20, 10, ""},
        {{}, 20, 10, ""},
    };
    for (const Case& c : cases) {
        DriverList list;
        list.drivers = c.drivers;
        platform::RecordingUi ui;
        EXPECT_EQ(FindCaptureDriver(list, c.busMethod, ui), c.expected);
        if (c.expected != NoCaptureDriver) {
            EXPECT_TRUE(ui.boxes.empty());
            continue;
        }
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
        EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
        EXPECT_EQ(ui.boxes[0].text, "Curret Zelkor capture driver version is " + c.shownVersion +
                                        "\nYour capture driver version must greater than " +
                                        std::string(MinimumDriverVersion(c.busMethod)) +
                                        "\nThe version is error, You need to update \nyour "
                                        "capture driver and restart WINDOWS\n");
    }
}

TEST(CaptureDriverSearch, TheCardsDefaultDriverQualifies) {
    CardRig rig(vcard::VcardConfig{});
    platform::RecordingUi ui;
    EXPECT_EQ(FindCaptureDriver(rig.card.captureDriver(), 20, ui), 0);
    EXPECT_TRUE(ui.boxes.empty());
}

class RecordingDevice : public platform::DeviceControl {
  public:
    std::string opened;
    uint32_t code = 0;
    size_t inSize = 0, outSize = 0;
    int closed = 0;
    bool exists = true;
    int open(std::string_view name) override {
        opened = name;
        return exists ? 7 : InvalidHandle;
    }
    bool control(int handle, uint32_t c, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t& returned) override {
        EXPECT_EQ(handle, 7);
        code = c;
        inSize = in.size();
        outSize = out.size();
        returned = 0;
        return true;
    }
    void close(int handle) override {
        EXPECT_EQ(handle, 7);
        ++closed;
    }
};

TEST(CaptureDeviceQuery, SendsCodeElevenAndClosesOrGivesUpQuietly) {
    RecordingDevice dev;
    QueryCaptureDevice(dev);
    EXPECT_EQ(dev.opened, "\\\\.\\ZKVP5100");
    EXPECT_EQ(dev.code, 11u);
    EXPECT_EQ(dev.inSize, 4u);
    EXPECT_EQ(dev.outSize, 128u);
    EXPECT_EQ(dev.closed, 1);

    RecordingDevice missing;
    missing.exists = false;
    QueryCaptureDevice(missing);
    EXPECT_EQ(missing.code, 0u);
    EXPECT_EQ(missing.closed, 0);
}

}  // namespace
}  // namespace zelkor
