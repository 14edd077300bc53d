// Every settings dialog is its template converted to pixels: the dialog's
// size and each control's place, whatever the control.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <set>

#include "tests/support/layout_faults.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "vorrak/dialogs/capture_settings.h"
#include "vorrak/dialogs/event_list.h"
#include "vorrak/dialogs/pcm_format_chooser.h"
#include "vorrak/dialogs/setting_bar.h"
#include "vorrak/dialogs/tracing_menu.h"
#include "vorrak/dialogs/video_source.h"

namespace zelkor::test {
namespace {

using namespace vorrak;

QString textOf(const QWidget& w) {
    if (const auto* label = qobject_cast<const QLabel*>(&w)) {
        return label->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&w)) {
        return group->title();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&w)) {
        return button->text();
    }
    return {};
}

// The kinds whose template text is the text the control shows; an icon's
// names its picture, an edit's and a list's is empty.
bool showsText(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::GroupBox:
        case ControlKind::Text:
        case ControlKind::RadioButton:
        case ControlKind::CheckBox:
            return true;
        default:
            return false;
    }
}

// A control without an id is found by its text, each only once.
// The control that Tab moves to from `w`.
QWidget* nextTabStop(QWidget* w) {
    do {
        w = w->nextInFocusChain();
    } while ((w->focusPolicy() & Qt::TabFocus) == 0);
    return w;
}

QWidget* findStatic(QDialog& d, const ControlTemplate& c, std::set<QWidget*>& taken) {
    for (QWidget* w : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->objectName().isEmpty() && !taken.contains(w) &&
            textOf(*w) == QString::fromLatin1(c.text.data(), qsizetype(c.text.size()))) {
            taken.insert(w);
            return w;
        }
    }
    return nullptr;
}

void expectTemplateGeometry(const DialogTemplate& t) {
    SCOPED_TRACE(t.id);
    const auto dialog = BuildDialog(t, nullptr);
    EXPECT_EQ(dialog->size(), QSize(DialogUnitsToPixelsX(t.width), DialogUnitsToPixelsY(t.height)));
    EXPECT_EQ(dialog->objectName(), QString::number(t.id));
    std::set<QWidget*> taken;
    QWidget* previousFocus = nullptr;
    int defaults = 0;
    for (const ControlTemplate& c : t.controls) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.id));
        QWidget* w =
            c.id == kStaticControlId ? findStatic(*dialog, c, taken) : DialogItem(*dialog, c.id);
        ASSERT_NE(w, nullptr);
        QRect expected(DialogUnitsToPixelsX(c.x), DialogUnitsToPixelsY(c.y),
                       DialogUnitsToPixelsX(c.width), DialogUnitsToPixelsY(c.height));
        if (c.kind == ControlKind::DropDownList) {
            // Closed, the list is one line high; the template's height is
            // the dropped list's.
            EXPECT_LT(w->height(), expected.height());
            expected.setHeight(w->height());
        }
        EXPECT_EQ(w->geometry(), expected);
        if (showsText(c.kind)) {
            EXPECT_EQ(textOf(*w), QString::fromLatin1(c.text.data(), qsizetype(c.text.size())));
        }
        // Only one button of a dialog can be the one Enter presses.
        if (auto* button = qobject_cast<QPushButton*>(w); button && button->isDefault()) {
            EXPECT_EQ(c.kind, ControlKind::DefaultPushButton);
            ++defaults;
        }
        if ((w->focusPolicy() & Qt::TabFocus) != 0) {
            if (previousFocus != nullptr) {
                EXPECT_EQ(nextTabStop(previousFocus), w) << "tab order is template order";
            }
            previousFocus = w;
        }
    }
    const bool marked = std::any_of(t.controls.begin(), t.controls.end(), [](const auto& c) {
        return c.kind == ControlKind::DefaultPushButton;
    });
    EXPECT_EQ(defaults, marked ? 1 : 0);
}

const std::initializer_list<const DialogTemplate*> kTemplates = {
    &VideoSourceTemplate(), &CaptureSettingsTemplate(), &CaptureAdvancedTemplate(),
    &SettingBarTemplate(),  &AudioFormatTemplate(),     &TracingMenuTemplate(),
    &EventListTemplate()};

TEST(TemplateGeometry, EachDialogIsItsTemplateInPixels) {
    testing::qtApp();
    for (const DialogTemplate* t : kTemplates) {
        expectTemplateGeometry(*t);
    }
}

// What the font draws, not only where the template puts it: no caption
// wider than its control, no control over another or past its group frame.
TEST(TemplateGeometry, EachDialogsTextsFitAndNoControlsOverlap) {
    testing::qtApp();
    for (const DialogTemplate* t : kTemplates) {
        const auto dialog = BuildDialog(*t, nullptr);
        // Drawing it first lays out compound controls as showing it would.
        EXPECT_TRUE(
            testing::saveScreenshot(dialog->grab().toImage(), "dialog_" + std::to_string(t->id)));
        EXPECT_EQ(testing::layoutFaults(*dialog), std::vector<std::string>{}) << t->id;
    }
}

}  // namespace
}  // namespace zelkor::test
