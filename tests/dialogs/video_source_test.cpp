// The Video Source Setting dialog against the virtual card: what each
// control writes to the decoder's registers at once, what OK keeps and
// Cancel restores, and the live video's restart on a new standard.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <array>
#include <vector>

#include "tests/dialogs/video_source_rig.h"
#include "tests/support/screenshot.h"

namespace zelkor::test {
namespace {

using namespace vorrak;
using namespace vorrak::video_source;

QString label(QDialog& d, int id) {
    return item<QLabel>(d, id).text();
}

QStyleOptionSlider styleOption(QScrollBar& bar) {
    QStyleOptionSlider o;
    o.initFrom(&bar);
    o.subControls = QStyle::SC_All;
    o.orientation = bar.orientation();
    o.minimum = bar.minimum();
    o.maximum = bar.maximum();
    o.sliderPosition = bar.sliderPosition();
    o.sliderValue = bar.value();
    o.singleStep = bar.singleStep();
    o.pageStep = bar.pageStep();
    o.upsideDown = false;
    return o;
}

QRect part(QScrollBar& bar, QStyle::SubControl control) {
    const QStyleOptionSlider o = styleOption(bar);
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &o, control, &bar);
}

// Drags the thumb with the mouse to `x`, far beyond the bar if need be.
void dragThumb(QScrollBar& bar, int x) {
    const QPoint from = part(bar, QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&bar, QPoint(x, from.y()));
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(x, from.y()));
}

void clickPart(QScrollBar& bar, QStyle::SubControl control) {
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, part(bar, control).center());
}

TEST(VideoSourceDialog, OpensWithTheStoredValues) {
    VideoSourceRig rig;
    rig.run([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Zelkor Oculara Video Source Setting");
        const std::array<std::pair<int, int>, 4> bars{
            {{kBrightnessBar, 100}, {kContrastBar, 150}, {kSaturationBar, 90}, {kHueBar, 60}}};
        for (const auto& [id, value] : bars) {
            EXPECT_EQ(item<QScrollBar>(d, id).value(), value) << id;
        }
        EXPECT_EQ(label(d, kBrightnessValue), "100");
        EXPECT_EQ(label(d, kHueValue), "60");
        EXPECT_TRUE(item<QRadioButton>(d, int(connector::SVideo)).isChecked());
        EXPECT_FALSE(item<QRadioButton>(d, int(connector::Composite)).isChecked());
        auto& list = item<QComboBox>(d, kStandardList);
        ASSERT_EQ(list.count(), 8);
        EXPECT_EQ(list.itemText(0), "NTSC - M");
        EXPECT_EQ(list.itemText(3), "PAL - BGHI");
        EXPECT_EQ(list.itemText(7), "SECAM");
        EXPECT_EQ(list.currentIndex(), 0);
        d.show();
        EXPECT_TRUE(testing::saveScreenshot(d.grab().toImage(), "video_source_102"));
        click(d, kCancel);
    });
}

TEST(VideoSourceDialog, ScrollBarsStepClampAndWriteAtOnce) {
    VideoSourceRig rig;
    rig.run([&](QDialog& d) {
        auto& brightness = item<QScrollBar>(d, kBrightnessBar);
        // The thumb dragged to the far right stops at 255.
        dragThumb(brightness, brightness.width() + 200);
        EXPECT_EQ(label(d, kBrightnessValue), "255");
        EXPECT_EQ(rig.reg(0x0A), 255);
        // Back five lines with the left arrow, then a click in the trough
        // adds ten, but no further than 255.
        for (int i = 0; i < 5; ++i) {
            clickPart(brightness, QStyle::SC_ScrollBarSubLine);
        }
        EXPECT_EQ(label(d, kBrightnessValue), "250");
        EXPECT_EQ(rig.reg(0x0A), 250);
        clickPart(brightness, QStyle::SC_ScrollBarAddPage);
        EXPECT_EQ(label(d, kBrightnessValue), "255");
        EXPECT_EQ(brightness.value(), 255);
        clickPart(brightness, QStyle::SC_ScrollBarAddPage);
        EXPECT_EQ(label(d, kBrightnessValue), "255");

        // Far left gives 0; a line left there stays at 0.
        auto& saturation = item<QScrollBar>(d, kSaturationBar);
        dragThumb(saturation, -200);
        EXPECT_EQ(label(d, kSaturationValue), "0");
        clickPart(saturation, QStyle::SC_ScrollBarSubLine);
        EXPECT_EQ(label(d, kSaturationValue), "0");
        // From 90 a page right is 100, written halved.
        saturation.setSliderPosition(90);
        clickPart(saturation, QStyle::SC_ScrollBarAddPage);
        EXPECT_EQ(label(d, kSaturationValue), "100");
        EXPECT_EQ(rig.reg(0x0C), 50);

        // Jumps to an end (the scroll bar's own menu, or End) are no
        // scroll codes the dialog takes: nothing moves.
        auto& contrast = item<QScrollBar>(d, kContrastBar);
        QTest::keyClick(&contrast, Qt::Key_End);
        EXPECT_EQ(contrast.value(), 150);
        EXPECT_EQ(label(d, kContrastValue), "150");
        contrast.setSliderPosition(200);
        EXPECT_EQ(rig.reg(0x0B), 100);

        // Hue is moved by half the register's range.
        auto& hue = item<QScrollBar>(d, kHueBar);
        hue.setSliderPosition(100);
        EXPECT_EQ(label(d, kHueValue), "100");
        EXPECT_EQ(rig.reg(0x0D), 228);
        hue.setSliderPosition(200);
        EXPECT_EQ(rig.reg(0x0D), 72);
        click(d, kCancel);
    });
}

TEST(VideoSourceDialog, DefaultThenCancelRestoresTheDecoder) {
    VideoSourceRig rig;
    const auto stored = rig.registers();
    const bool ok = rig.run([&](QDialog& d) {
        item<QComboBox>(d, kStandardList).setFocus();
        QTest::keyClick(&item<QComboBox>(d, kStandardList), Qt::Key_Down);
        click(d, kDefault);
        EXPECT_EQ(label(d, kBrightnessValue), "128");
        EXPECT_EQ(label(d, kContrastValue), "142");
        EXPECT_EQ(item<QScrollBar>(d, kContrastBar).value(), 142);
        EXPECT_TRUE(item<QRadioButton>(d, int(connector::Composite)).isChecked());
        EXPECT_EQ(item<QComboBox>(d, kStandardList).currentIndex(), 0);
        // The defaults are on the decoder already.
        EXPECT_EQ(rig.reg(0x0A), 128);
        EXPECT_EQ(rig.reg(0x0B), 71);
        EXPECT_EQ(rig.reg(0x0C), 64);
        EXPECT_EQ(rig.reg(0x0D), 0);
        EXPECT_NE(rig.registers(), stored);
        click(d, kCancel);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(rig.registers(), stored);
    EXPECT_EQ(rig.settings.BRIGHTNESS, 100u);
    EXPECT_EQ(rig.settings.CONTRAST, 150u);
    EXPECT_EQ(rig.settings.VIDEOCONNECTOR, connector::SVideo);
    // NTSC - N, then Default's NTSC - M; Cancel finds the stored standard
    // in force and restarts nothing more.
    EXPECT_EQ(rig.restarts, (std::vector<uint32_t>{1, 0}));
    EXPECT_TRUE(rig.mainWindow.resizes.empty());
}

TEST(VideoSourceDialog, DefaultThenOkStoresTheDefaults) {
    VideoSourceRig rig;
    rig.settings.VIDEOSTANDARD = 5;
    rig.capture.CaptureState = kCaptureNotConnected;
    const bool ok = rig.run([](QDialog& d) {
        click(d, kDefault);
        click(d, kOk);
    });
    EXPECT_TRUE(ok);
    const Settings& s = rig.settings;
    EXPECT_EQ(std::vector<uint32_t>({s.BRIGHTNESS, s.CONTRAST, s.SATURATION, s.HUE,
                                     s.VIDEOCONNECTOR, s.VIDEOSTANDARD}),
              (std::vector<uint32_t>{128, 142, 128, 128, 1002, 0}));
    // Without the capture driver the frame size stays.
    EXPECT_TRUE(rig.mainWindow.resizes.empty());
    EXPECT_EQ(rig.capture.FrameHeight, 240u);
}

TEST(VideoSourceDialog, OkKeepsEachBarInItsOwnValue) {
    VideoSourceRig rig;
    const bool ok = rig.run([](QDialog& d) {
        item<QScrollBar>(d, kBrightnessBar).setSliderPosition(11);
        item<QScrollBar>(d, kContrastBar).setSliderPosition(22);
        item<QScrollBar>(d, kSaturationBar).setSliderPosition(33);
        item<QScrollBar>(d, kHueBar).setSliderPosition(44);
        click(d, kOk);
    });
    EXPECT_TRUE(ok);
    const Settings& s = rig.settings;
    EXPECT_EQ(std::vector<uint32_t>({s.BRIGHTNESS, s.CONTRAST, s.SATURATION, s.HUE}),
              (std::vector<uint32_t>{11, 22, 33, 44}));
}

TEST(VideoSourceDialog, PalRestartsLiveVideoWith288LineFields) {
    VideoSourceRig rig;
    rig.capture.CaptureState = kCaptureConnected;
    const bool ok = rig.run([&](QDialog& d) {
        auto& list = item<QComboBox>(d, kStandardList);
        list.setFocus();
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(&list, Qt::Key_Down);
        }
        EXPECT_EQ(list.currentText(), "PAL - BGHI");
        EXPECT_EQ(rig.restarts, (std::vector<uint32_t>{1, 2, 3}));
        EXPECT_EQ(rig.live.params.fieldHeight, 288u);
        ASSERT_TRUE(rig.live.live.overlay);
        EXPECT_EQ(rig.live.live.overlay->description().height, 576u);
        EXPECT_EQ(rig.reg(0x0E), VideoStandards[3].reg0E);
        EXPECT_EQ(rig.reg(0x09), VideoStandards[3].reg09);
        click(d, kOk);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(rig.settings.VIDEOSTANDARD, 3u);
    EXPECT_EQ(rig.capture.FrameWidth, 352u);
    EXPECT_EQ(rig.capture.FrameHeight, 288u);
    EXPECT_EQ(rig.mainWindow.resizes, (std::vector<Size>{{352, 288}, {352, 288}}));
}

TEST(VideoSourceDialog, ConnectorRadiosSwitchTheInputAndEscapeCancels) {
    VideoSourceRig rig;
    const uint8_t svideo = rig.reg(0x02);
    rig.run([&](QDialog& d) {
        click(d, int(connector::Composite));
        EXPECT_NE(rig.reg(0x02), svideo);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(rig.reg(0x02), svideo);
    EXPECT_EQ(rig.settings.VIDEOCONNECTOR, connector::SVideo);

    // Chosen and kept.
    rig.run([&](QDialog& d) {
        click(d, int(connector::Composite));
        click(d, kOk);
    });
    EXPECT_EQ(rig.settings.VIDEOCONNECTOR, connector::Composite);
    EXPECT_NE(rig.reg(0x02), svideo);
}

TEST(ScrollPictureValue, EachCodeMovesWithinTheRange) {
    EXPECT_EQ(ScrollPictureValue(0, QAbstractSlider::SliderSingleStepSub, 0), 0u);
    EXPECT_EQ(ScrollPictureValue(7, QAbstractSlider::SliderSingleStepSub, 0), 6u);
    EXPECT_EQ(ScrollPictureValue(255, QAbstractSlider::SliderSingleStepAdd, 0), 255u);
    EXPECT_EQ(ScrollPictureValue(4, QAbstractSlider::SliderPageStepSub, 0), 0u);
    EXPECT_EQ(ScrollPictureValue(250, QAbstractSlider::SliderPageStepAdd, 0), 255u);
    EXPECT_EQ(ScrollPictureValue(100, QAbstractSlider::SliderPageStepAdd, 0), 110u);
    EXPECT_EQ(ScrollPictureValue(100, QAbstractSlider::SliderMove, 264), 255u);
    EXPECT_EQ(ScrollPictureValue(100, QAbstractSlider::SliderMove, 37), 37u);
    EXPECT_EQ(ScrollPictureValue(100, QAbstractSlider::SliderToMinimum, 37), 100u);
    EXPECT_EQ(ScrollPictureValue(100, QAbstractSlider::SliderNoAction, 37), 100u);
    EXPECT_EQ(kPictureScrollRange.thumbMax(), 255);
}

}  // namespace
}  // namespace zelkor::test
