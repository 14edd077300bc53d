#pragma once
// The detected-event list: a modeless window without owner that lists this
// run's events newest first, from the event slots in memory, and opens the
// bitmap or the clip of the chosen one with the desktop's handler. It keeps
// working while guard mode runs, and the engine refills it after each event.

#include <QDialog>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/shell.h"
#include "platform/ui.h"
#include "vorrak/detection/guard_state.h"
#include "vorrak/dialogs/dialog_template.h"

class QListWidget;

namespace zelkor::vorrak {

constexpr int kEventListDialog = 189;
constexpr int kEventTotalText = 1308;
constexpr int kEventListBox = 1307;
constexpr int kViewImageButton = 1299;
constexpr int kPlayVideoButton = 1300;
constexpr int kEventListExitButton = 1298;

constexpr std::string_view kBitmapOpenErrorMessage = "Bitmap File open error....";
constexpr std::string_view kNoVideoMessage =
    "You didn't capture video at this event....\nNo Video file is opened.";
constexpr std::string_view kVideoOpenErrorMessage = "Video File open error....\n";

const DialogTemplate& EventListTemplate();

// The slots in list order for `eventNumber` events whose latest is in slot
// `current`: newest first, at most the 100 slots there are.
std::vector<uint32_t> EventListSlots(uint32_t eventNumber, uint32_t current);

// The slot of list entry `selected` (from 0; negative: nothing selected),
// 0 when it names no event.
uint32_t SelectedEventSlot(uint32_t eventNumber, uint32_t current, int selected);

class EventList : public QObject {
  public:
    // Reads `guard`'s events and slots, never changes them. The window
    // belongs to `owner`, whose taskbar entry it shares.
    EventList(const GuardState& guard, platform::Shell& shell, platform::Ui& ui,
              QWidget* owner = nullptr);
    ~EventList() override;

    // Makes the window anew from its template, fills and shows it.
    void show();
    // Fills the open window again: the total, the entries, the newest
    // selected.
    void refill();
    // Exit: the window goes and counts as closed.
    void close();
    // Out of sight with the other windows behind the tray icon; it stays
    // open, keeps being refilled, and comes back with them.
    void hideWithWindows();
    void showWithWindows();
    // Closing deletes the window, so an open one is a visible one, or one
    // hidden with the other windows.
    bool isOpen() const { return dialog_ && (dialog_->isVisible() || hidden_); }

    // The open window, or null.
    QDialog* dialog() { return dialog_.data(); }

    void viewImage();
    void playVideo();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    uint32_t selectedSlot() const;
    QListWidget* listBox() const;
    void pressedAt(const QPoint& point);

    const GuardState& guard_;
    platform::Shell& shell_;
    platform::Ui& ui_;
    QWidget* owner_;
    QPointer<QDialog> dialog_;
    bool hidden_ = false;
    // The previous press on the list, kept across windows for the whole run.
    QPoint previousPress_{0, 0};
};

}  // namespace zelkor::vorrak
