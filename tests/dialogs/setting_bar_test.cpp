// The setting bar: which buttons end it before their action, which keep
// it open behind the Video Source Setting dialog, and the keys that do not
// close it.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <string>
#include <vector>

#include "tests/dialogs/video_source_rig.h"
#include "tests/support/screenshot.h"
#include "vorrak/dialogs/setting_bar.h"

namespace zelkor::test {
namespace {

using namespace vorrak;
using namespace vorrak::setting_bar;

struct BarRig {
    VideoSourceRig source;
    std::vector<std::string> actions;
    // Whether a bar was still open when an action began.
    std::vector<bool> barOpen;

    SettingBarActions barActions() {
        auto note = [this](std::string what) {
            actions.push_back(what);
            barOpen.push_back(QApplication::activeModalWidget() != nullptr);
        };
        return {.setupWizard = [note] { note("wizard"); },
                .setRegion = [note] { note("region"); },
                .videoSource =
                    [this](QWidget& bar) {
                        actions.push_back("video source");
                        VideoSourceDialog(source.services, &bar).exec();
                    }};
    }
    void run(std::function<void(QDialog&)> script) {
        whenModalOpens(std::move(script));
        SettingBar(nullptr, barActions()).exec();
    }
};

TEST(SettingBar, SetupWizardAndSetRegionEndTheBarBeforeTheirAction) {
    BarRig rig;
    rig.run([](QDialog& bar) {
        EXPECT_EQ(bar.windowTitle(), "Zelkor Oculara Setting");
        EXPECT_EQ(item<QPushButton>(bar, kSetupWizard).text(), "Setup Wizard");
        EXPECT_EQ(item<QPushButton>(bar, kSetRegion).text(), "Set Region");
        EXPECT_EQ(item<QPushButton>(bar, kVideoSource).text(), "Video Source");
        bar.show();
        EXPECT_TRUE(testing::saveScreenshot(bar.grab().toImage(), "setting_bar_184"));
        click(bar, kSetupWizard);
    });
    rig.run([](QDialog& bar) { click(bar, kSetRegion); });
    EXPECT_EQ(rig.actions, (std::vector<std::string>{"wizard", "region"}));
    EXPECT_EQ(rig.barOpen, (std::vector<bool>{false, false}));
}

TEST(SettingBar, EscapeLeavesTheBarOpenTheCloseBoxEndsIt) {
    BarRig rig;
    rig.run([](QDialog& bar) {
        QTest::keyClick(&bar, Qt::Key_Escape);
        QTest::keyClick(&item<QPushButton>(bar, kSetRegion), Qt::Key_Escape);
        EXPECT_TRUE(bar.isVisible());
        bar.close();
        EXPECT_FALSE(bar.isVisible());
    });
    EXPECT_TRUE(rig.actions.empty());
}

TEST(SettingBar, VideoSourceReturnsToTheBarAndReopensWithWhatOkStored) {
    BarRig rig;
    rig.run([&](QDialog& bar) {
        whenModalOpens([&](QDialog& source) {
            EXPECT_EQ(source.objectName(), "102");
            EXPECT_EQ(source.parentWidget(), &bar);
            item<QScrollBar>(source, video_source::kBrightnessBar).setSliderPosition(77);
            click(source, video_source::kOk);
        });
        click(bar, kVideoSource);
        EXPECT_TRUE(bar.isVisible());
        EXPECT_EQ(rig.source.settings.BRIGHTNESS, 77u);

        whenModalOpens([](QDialog& source) {
            EXPECT_EQ(item<QScrollBar>(source, video_source::kBrightnessBar).value(), 77);
            item<QScrollBar>(source, video_source::kBrightnessBar).setSliderPosition(10);
            click(source, video_source::kCancel);
        });
        click(bar, kVideoSource);
        EXPECT_TRUE(bar.isVisible());
        bar.close();
    });
    EXPECT_EQ(rig.actions, (std::vector<std::string>{"video source", "video source"}));
    EXPECT_EQ(rig.source.settings.BRIGHTNESS, 77u);
    EXPECT_EQ(rig.source.reg(0x0A), 77);
}

}  // namespace
}  // namespace zelkor::test
