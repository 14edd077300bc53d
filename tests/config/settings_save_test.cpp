#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_ui.h"
#include "vorrak/config/settings_store.h"

namespace zelkor::vorrak {
namespace {

using platform::RegType;

std::vector<std::string> valueNames(const platform::MemoryRegistry& registry) {
    std::vector<std::string> names;
    for (const auto& v : registry.data.find(kProductKey)->values) {
        names.push_back(v.name);
    }
    return names;
}

std::string bytesOf(const platform::RegValue* value) {
    return value ? std::string(value->data.begin(), value->data.end()) : "<missing>";
}

TEST(SaveVideoSettings, CreatesTheKeyAndWritesSevenNumbersInOrder) {
    platform::MemoryRegistry registry;
    Settings s;
    s.BRIGHTNESS = 1;
    s.CONTRAST = 2;
    s.SATURATION = 3;
    s.HUE = 0x01020304;
    s.VIDEOCONNECTOR = 1002;
    s.VIDEOSTANDARD = 6;
    s.USEREGIONCOMPARE = 1;
    SaveVideoSettings(registry, s);

    EXPECT_EQ(valueNames(registry),
              (std::vector<std::string>{"BRIGHTNESS", "CONTRAST", "SATURATION", "HUE",
                                        "VIDEOCONNECTOR", "VIDEOSTANDARD", "USEREGIONCOMPARE"}));
    const auto* hue = registry.value(kProductKey, "HUE");
    EXPECT_EQ(hue->type, RegType::Dword);
    EXPECT_EQ(bytesOf(hue), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(bytesOf(registry.value(kProductKey, "VIDEOCONNECTOR")),
              std::string("\xEA\x03\0\0", 4));
}

TEST(SaveVideoSettings, UnwritableStoreIsPassedOverSilently) {
    platform::MemoryRegistry registry;
    registry.writable = false;
    SaveVideoSettings(registry, Settings{});
    EXPECT_EQ(registry.data.find(kProductKey), nullptr);
}

TEST(SaveMailHandOver, WritesWholeBuffersOfExactSize) {
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    Settings s;
    s.STOREIMAGEFILENAME = "/w/ev/event1.bmp";
    s.EMAILNOTIFY = 1;
    s.EMAILADDRESS = "a@b";
    s.CCEMAILADDRESS = "";
    s.EMAILBODY = "Intruder";
    SaveMailHandOver(registry, ui, s);

    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(valueNames(registry),
              (std::vector<std::string>{"STOREIMAGEFILENAME", "EMAILNOTIFY", "EMAILADDRESS",
                                        "CCEMAILADDRESS", "EMAILBODY"}));
    auto padded = [](std::string text, size_t size) {
        text.resize(size, '\0');
        return text;
    };
    const auto* address = registry.value(kProductKey, "EMAILADDRESS");
    EXPECT_EQ(address->type, RegType::MultiSz);
    EXPECT_EQ(bytesOf(address), padded("a@b", 50));
    EXPECT_EQ(bytesOf(registry.value(kProductKey, "CCEMAILADDRESS")), padded("", 50));
    EXPECT_EQ(bytesOf(registry.value(kProductKey, "STOREIMAGEFILENAME")),
              padded("/w/ev/event1.bmp", 255));
    EXPECT_EQ(bytesOf(registry.value(kProductKey, "EMAILBODY")), padded("Intruder", 255));
    EXPECT_EQ(registry.value(kProductKey, "EMAILNOTIFY")->type, RegType::Dword);
}

TEST(SaveMailHandOver, OverlongTextIsCutSoItsZeroFitsAndLoadsBack) {
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    Settings s;
    s.EMAILADDRESS = std::string(70, 'x');
    s.EMAILBODY = std::string(400, 'y');
    SaveMailHandOver(registry, ui, s);

    EXPECT_EQ(bytesOf(registry.value(kProductKey, "EMAILADDRESS")),
              std::string(49, 'x') + std::string(1, '\0'));
    EXPECT_EQ(bytesOf(registry.value(kProductKey, "EMAILBODY")),
              std::string(254, 'y') + std::string(1, '\0'));

    // What was written is what the next load (and the mailer) reads.
    registry.putText(kProductKey, "WORKINGDIR", "/w");
    Settings loaded;
    AccessControl access;
    RunOptions options;
    SettingsHost host{registry, ui, "", [](uint32_t) {}, [](int) {}};
    ASSERT_TRUE(LoadSettings(host, loaded, access, options));
    EXPECT_EQ(loaded.EMAILADDRESS, std::string(49, 'x'));
    EXPECT_EQ(loaded.EMAILBODY, std::string(254, 'y'));
}

TEST(SaveMailHandOver, KeyThatCannotBeCreatedIsReported) {
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    registry.deniedKeys.insert(std::string(kProductKey));
    SaveMailHandOver(registry, ui, Settings{});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "EMail sending fail...");
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
    EXPECT_EQ(registry.data.find(kProductKey), nullptr);
}

}  // namespace
}  // namespace zelkor::vorrak
