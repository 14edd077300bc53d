#include "vorrak/dialogs/event_list.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <array>

#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

// The slots are used in turn, 1 to 100.
constexpr uint32_t kUsedSlots = kEventSlotCount - 1;

constexpr uint32_t kBoxStyle = platform::mb::ICONHAND | platform::mb::TOPMOST;

constexpr std::array<ControlTemplate, 5> kControls{{
    {kEventTotalText, ControlKind::Text, "Total Events Detected : ", 8, 8, 118, 10},
    {kEventListBox, ControlKind::ListBox, "", 7, 22, 173, 110},
    {kViewImageButton, ControlKind::PushButton, "View Image", 23, 141, 45, 14},
    {kPlayVideoButton, ControlKind::PushButton, "Play Video", 68, 141, 45, 14},
    {kEventListExitButton, ControlKind::PushButton, "Exit", 113, 141, 45, 14},
}};

constexpr DialogTemplate kTemplate{kEventListDialog, "Oculara Detected Event List Log", 187, 164,
                                   kControls};

QString latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

}  // namespace

const DialogTemplate& EventListTemplate() {
    return kTemplate;
}

std::vector<uint32_t> EventListSlots(uint32_t eventNumber, uint32_t current) {
    std::vector<uint32_t> order;
    if (eventNumber == 0 || current == 0 || current > kUsedSlots) {
        return order;
    }
    for (uint32_t slot = current; slot >= 1; --slot) {
        order.push_back(slot);
    }
    // Past 100 events the older slots hold the events before the newest
    // hundredth: they follow, newest first.
    if (eventNumber > kUsedSlots) {
        for (uint32_t slot = kUsedSlots; slot > current; --slot) {
            order.push_back(slot);
        }
    }
    return order;
}

uint32_t SelectedEventSlot(uint32_t eventNumber, uint32_t current, int selected) {
    if (eventNumber == 0 || selected < 0 || uint32_t(selected) >= eventNumber ||
        uint32_t(selected) >= kUsedSlots || current == 0 || current > kUsedSlots) {
        return 0;
    }
    const auto s = uint32_t(selected);
    if (s < current) {
        return current - s;
    }
    // With at most 100 events the list ends at slot 1; beyond, it wraps to
    // slot 100.
    return eventNumber > kUsedSlots ? current - s + kUsedSlots : 0;
}

EventList::EventList(const GuardState& guard, platform::Shell& shell, platform::Ui& ui,
                     QWidget* owner)
    : guard_(guard), shell_(shell), ui_(ui), owner_(owner) {}

EventList::~EventList() {
    delete dialog_.data();
}

void EventList::show() {
    delete dialog_.data();
    hidden_ = false;
    dialog_ = BuildDialog(kTemplate, owner_).release();
    dialog_->setModal(false);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    // Presses on the list arrive at its viewport.
    listBox()->viewport()->installEventFilter(this);
    const std::pair<int, void (EventList::*)()> actions[] = {
        {kViewImageButton, &EventList::viewImage},
        {kPlayVideoButton, &EventList::playVideo},
        {kEventListExitButton, &EventList::close},
    };
    for (const auto& [id, action] : actions) {
        auto* button = qobject_cast<QPushButton*>(DialogItem(*dialog_, id));
        QObject::connect(button, &QPushButton::clicked, this, action);
    }
    refill();
    dialog_->showNormal();
}

void EventList::refill() {
    if (!dialog_) {
        return;
    }
    auto* total = qobject_cast<QLabel*>(DialogItem(*dialog_, kEventTotalText));
    total->setText(QString("Total events detected : %1").arg(guard_.EventNumber));
    QListWidget* list = listBox();
    list->clear();
    for (const uint32_t slot : EventListSlots(guard_.EventNumber, guard_.eventSlotIndex)) {
        // A line is wider than the list, which scrolls only up and down:
        // the whole of it shows as the row's tip.
        const QString text = latin1(guard_.eventSlots[slot].description);
        list->addItem(text);
        list->item(list->count() - 1)->setToolTip(text);
    }
    list->setCurrentRow(0);
}

void EventList::close() {
    hidden_ = false;
    if (dialog_) {
        dialog_->close();
    }
}

void EventList::hideWithWindows() {
    if (dialog_ && dialog_->isVisible()) {
        dialog_->hide();
        hidden_ = true;
    }
}

void EventList::showWithWindows() {
    if (dialog_ && hidden_) {
        dialog_->showNormal();
    }
    hidden_ = false;
}

QListWidget* EventList::listBox() const {
    return qobject_cast<QListWidget*>(DialogItem(*dialog_, kEventListBox));
}

uint32_t EventList::selectedSlot() const {
    if (!dialog_) {
        return 0;
    }
    return SelectedEventSlot(guard_.EventNumber, guard_.eventSlotIndex, listBox()->currentRow());
}

void EventList::viewImage() {
    const uint32_t slot = selectedSlot();
    if (slot == 0) {
        return;
    }
    if (const int result = shell_.open(guard_.eventSlots[slot].bitmapPath); result <= 32) {
        ui_.messageBox(
            std::string(kBitmapOpenErrorMessage) + platform::OpenerNotStartedNote(shell_, result),
            resources::kTitle, kBoxStyle);
    }
}

void EventList::playVideo() {
    const uint32_t slot = selectedSlot();
    if (slot == 0) {
        return;
    }
    const std::string& video = guard_.eventSlots[slot].videoPath;
    if (video.empty()) {
        ui_.messageBox(kNoVideoMessage, resources::kTitle, kBoxStyle);
        return;
    }
    if (const int result = shell_.open(video); result <= 32) {
        ui_.messageBox(
            std::string(kVideoOpenErrorMessage) + platform::OpenerNotStartedNote(shell_, result),
            resources::kTitle, kBoxStyle);
    }
}

void EventList::pressedAt(const QPoint& point) {
    // A second press at exactly the point of the one before, however long
    // after, opens the picture: the list's stand-in for a double click. It
    // runs once the list has moved its selection under the pointer.
    if (point == previousPress_) {
        QMetaObject::invokeMethod(
            this, [this] { viewImage(); }, Qt::QueuedConnection);
    }
    previousPress_ = point;
}

// The event's kind is looked at first: the list is also told of its own
// destruction, when the window is no longer one to look into. A quick second
// press arrives as a double click: it is a press all the same.
bool EventList::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) && dialog_ &&
        guard_.EventNumber >= 1) {
        QWidget* area = listBox()->viewport();
        const auto* press = static_cast<QMouseEvent*>(event);
        if (watched == area && press->button() == Qt::LeftButton) {
            pressedAt(area->mapTo(dialog_.data(), press->position().toPoint()));
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zelkor::vorrak
