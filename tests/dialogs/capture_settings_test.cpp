// The Capture Video Settings dialog and its Advanced dialog over the
// virtual card's capture window, with the file dialog and the audio format
// chooser answered by the test.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "formats/wave_format.h"
#include "platform/qt/window.h"
#include "tests/capture/host_rig.h"
#include "tests/dialogs/modal_script.h"
#include "tests/support/screenshot.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/dialogs/capture_rules.h"
#include "vorrak/dialogs/capture_settings.h"
#include "vorrak/dialogs/pcm_format_chooser.h"
#include "vorrak/resources/strings.h"

namespace zelkor::test {
namespace {

using namespace vorrak;
using namespace vorrak::capture_settings;
using Size = std::pair<uint32_t, uint32_t>;

class ScriptedFiles : public SaveFileDialog {
  public:
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> opened;  // the name each dialog opened with

    std::optional<std::string> ask(QWidget*, const std::string& name) override {
        opened.push_back(name);
        if (answers.empty()) {
            ADD_FAILURE() << "the file dialog was asked once more than expected";
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class ScriptedChooser : public AudioFormatChooser {
  public:
    std::optional<formats::WaveFormatRecord> choice;
    std::vector<std::vector<uint8_t>> offered;

    size_t maxFormatSize() const override { return 20; }
    bool choose(QWidget*, std::span<uint8_t> format) override {
        offered.emplace_back(format.begin(), format.end());
        if (!choice) {
            return false;
        }
        const std::vector<uint8_t> bytes = formats::encodeWaveFormat(*choice);
        std::copy(bytes.begin(), bytes.end(), format.begin());
        return true;
    }
};

constexpr uint64_t kMB = 1048576;
const formats::WaveFormatRecord kStereo22k{formats::WaveFormatPcm, 2, 22050, 88200, 4, 16};

struct DialogRig {
    explicit DialogRig(vcard::CaptureDriverConfig config = {}) : v(config) {
        v.create();
        v.settings.VIDEOFRAMERATE = 15;
        v.capture.clipPath = "/rec/error3.avi";
        v.disk.setFreeBytes("/rec", 812 * kMB);
        v.disk.setFreeBytes("/data", 2048 * kMB);
    }
    VorrakRig v;
    ScriptedFiles files;
    ScriptedChooser chooser;
    CaptureDialogServices services{v.settings, v.options, v.capture, v.services, files, chooser};

    bool run(std::function<void(QDialog&)> script) {
        whenModalOpens(std::move(script));
        return CaptureSettingsDialog(services, nullptr).exec();
    }
    // Presses `button` of the Advanced dialog, then cancels both dialogs.
    void pressInAdvanced(int button) {
        run([button](QDialog& d) {
            whenModalOpens([button](QDialog& a) {
                click(a, button);
                click(a, kAdvancedCancel);
            });
            click(d, kAdvanced);
            click(d, kCancel);
        });
    }
};

void typeFrameRate(QDialog& d, const QString& text) {
    auto& edit = item<QLineEdit>(d, kFrameRate);
    edit.clear();
    QTest::keyClicks(&edit, text);
}

QString text(QDialog& d, int id) {
    if (auto* edit = dynamic_cast<QLineEdit*>(DialogItem(d, id))) {
        return edit->text();
    }
    return item<QLabel>(d, id).text();
}

TEST(CaptureSettingsDialog, FrameRateIsClampedOnOk) {
    struct Case {
        QString typed;
        uint32_t stored;
    };
    for (const Case& c : {Case{"45", 30}, Case{"0", 1}, Case{"", 1}, Case{"7", 7}}) {
        DialogRig rig;
        EXPECT_TRUE(rig.run([&](QDialog& d) {
            typeFrameRate(d, c.typed);
            click(d, kOk);
        }));
        EXPECT_EQ(rig.v.settings.VIDEOFRAMERATE, c.stored) << c.typed.toStdString();
    }
}

TEST(CaptureSettingsDialog, TheFrameRateFieldTakesDigitsAndTheArrowsStayInRange) {
    DialogRig rig;
    rig.run([](QDialog& d) {
        EXPECT_EQ(text(d, kFrameRate), "15");
        typeFrameRate(d, "2x-5");
        EXPECT_EQ(text(d, kFrameRate), "25");
        auto& arrows = item<UpDownControl>(d, kFrameRateUpDown);
        for (int i = 0; i < 8; ++i) {
            QTest::mouseClick(&arrows.upArrow(), Qt::LeftButton);
        }
        EXPECT_EQ(text(d, kFrameRate), "30");
        typeFrameRate(d, "2");
        QTest::mouseClick(&arrows.downArrow(), Qt::LeftButton);
        QTest::mouseClick(&arrows.downArrow(), Qt::LeftButton);
        EXPECT_EQ(text(d, kFrameRate), "1");
        typeFrameRate(d, "");
        QTest::mouseClick(&arrows.upArrow(), Qt::LeftButton);
        EXPECT_EQ(text(d, kFrameRate), "2");
        click(d, kOk);
    });
    EXPECT_EQ(rig.v.settings.VIDEOFRAMERATE, 2u);
}

TEST(CaptureSettingsDialog, WithoutAudioHardwareCaptureAudioIsOffAndDisabled) {
    DialogRig rig;
    rig.v.capture.audioAvailable = 0;
    rig.v.options.captureAudio = true;
    rig.run([&](QDialog& d) {
        auto& audio = item<QCheckBox>(d, kCaptureAudio);
        EXPECT_FALSE(audio.isChecked());
        EXPECT_FALSE(audio.isEnabled());
        // Off at once, whatever the dialog ends with.
        EXPECT_FALSE(rig.v.options.captureAudio);
        QTest::mouseClick(&audio, Qt::LeftButton);
        EXPECT_FALSE(audio.isChecked());
        click(d, kOk);
    });
    EXPECT_FALSE(rig.v.options.captureAudio);
}

TEST(CaptureSettingsDialog, CaptureAudioTakesEffectOnlyOnOk) {
    DialogRig rig;
    rig.v.capture.audioAvailable = 1;
    rig.run([](QDialog& d) {
        auto& audio = item<QCheckBox>(d, kCaptureAudio);
        EXPECT_TRUE(audio.isEnabled());
        QTest::mouseClick(&audio, Qt::LeftButton);
        EXPECT_TRUE(audio.isChecked());
        click(d, kCancel);
    });
    EXPECT_FALSE(rig.v.options.captureAudio);
    rig.run([](QDialog& d) {
        QTest::mouseClick(&item<QCheckBox>(d, kCaptureAudio), Qt::LeftButton);
        click(d, kOk);
    });
    EXPECT_TRUE(rig.v.options.captureAudio);
}

TEST(CaptureSettingsDialog, RenameRefusesAnythingButAviAndAsksAgain) {
    DialogRig rig;
    rig.files.answers = {"/data/clip.mpg", "/data/clip.Avi"};
    rig.run([&](QDialog& d) {
        EXPECT_EQ(text(d, kFilePath), "/rec/error3.avi");
        EXPECT_EQ(text(d, kFreeSpace), "Free Disk Space (/rec)   812  MBytes");
        d.show();
        EXPECT_TRUE(testing::saveScreenshot(d.grab().toImage(), "capture_settings_112"));
        click(d, kRename);
        EXPECT_EQ(text(d, kFilePath), "/data/clip.Avi");
        EXPECT_EQ(text(d, kFreeSpace), "Free Disk Space (/data)   2048  MBytes");
        // Nothing is kept before OK.
        EXPECT_EQ(rig.v.capture.clipPath, "/rec/error3.avi");
        click(d, kOk);
    });
    ASSERT_EQ(rig.v.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.v.ui.boxes[0].text, "Not supported file type.");
    EXPECT_EQ(rig.v.ui.boxes[0].title, resources::kTitle);
    EXPECT_EQ(rig.v.ui.boxes[0].style, kVorrakBoxStyle);
    // The dialog opens again with the refused name, for the user to mend.
    EXPECT_EQ(rig.files.opened, (std::vector<std::string>{"/rec/error3.avi", "/data/clip.mpg"}));
    EXPECT_EQ(rig.v.capture.clipPath, "/data/clip.Avi");
}

TEST(CaptureSettingsDialog, CancelledRenameChangesNothing) {
    DialogRig rig;
    rig.files.answers = {std::nullopt};
    rig.run([&](QDialog& d) {
        click(d, kRename);
        EXPECT_EQ(text(d, kFilePath), "/rec/error3.avi");
        EXPECT_EQ(text(d, kFreeSpace), "Free Disk Space (/rec)   812  MBytes");
        click(d, kOk);
    });
    EXPECT_TRUE(rig.v.ui.boxes.empty());
    EXPECT_EQ(rig.v.capture.clipPath, "/rec/error3.avi");
}

// No clip has been recorded yet: the text names the event folder the next
// clip goes to and that folder's free space, in full however long (in the
// tool tip); the label shortens the folder so the free space shows.
TEST(CaptureSettingsDialog, BeforeTheFirstClipTheEventFolderIsShown) {
    DialogRig rig;
    const std::string folder = "/srv/" + std::string(80, 'w') + "/20261210";
    rig.v.capture.clipPath.clear();
    rig.v.capture.eventFolder = folder;
    rig.v.disk.setFreeBytes(folder, 3072 * kMB);
    rig.run([&](QDialog& d) {
        const auto& label = item<QLabel>(d, kFreeSpace);
        EXPECT_EQ(label.toolTip().toStdString(), "Free Disk Space (" + folder + ")   3072  MBytes");
        EXPECT_TRUE(label.text().startsWith("Free Disk Space (/srv/"))
            << label.text().toStdString();
        EXPECT_TRUE(label.text().endsWith("210)   3072  MBytes")) << label.text().toStdString();
        EXPECT_LE(QFontMetrics(label.font()).horizontalAdvance(label.text()),
                  label.contentsRect().width());
        EXPECT_EQ(text(d, kFilePath), "");
        click(d, kCancel);
    });
}

TEST(CaptureSettingsDialog, ANameLongerThanTheCapturePathIsRefusedNeverCut) {
    DialogRig rig;
    const std::string longest = "/data/" + std::string(kCapturePathMax - 10, 'n') + ".avi";
    ASSERT_EQ(longest.size(), kCapturePathMax);
    const std::string tooLong = "/data/" + std::string(kCapturePathMax - 9, 'n') + ".avi";
    rig.files.answers = {tooLong, longest};
    rig.run([&](QDialog& d) {
        click(d, kRename);
        click(d, kOk);
    });
    ASSERT_EQ(rig.v.ui.texts(), std::vector<std::string>{std::string(kPathTooLongMessage)});
    EXPECT_EQ(rig.v.capture.clipPath, longest);
}

TEST(CaptureSettingsDialog, OkPlacesTheWindowsAndCancelKeepsEverything) {
    DialogRig rig;
    rig.v.host.resizes.clear();
    rig.run([](QDialog& d) {
        typeFrameRate(d, "12");
        click(d, kCancel);
    });
    EXPECT_EQ(rig.v.settings.VIDEOFRAMERATE, 15u);
    EXPECT_TRUE(rig.v.host.resizes.empty());

    rig.run([](QDialog& d) { click(d, kOk); });
    EXPECT_EQ(rig.v.settings.VIDEOFRAMERATE, 15u);
    EXPECT_EQ(rig.v.host.resizes, (std::vector<Size>{{352, 240}}));
    EXPECT_EQ(platform::widgetOf(rig.v.capture.window->window())->geometry(),
              QRect(0, 0, 352, 240));
}

TEST(CaptureAdvancedDialog, EscapeDoesNothingOkKeepsPlayback) {
    DialogRig rig;
    rig.run([&](QDialog& d) {
        whenModalOpens([](QDialog& a) {
            EXPECT_EQ(a.objectName(), "174");
            EXPECT_EQ(a.windowTitle(), "Zelkor Oculara Capture Video Advanced Setting");
            a.show();
            EXPECT_TRUE(testing::saveScreenshot(a.grab().toImage(), "capture_advanced_174"));
            QTest::keyClick(&a, Qt::Key_Escape);
            QTest::keyClick(&a, Qt::Key_Return);
            QTest::keyClick(&a, Qt::Key_Enter, Qt::KeypadModifier);
            EXPECT_TRUE(a.isVisible());
            QTest::mouseClick(&item<QCheckBox>(a, kPlayback), Qt::LeftButton);
            click(a, kAdvancedOk);
        });
        click(d, kAdvanced);
        EXPECT_TRUE(d.isVisible());
        click(d, kCancel);
    });
    // Play-back is the Advanced dialog's own, kept though 112 was cancelled.
    EXPECT_TRUE(rig.v.options.playbackAfterRecording);

    rig.run([&](QDialog& d) {
        whenModalOpens([](QDialog& a) {
            auto& playback = item<QCheckBox>(a, kPlayback);
            EXPECT_TRUE(playback.isChecked());
            QTest::mouseClick(&playback, Qt::LeftButton);
            a.close();
        });
        click(d, kAdvanced);
        click(d, kOk);
    });
    EXPECT_TRUE(rig.v.options.playbackAfterRecording);
}

TEST(CaptureAdvancedDialog, TheChosenAudioFormatGoesToTheCaptureWindow) {
    vcard::CaptureDriverConfig audio;
    audio.audioHardware = true;
    DialogRig rig(audio);
    const std::vector<uint8_t> before = rig.v.capture.window->getAudioFormat();
    rig.chooser.choice = kStereo22k;
    rig.pressInAdvanced(kAudioFormat);
    // The chooser starts from the window's format, in a buffer of the
    // larger of the two sizes.
    ASSERT_EQ(rig.chooser.offered.size(), 1u);
    std::vector<uint8_t> expected = before;
    expected.resize(20, 0);
    EXPECT_EQ(rig.chooser.offered[0], expected);
    EXPECT_EQ(rig.v.capture.window->getAudioFormat(), formats::encodeWaveFormat(kStereo22k));

    // Cancelled in the chooser: the window keeps its format.
    rig.chooser.choice.reset();
    rig.pressInAdvanced(kAudioFormat);
    EXPECT_EQ(rig.v.capture.window->getAudioFormat(), formats::encodeWaveFormat(kStereo22k));

    // Without a capture window the chooser starts from an empty format and
    // its choice goes nowhere; the compression button does nothing.
    rig.v.capture.window.reset();
    rig.chooser.choice = kStereo22k;
    rig.pressInAdvanced(kAudioFormat);
    rig.pressInAdvanced(kCompression);
    ASSERT_EQ(rig.chooser.offered.size(), 3u);
    EXPECT_EQ(rig.chooser.offered[2], std::vector<uint8_t>(20, 0));
}

TEST(PcmFormatChooser, StartsAtTheGivenFormatAndWritesTheChosenOne) {
    testing::qtApp();
    PcmFormatChooser chooser;
    std::vector<uint8_t> format(chooser.maxFormatSize(), 0xEE);
    const std::vector<uint8_t> start = formats::encodeWaveFormat(kStereo22k);
    std::copy(start.begin(), start.end(), format.begin());
    whenModalOpens([](QDialog& d) {
        auto& list = item<QComboBox>(d, kAudioFormatList);
        EXPECT_EQ(list.currentText(), "22050 Hz, 16 Bit, Stereo");
        EXPECT_EQ(list.count(), int(kPcmFormatCount));
        d.show();
        EXPECT_TRUE(testing::saveScreenshot(d.grab().toImage(), "audio_format_176"));
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Down);
        click(d, 1);
    });
    ASSERT_TRUE(chooser.choose(nullptr, format));
    const auto chosen = formats::decodeWaveFormat(format);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (formats::WaveFormatRecord{formats::WaveFormatPcm, 1, 44100, 44100, 1, 8}));
    EXPECT_EQ(WaveFormatRecordBytes(format), formats::WaveFormatRecordSize);

    whenModalOpens([](QDialog& d) { click(d, 2); });
    EXPECT_FALSE(chooser.choose(nullptr, format));
    std::vector<uint8_t> tooShort(10);
    EXPECT_FALSE(chooser.choose(nullptr, tooShort));
}

TEST(CaptureRules, FrameRateText) {
    EXPECT_EQ(FrameRateFromText("31"), 30u);
    EXPECT_EQ(FrameRateFromText("30"), 30u);
    EXPECT_EQ(FrameRateFromText("007"), 7u);
    EXPECT_EQ(FrameRateFromText("abc"), 1u);
    EXPECT_EQ(FrameRateFromText("-5"), 1u);
    EXPECT_EQ(FrameRateFromText(" 5"), 1u);
    EXPECT_EQ(FrameRateFromText("12a"), 1u);
    EXPECT_EQ(FrameRateFromText("4294967297"), 30u);
}

TEST(CaptureRules, ExtensionsAsTheFileDialogReportsThem) {
    EXPECT_EQ(ExtensionOf("/data/clip.mpg"), "mpg");
    EXPECT_EQ(ExtensionOf("C:\\video.dir\\clip.Avi"), "Avi");
    EXPECT_EQ(ExtensionOf("/data/v1.0/clip"), "");
    EXPECT_EQ(ExtensionOf("/data/clip."), "");
    EXPECT_EQ(ExtensionOf("clip.tar.avi"), "avi");
    EXPECT_TRUE(IsAviExtension("avi"));
    EXPECT_TRUE(IsAviExtension("AVI"));
    EXPECT_TRUE(IsAviExtension("aVi"));
    EXPECT_FALSE(IsAviExtension("avi "));
    EXPECT_FALSE(IsAviExtension("av"));
    EXPECT_FALSE(IsAviExtension(""));
}

TEST(CaptureRules, FreeSpaceNamesTheDriveOrFolderOfTheClip) {
    EXPECT_EQ(FreeSpacePlace("C:\\capture.avi"), "C:");
    EXPECT_EQ(FreeSpacePlace("/home/clip.avi"), "/home");
    EXPECT_EQ(FreeSpacePlace("/clip.avi"), "/");
    EXPECT_EQ(FreeSpacePlace("clip.avi"), "");
    EXPECT_EQ(FreeSpaceText("C:", 812), "Free Disk Space (C:)   812  MBytes");
    EXPECT_EQ(FreeSpaceText("", 5), "Free Disk Space ()   5  MBytes");
    EXPECT_EQ(FreeSpaceText("/x", 4294967295u), "Free Disk Space (/x)   4294967295  MBytes");
}

TEST(CaptureRules, WaveFormatRecordBytesStayInTheBuffer) {
    std::vector<uint8_t> record = formats::encodeWaveFormat(kStereo22k);
    EXPECT_EQ(WaveFormatRecordBytes(record), 18u);
    EXPECT_EQ(WaveFormatRecordBytes(std::span<const uint8_t>(record).first(17)), 0u);
    record.resize(30, 0);
    record[16] = 4;
    EXPECT_EQ(WaveFormatRecordBytes(record), 22u);
    record[16] = 0xE8;
    record[17] = 0x03;
    EXPECT_EQ(WaveFormatRecordBytes(record), 30u);
}

}  // namespace
}  // namespace zelkor::test
