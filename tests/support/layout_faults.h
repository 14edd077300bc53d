#pragma once
// What a person would see wrong in a window built at fixed places: a control
// reaching past its parent, two sibling controls on top of each other, or a
// caption wider than its control in the control's own font. A group box may
// hold controls that lie wholly inside its frame; one crossing the frame line
// or the title is a fault.

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>

#include <string>
#include <vector>

namespace zelkor::testing {

namespace layout_detail {

inline std::string nameOf(const QWidget* w) {
    const QString name = w->objectName();
    return (name.isEmpty() ? QString(w->metaObject()->className()) : name).toStdString();
}

inline std::string rectText(const QRect& r) {
    return "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
           std::to_string(r.width()) + "x" + std::to_string(r.height()) + ")";
}

// The room a caption needs beside what the style draws around it.
inline int textRoomNeeded(const QWidget* w) {
    const QFontMetrics metrics(w->font());
    QStyle* style = w->style();
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->wordWrap() || label->text().isEmpty()) {
            return 0;
        }
        return metrics.horizontalAdvance(label->text()) + 2 * label->frameWidth();
    }
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    if (button == nullptr || button->text().isEmpty()) {
        return 0;
    }
    const int text = metrics.horizontalAdvance(QString(button->text()).remove('&'));
    if (qobject_cast<const QRadioButton*>(w) != nullptr) {
        return text + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    }
    if (qobject_cast<const QCheckBox*>(w) != nullptr) {
        return text + style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    }
    if (qobject_cast<const QPushButton*>(w) != nullptr) {
        return text + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    }
    return text;
}

// Containers whose children are controls of the window's own layout, not
// the inner parts of a compound widget such as a grid or a text box.
inline bool holdsLaidOutControls(const QWidget* w) {
    const char* kind = w->metaObject()->className();
    return qobject_cast<const QGroupBox*>(w) != nullptr || qstrcmp(kind, "QFrame") == 0 ||
           qstrcmp(kind, "QWidget") == 0 || w->isWindow();
}

// A group box holds a control lying inside its frame's inner edge, clear of
// the frame line and the title.
inline bool holds(const QWidget* w, const QRect& place) {
    const auto* group = qobject_cast<const QGroupBox*>(w);
    return group != nullptr &&
           group->geometry().marginsRemoved(group->contentsMargins()).contains(place);
}

inline void collect(const QWidget* parent, std::vector<std::string>& faults) {
    std::vector<const QWidget*> controls;
    for (const QObject* o : parent->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (w != nullptr && !w->isWindow() && !w->isHidden()) {
            controls.push_back(w);
        }
    }
    const QRect room = parent->rect();
    for (size_t i = 0; i < controls.size(); ++i) {
        const QWidget* w = controls[i];
        const QRect place = w->geometry();
        if (!room.contains(place)) {
            faults.push_back(nameOf(w) + " " + rectText(place) + " reaches past " + nameOf(parent) +
                             " " + rectText(room));
        }
        const int needed = textRoomNeeded(w);
        if (needed > w->width()) {
            faults.push_back(nameOf(w) + " needs " + std::to_string(needed) +
                             " pixels for its text, has " + std::to_string(w->width()));
        }
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const QWidget* v = controls[j];
            const QRect other = v->geometry();
            if (!place.intersects(other)) {
                continue;
            }
            const bool inGroup = holds(w, other) || holds(v, place);
            if (!inGroup) {
                faults.push_back(nameOf(w) + " " + rectText(place) + " overlaps " + nameOf(v) +
                                 " " + rectText(other));
            }
        }
        if (holdsLaidOutControls(w)) {
            collect(w, faults);
        }
    }
}

}  // namespace layout_detail

// Every fault in `window` and the controls it holds, one line each.
inline std::vector<std::string> layoutFaults(const QWidget& window) {
    std::vector<std::string> faults;
    layout_detail::collect(&window, faults);
    return faults;
}

}  // namespace zelkor::testing
