#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <vector>

#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "vorrak/detection/guard_mode.h"
#include "vorrak/dialogs/tracing_menu.h"

namespace zelkor::vorrak {
namespace {

QPushButton* button(TracingMenu& menu, int id) {
    return qobject_cast<QPushButton*>(DialogItem(menu.dialog(), id));
}

TEST(DialogTemplate, DialogUnitsOfTheDialogFont) {
    EXPECT_EQ(DialogUnitsToPixelsX(4), 6);
    EXPECT_EQ(DialogUnitsToPixelsY(8), 13);
    EXPECT_EQ(DialogUnitsToPixelsX(40), 60);
    EXPECT_EQ(DialogUnitsToPixelsY(14), 22);
}

TEST(TracingMenu, ButtonsByIdInTemplateOrderReportTheirIds) {
    testing::qtApp();
    std::vector<int> pressed;
    TracingMenu menu(nullptr, [&](int id) { pressed.push_back(id); });
    QDialog& dialog = menu.dialog();
    EXPECT_EQ(dialog.windowTitle(), "Tracing Menu");
    EXPECT_EQ(dialog.objectName(), "205");
    EXPECT_EQ(dialog.size(), QSize(177, 143));

    const std::vector<std::pair<int, QString>> buttons = {{kTracingSnapshotButton, "SnapShot"},
                                                          {kTracingCaptureButton, "Capture"},
                                                          {kTracingMailButton, "Send Mail"},
                                                          {kTracingPhoneButton, "Phone Call"},
                                                          {kTracingStopButton, "Stop Tracing"}};
    QWidget* previous = nullptr;
    for (const auto& [id, text] : buttons) {
        QPushButton* b = button(menu, id);
        ASSERT_NE(b, nullptr) << id;
        EXPECT_EQ(b->text(), text);
        if (previous != nullptr) {
            EXPECT_EQ(previous->nextInFocusChain(), b) << "tab order follows the template";
        }
        previous = b;
        b->click();
    }
    EXPECT_EQ(pressed, (std::vector<int>{3, 4, 5, 6, 7}));
    EXPECT_TRUE(button(menu, kTracingStopButton)->isDefault());
    EXPECT_EQ(button(menu, kTracingSnapshotButton)->geometry(), QRect(24, 27, 60, 22));
    EXPECT_NE(dialog.findChild<QGroupBox*>(), nullptr);

    menu.open();
    EXPECT_FALSE(dialog.isModal());
    EXPECT_TRUE(testing::saveScreenshot(dialog.grab().toImage(), "tracing_menu"));
}

TEST(TracingMenu, StaysOpenOnEscapeAndTheCloseBoxUntilClosed) {
    testing::qtApp();
    TracingMenu menu(nullptr, [](int) {});
    menu.open();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&menu.dialog(), &escape);
    menu.dialog().close();
    EXPECT_TRUE(menu.isOpen());
    menu.close();
    EXPECT_FALSE(menu.isOpen());
}

}  // namespace
}  // namespace zelkor::vorrak
