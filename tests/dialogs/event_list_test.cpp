// The detected-event list: its order and slot arithmetic on their own, and
// the window by its control ids over recorded shell and message boxes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <string>

#include "platform/fake/recording_shell.h"
#include "platform/fake/recording_ui.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "vorrak/dialogs/event_list.h"

namespace zelkor::vorrak {
namespace {

TEST(EventListOrder, NewestFirstUpToAHundred) {
    EXPECT_TRUE(EventListSlots(0, 0).empty());
    EXPECT_EQ(EventListSlots(3, 3), (std::vector<uint32_t>{3, 2, 1}));
    const std::vector<uint32_t> hundred = EventListSlots(100, 100);
    ASSERT_EQ(hundred.size(), 100u);
    EXPECT_EQ(hundred.front(), 100u);
    EXPECT_EQ(hundred.back(), 1u);
}

TEST(EventListOrder, PastAHundredTheOlderSlotsFollowTheNewest) {
    // 105 events: order 5..1 hold events 105..101, order 100..6 events 100..6.
    const std::vector<uint32_t> order = EventListSlots(105, 5);
    ASSERT_EQ(order.size(), 100u);
    EXPECT_EQ((std::vector<uint32_t>(order.begin(), order.begin() + 6)),
              (std::vector<uint32_t>{5, 4, 3, 2, 1, 100}));
    EXPECT_EQ(order.back(), 6u);
    // 200 events end in slot 100: no wrap at all.
    EXPECT_EQ(EventListSlots(200, 100), EventListSlots(100, 100));
    // A slot index outside 1..100 lists nothing rather than reading past
    // the order.
    EXPECT_TRUE(EventListSlots(105, 101).empty());
}

TEST(EventListOrder, SlotOfTheSelectedEntry) {
    EXPECT_EQ(SelectedEventSlot(3, 3, 0), 3u);
    EXPECT_EQ(SelectedEventSlot(3, 3, 2), 1u);
    EXPECT_EQ(SelectedEventSlot(105, 5, 0), 5u);
    EXPECT_EQ(SelectedEventSlot(105, 5, 4), 1u);
    EXPECT_EQ(SelectedEventSlot(105, 5, 5), 100u);
    EXPECT_EQ(SelectedEventSlot(105, 5, 99), 6u);
    EXPECT_EQ(SelectedEventSlot(200, 100, 99), 1u);
}

TEST(EventListOrder, NoSlotWithoutEventsSelectionOrAnEntryBeyondThem) {
    EXPECT_EQ(SelectedEventSlot(0, 0, 0), 0u);
    EXPECT_EQ(SelectedEventSlot(3, 3, -1), 0u);
    EXPECT_EQ(SelectedEventSlot(3, 3, 3), 0u);
    EXPECT_EQ(SelectedEventSlot(105, 5, 100), 0u);
    EXPECT_EQ(SelectedEventSlot(105, 0, 1), 0u);
}

class EventListTest : public ::testing::Test {
  protected:
    EventListTest() { testing::qtApp(); }

    // Events as the engine raises them: every even one with a clip.
    void raiseEvents(uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t n = ++guard.EventNumber;
            guard.eventSlotIndex = n % 100 == 0 ? 100 : n % 100;
            EventSlot& slot = guard.eventSlots[guard.eventSlotIndex];
            slot.description = "Event " + std::to_string(n);
            slot.bitmapPath = "/events/" + std::to_string(n) + ".bmp";
            slot.videoPath = n % 2 == 0 ? "/events/" + std::to_string(n) + ".avi" : "";
        }
    }
    QDialog& dialog() { return *list.dialog(); }
    QListWidget& entries() { return *qobject_cast<QListWidget*>(item(kEventListBox)); }
    QWidget* item(int id) { return DialogItem(dialog(), id); }
    void click(int id) { qobject_cast<QPushButton*>(item(id))->click(); }
    QString totalText() { return qobject_cast<QLabel*>(item(kEventTotalText))->text(); }
    // A left press and release on the list at `p` (list area coordinates),
    // then what the press posted.
    void pressAt(QPoint p) {
        QTest::mouseClick(entries().viewport(), Qt::LeftButton, {}, p);
        QCoreApplication::processEvents();
    }
    QPoint inside(int row, int dx) {
        return entries().visualItemRect(entries().item(row)).center() + QPoint(dx, 0);
    }

    GuardState guard;
    platform::RecordingShell shell;
    platform::RecordingUi ui;
    EventList list{guard, shell, ui};
};

TEST_F(EventListTest, ThreeEventsNewestFirstWithTheTotal) {
    raiseEvents(3);
    list.show();
    ASSERT_TRUE(list.isOpen());
    EXPECT_EQ(dialog().windowTitle(), "Oculara Detected Event List Log");
    EXPECT_EQ(dialog().objectName(), "189");
    EXPECT_FALSE(dialog().isModal());
    EXPECT_EQ(dialog().parentWidget(), nullptr);
    EXPECT_EQ(totalText(), "Total events detected : 3");
    ASSERT_EQ(entries().count(), 3);
    EXPECT_EQ(entries().item(0)->text(), "Event 3");
    EXPECT_EQ(entries().item(2)->text(), "Event 1");
    EXPECT_EQ(entries().item(2)->toolTip(), "Event 1") << "a line cut by the list shows whole";
    EXPECT_EQ(entries().currentRow(), 0);
    EXPECT_EQ(qobject_cast<QPushButton*>(item(kViewImageButton))->text(), "View Image");
    EXPECT_EQ(qobject_cast<QPushButton*>(item(kPlayVideoButton))->text(), "Play Video");
    EXPECT_EQ(qobject_cast<QPushButton*>(item(kEventListExitButton))->text(), "Exit");
    EXPECT_TRUE(testing::saveScreenshot(dialog().grab().toImage(), "event_list_189"));
}

TEST_F(EventListTest, AfterHundredAndFiveEventsTheSixthEntryOpensEventHundred) {
    raiseEvents(105);
    list.show();
    ASSERT_EQ(entries().count(), 100);
    EXPECT_EQ(entries().item(0)->text(), "Event 105");
    EXPECT_EQ(entries().item(99)->text(), "Event 6");
    entries().setCurrentRow(5);
    click(kViewImageButton);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"/events/100.bmp"}));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(EventListTest, PlayVideoOpensTheClipOrSaysThereIsNone) {
    raiseEvents(2);
    list.show();
    click(kPlayVideoButton);
    entries().setCurrentRow(1);
    click(kPlayVideoButton);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"/events/2.avi"}));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, kNoVideoMessage);
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
}

TEST_F(EventListTest, ShellFailuresAreToldForPictureAndClip) {
    raiseEvents(2);
    list.show();
    shell.results = {2, 31, 33, platform::kOpenerNotStarted};
    click(kViewImageButton);
    click(kPlayVideoButton);
    click(kViewImageButton);
    click(kViewImageButton);
    ASSERT_EQ(ui.texts().size(), 3u);
    EXPECT_EQ(ui.texts()[0], kBitmapOpenErrorMessage);
    EXPECT_EQ(ui.texts()[1], kVideoOpenErrorMessage);
    // The opener missing: the text, then a line that names it.
    EXPECT_TRUE(ui.texts()[2].starts_with(std::string(kBitmapOpenErrorMessage) +
                                          "\nCould not start \"xdg-open\""))
        << ui.texts()[2];
    EXPECT_EQ(shell.opened.size(), 4u);
}

TEST_F(EventListTest, AReusedSlotPlaysItsCurrentClip) {
    raiseEvents(102);  // event 102 took over slot 2 from event 2
    list.show();
    click(kPlayVideoButton);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"/events/102.avi"}));
}

TEST_F(EventListTest, TwoPressesAtOnePointOpenTheEntryUnderThePointer) {
    raiseEvents(4);
    list.show();
    pressAt(inside(2, 0));
    EXPECT_TRUE(shell.opened.empty());
    pressAt(inside(2, 0));
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"/events/2.bmp"}));
}

TEST_F(EventListTest, TwoPressesAtDifferentPointsOpenNothing) {
    raiseEvents(4);
    list.show();
    pressAt(inside(1, 0));
    pressAt(inside(1, 3));
    pressAt(inside(2, 0));
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(entries().currentRow(), 2);
}

TEST_F(EventListTest, ThePreviousPressOutlivesTheWindow) {
    raiseEvents(4);
    list.show();
    pressAt(inside(3, 0));
    list.close();
    list.show();
    pressAt(inside(3, 0));
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"/events/1.bmp"}));
}

TEST_F(EventListTest, ANewEventRefillsAndSelectsTheNewest) {
    raiseEvents(3);
    list.show();
    entries().setCurrentRow(2);
    raiseEvents(1);
    list.refill();
    EXPECT_EQ(totalText(), "Total events detected : 4");
    ASSERT_EQ(entries().count(), 4);
    EXPECT_EQ(entries().currentRow(), 0);
    EXPECT_EQ(entries().currentItem()->text(), "Event 4");
}

TEST_F(EventListTest, ExitAndTheCloseBoxCloseItAndItOpensAnew) {
    raiseEvents(1);
    list.show();
    click(kEventListExitButton);
    EXPECT_FALSE(list.isOpen());
    list.show();
    ASSERT_TRUE(list.isOpen());
    EXPECT_EQ(entries().count(), 1);
    dialog().close();
    EXPECT_FALSE(list.isOpen());
}

}  // namespace
}  // namespace zelkor::vorrak
