// The access password: two real attempts and a refusing third press, with
// the start-up and guard-stop outcomes, from the terminal prompt and from
// dialog 206 by its control ids.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>

#include "tests/guard_engine/engine_rig.h"
#include "tests/support/screenshot.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/access_password.h"

namespace zelkor::vorrak {
namespace {

TEST(PasswordAttemptsTest, TheThirdPressRefusesWithoutReadingTheField) {
    PasswordAttempts attempts;
    int reads = 0;
    const auto typed = [&](std::string text) {
        return [&reads, text] {
            ++reads;
            return text;
        };
    };
    EXPECT_EQ(attempts.press(typed("qtrwke4"), "QTRWKe4"), PasswordVerdict::Wrong);
    EXPECT_EQ(attempts.press(typed("QTRWKe"), "QTRWKe4"), PasswordVerdict::Wrong);
    EXPECT_EQ(attempts.press(typed("QTRWKe4"), "QTRWKe4"), PasswordVerdict::Refused);
    EXPECT_EQ(reads, 2);
}

TEST(PasswordAttemptsTest, RightOnTheSecondPress) {
    PasswordAttempts attempts;
    EXPECT_EQ(attempts.press([] { return "x"; }, "secret"), PasswordVerdict::Wrong);
    EXPECT_EQ(attempts.press([] { return "secret"; }, "secret"), PasswordVerdict::Right);
}

TEST(PasswordAttemptsTest, AnEmptyPasswordMatchesAnEmptyField) {
    PasswordAttempts attempts;
    EXPECT_EQ(attempts.press([] { return ""; }, ""), PasswordVerdict::Right);
}

TEST(PasswordAttemptsTest, TheFieldHoldsAtMost99Characters) {
    const std::string password(99, 'p');
    PasswordAttempts attempts;
    EXPECT_EQ(attempts.press([&] { return password + "extra"; }, password), PasswordVerdict::Right);
}

class AskPasswordTest : public ::testing::Test {
  protected:
    AskPasswordTest() {
        rig.vorrak.access.AccessPassword = "QTRWKe4";
        rig.services->settingsHost.endProcess = [this](int code) { exitCodes.push_back(code); };
    }
    PasswordPromptFn entries(std::deque<std::optional<std::string>> typed) {
        return [this, typed]() mutable {
            ++prompts;
            auto next = typed.front();
            typed.pop_front();
            return next;
        };
    }

    test::EngineRig rig;
    std::vector<int> exitCodes;
    int prompts = 0;
};

TEST_F(AskPasswordTest, AtStartUpTwoWrongEntriesAndAThirdEndTheProgramWithOne) {
    rig.vorrak.capture.CaptureState = kCaptureNotConnected;
    rig.vorrak.PowerOffWasActive = true;
    rig.power.active = false;
    EXPECT_FALSE(AskPasswordWith(rig.vorrak, *rig.services, entries({"a", "b", "QTRWKe4"})));
    EXPECT_EQ(prompts, 3);
    EXPECT_EQ(rig.boxTexts(), (std::vector<std::string>{std::string(kPasswordWrongMessage),
                                                        std::string(kPasswordWrongMessage),
                                                        std::string(kNotAuthorizedAbortMessage)}));
    EXPECT_EQ(rig.ui.boxes.back().title, resources::kTitle);
    EXPECT_EQ(rig.ui.boxes.back().style, kVorrakBoxStyle);
    EXPECT_EQ(exitCodes, std::vector<int>{1});
    // The program ends at once, but not with the desktop's power-off
    // feature left off or the decoder still driving the display.
    EXPECT_EQ(rig.power.changes, std::vector<bool>{true});
    EXPECT_EQ(rig.card->decoder()->reg(0x11), 0x84);
}

TEST_F(AskPasswordTest, WhenStoppingGuardModeARefusalOnlyCloses) {
    ASSERT_EQ(rig.vorrak.capture.CaptureState, kCaptureConnected);
    rig.vorrak.PowerOffWasActive = true;
    EXPECT_FALSE(AskPasswordWith(rig.vorrak, *rig.services, entries({"a", "b", "c"})));
    EXPECT_EQ(rig.boxTexts().back(), kNotAuthorizedMessage);
    EXPECT_TRUE(exitCodes.empty());
    EXPECT_TRUE(rig.power.changes.empty());
}

TEST_F(AskPasswordTest, TheRightPasswordPassesAndLetterCaseCounts) {
    EXPECT_TRUE(AskPasswordWith(rig.vorrak, *rig.services, entries({"qtrwke4", "QTRWKe4"})));
    EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{std::string(kPasswordWrongMessage)});
}

TEST_F(AskPasswordTest, WithoutATerminalTheCheckFailsAsTheThirdPressWould) {
    rig.vorrak.capture.CaptureState = kCaptureNotConnected;
    EXPECT_FALSE(AskPasswordWith(rig.vorrak, *rig.services, entries({std::nullopt})));
    EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{std::string(kNotAuthorizedAbortMessage)});
    EXPECT_EQ(exitCodes, std::vector<int>{1});
}

class PasswordDialogTest : public AskPasswordTest {
  protected:
    // Runs the dialog; `script` acts on it once it is open.
    bool run(std::function<void(QDialog&)> script) {
        QTimer::singleShot(0, [script] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            script(*dialog);
        });
        owner.show();
        return AskPasswordDialog(rig.vorrak, *rig.services, &owner);
    }
    static void type(QDialog& d, const QString& text) {
        auto* field = d.findChild<QLineEdit*>(QString::number(kPasswordEdit));
        field->setText(text);
    }
    static void ok(QDialog& d) { d.findChild<QPushButton*>(QString::number(kPasswordOk))->click(); }

    QWidget owner;
};

TEST_F(PasswordDialogTest, LaidOutAsDialog206) {
    const auto dialog = BuildDialog(PasswordTemplate(), &owner);
    EXPECT_EQ(dialog->objectName(), QString::number(kPasswordDialog));
    EXPECT_EQ(dialog->windowTitle(), "Zelkor Oculara - Password Verification");
    auto* field = qobject_cast<QLineEdit*>(DialogItem(*dialog, kPasswordEdit));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    auto* button = qobject_cast<QPushButton*>(DialogItem(*dialog, kPasswordOk));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isDefault());
    dialog->show();
    field->setText("secret");
    EXPECT_TRUE(
        testing::saveScreenshot(dialog->grab().toImage(), "vorrak_password_dialog_offscreen"));
}

TEST_F(PasswordDialogTest, ThreePressesAtGuardStopCloseWithoutThePassword) {
    const bool right = run([](QDialog& d) {
        type(d, "wrong");
        ok(d);
        // The wrong entry is cleared and the dialog stays.
        EXPECT_TRUE(d.findChild<QLineEdit*>(QString::number(kPasswordEdit))->text().isEmpty());
        EXPECT_TRUE(d.isVisible());
        type(d, "also wrong");
        ok(d);
        type(d, "QTRWKe4");
        ok(d);
    });
    EXPECT_FALSE(right);
    EXPECT_EQ(rig.boxTexts().back(), kNotAuthorizedMessage);
    EXPECT_EQ(rig.boxTexts().size(), 3u);
}

TEST_F(PasswordDialogTest, EscapeAndTheCloseBoxDoNothing) {
    const bool right = run([](QDialog& d) {
        QTest::keyClick(&d, Qt::Key_Escape);
        d.close();
        EXPECT_TRUE(d.isVisible());
        type(d, "QTRWKe4");
        ok(d);
    });
    EXPECT_TRUE(right);
    EXPECT_TRUE(rig.boxTexts().empty());
}

}  // namespace
}  // namespace zelkor::vorrak
