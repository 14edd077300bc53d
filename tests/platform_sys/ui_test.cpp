#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>

#include "platform/qt/services.h"
#include "platform/qt/ui_qt.h"
#include "platform/ui.h"
#include "platform/ui_console.h"
#include "tests/support/qt_app.h"

namespace zelkor::platform {
namespace {

TEST(ConsoleUi, WritesTitleAndTextAndTakesTheDefaultButton) {
    auto ui = makeConsoleUi();
    ::testing::internal::CaptureStderr();
    const int stopBox = ui->messageBox("Power save can't be turned off...", "Zelkor Oculara",
                                       mb::ICONHAND | mb::TOPMOST);
    const int question = ui->messageBox("Delete?\nAll of it", "manage", mb::YESNO | mb::DEFBUTTON2);
    const int okCancel = ui->messageBox("Go on?", "", mb::OKCANCEL);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Zelkor Oculara: Power save can't be turned off...\n"
              "manage: Delete?\nAll of it\n"
              ": Go on?\n");
    EXPECT_EQ(stopBox, answer::OK);
    EXPECT_EQ(question, answer::NO);
    EXPECT_EQ(okCancel, answer::OK);
}

TEST(MakeUi, ConsoleWhenAskedForEvenWithAnApplication) {
    testing::qtApp();
    setenv("ZELKOR_UI", "console", 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(makeUi()->messageBox("t", "T", mb::YESNO), answer::YES);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "T: t\n");
}

TEST(QtUi, BoxesCarryTheStyle) {
    testing::qtApp();
    auto stop =
        buildMessageBox("Error on Create window!", "Zelkor Oculara", mb::ICONHAND | mb::TOPMOST);
    EXPECT_EQ(stop->icon(), QMessageBox::Critical);
    EXPECT_EQ(stop->standardButtons(), QMessageBox::Ok);
    EXPECT_TRUE(stop->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(stop->text(), "Error on Create window!");
    EXPECT_EQ(stop->windowTitle(), "Zelkor Oculara");

    auto question = buildMessageBox("Sure?", "", mb::YESNO | mb::ICONQUESTION | mb::DEFBUTTON2);
    EXPECT_EQ(question->icon(), QMessageBox::Question);
    EXPECT_EQ(question->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question->defaultButton(), question->button(QMessageBox::No));
    EXPECT_FALSE(question->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    auto warning = buildMessageBox("x", "y", mb::OKCANCEL | mb::ICONEXCLAMATION);
    EXPECT_EQ(warning->icon(), QMessageBox::Warning);
    EXPECT_EQ(warning->defaultButton(), warning->button(QMessageBox::Ok));
    EXPECT_EQ(buildMessageBox("x", "y", mb::ICONASTERISK)->icon(), QMessageBox::Information);

    EXPECT_EQ(answerFor(QMessageBox::Yes, mb::YESNO), answer::YES);
    EXPECT_EQ(answerFor(QMessageBox::No, mb::YESNO), answer::NO);
    EXPECT_EQ(answerFor(QMessageBox::Cancel, mb::OKCANCEL), answer::CANCEL);
    EXPECT_EQ(answerFor(QMessageBox::NoButton, mb::OKCANCEL | mb::DEFBUTTON2), answer::CANCEL);
}

TEST(QtUi, ShownBoxReturnsTheButtonPressed) {
    QApplication& app = testing::qtApp();
    auto ui = makeQtUi();
    std::string seenText;
    // Press "No" on the box once it is up.
    QTimer::singleShot(0, &app, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenText = box->text().toStdString();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(ui->messageBox("Stop guard?", "Zelkor Oculara", mb::YESNO), answer::NO);
    EXPECT_EQ(seenText, "Stop guard?");
}

}  // namespace
}  // namespace zelkor::platform
