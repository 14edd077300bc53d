#include "vorrak/dialogs/dialog_template.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <vector>

#include "platform/qt/fitted_font.h"

namespace zelkor::vorrak {

namespace {

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

QFont dialogFont() {
    return platform::FittedSansFont(platform::EightPointPixels(), kDialogBaseUnitX,
                                    kDialogBaseUnitY);
}

QLabel* programIcon(const ControlTemplate& c, QDialog& dialog) {
    auto* label = new QLabel(&dialog);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        icon = dialog.style()->standardIcon(QStyle::SP_ComputerIcon);
    }
    label->setPixmap(icon.pixmap(DialogUnitsToPixelsX(c.width), DialogUnitsToPixelsY(c.height)));
    return label;
}

// Check boxes and radio buttons were laid out for a small gap between the
// box and its text; the style's wider one would cut the text short.
QWidget* tightIndicator(QAbstractButton* button) {
    button->setStyleSheet(QStringLiteral("spacing: 3px"));
    return button;
}

// Templates place a group's first member just below the group's top edge,
// for a frame whose line runs through the middle of the title. The style's
// own frame starts below the whole title and would cross those members.
QGroupBox* titleOnFrameLine(QGroupBox* group) {
    const int halfLine = group->fontMetrics().height() / 2;
    group->setStyleSheet(QStringLiteral("QGroupBox { margin-top: %1px; border: 1px solid "
                                        "palette(mid); }"
                                        "QGroupBox::title { subcontrol-origin: margin; left: "
                                        "%2px; padding: 0 2px; }")
                             .arg(halfLine)
                             .arg(kDialogBaseUnitX));
    return group;
}

// `last` is the control made before this one: an up-down control's buddy.
QWidget* makeControl(const ControlTemplate& c, QDialog& dialog, QWidget* last) {
    switch (c.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text(c.text), &dialog);
            button->setAutoDefault(false);
            button->setDefault(c.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::GroupBox:
            return titleOnFrameLine(new QGroupBox(text(c.text), &dialog));
        case ControlKind::Text:
            return new QLabel(text(c.text), &dialog);
        case ControlKind::Icon: {
            QLabel* picture = programIcon(c, dialog);
            picture->setProperty(kIconResourceProperty, text(c.text));
            return picture;
        }
        case ControlKind::PasswordEdit: {
            auto* edit = new QLineEdit(&dialog);
            edit->setEchoMode(QLineEdit::Password);
            return edit;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(&dialog);
            list->setSortingEnabled(false);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            return list;
        }
        case ControlKind::RadioButton:
            return tightIndicator(new QRadioButton(text(c.text), &dialog));
        case ControlKind::CheckBox:
            return tightIndicator(new QCheckBox(text(c.text), &dialog));
        case ControlKind::NumberEdit: {
            auto* edit = new QLineEdit(&dialog);
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
            return edit;
        }
        case ControlKind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(&dialog);
            edit->setReadOnly(true);
            return edit;
        }
        case ControlKind::UpDown:
            return new UpDownControl(qobject_cast<QLineEdit*>(last), &dialog);
        case ControlKind::HorizontalScrollBar:
            return new QScrollBar(Qt::Horizontal, &dialog);
        case ControlKind::DropDownList:
            return new QComboBox(&dialog);
    }
    return nullptr;
}

// Swallows the keys and, if asked, the close event sent to the dialog it
// watches. Ignoring the close event is what keeps the window open: a
// filtered event that stays accepted would still let it close.
class InputBlocker : public QObject {
  public:
    InputBlocker(QDialog& dialog, std::initializer_list<Qt::Key> keys, bool closeBox)
        : QObject(&dialog), keys_(keys), closeBox_(closeBox) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (blocks(*event)) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool blocks(const QEvent& event) const {
        if (event.type() == QEvent::Close) {
            return closeBox_;
        }
        return event.type() == QEvent::KeyPress &&
               std::ranges::find(keys_, static_cast<const QKeyEvent&>(event).key()) != keys_.end();
    }

    std::vector<Qt::Key> keys_;
    bool closeBox_;
};

}  // namespace

std::unique_ptr<QDialog> BuildDialog(const DialogTemplate& t, QWidget* parent) {
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setObjectName(QString::number(t.id));
    dialog->setWindowTitle(text(t.title));
    dialog->setFixedSize(DialogUnitsToPixelsX(t.width), DialogUnitsToPixelsY(t.height));
    static const QFont font = dialogFont();
    dialog->setFont(font);
    QWidget* previous = nullptr;
    QWidget* last = nullptr;
    for (const ControlTemplate& c : t.controls) {
        QWidget* control = makeControl(c, *dialog, last);
        last = control;
        if (c.id != kStaticControlId) {
            control->setObjectName(QString::number(c.id));
        }
        control->setGeometry(DialogUnitsToPixelsX(c.x), DialogUnitsToPixelsY(c.y),
                             DialogUnitsToPixelsX(c.width), DialogUnitsToPixelsY(c.height));
        if (c.kind == ControlKind::DropDownList) {
            control->resize(control->width(), control->sizeHint().height());
        }
        // Frames drawn after the controls inside them would hide them.
        if (c.kind == ControlKind::GroupBox) {
            control->lower();
        }
        if (control->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) {
                QWidget::setTabOrder(previous, control);
            }
            previous = control;
        }
    }
    return dialog;
}

UpDownControl::UpDownControl(QLineEdit* buddy, QWidget* parent)
    : QWidget(parent), buddy_(buddy), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setFocusPolicy(Qt::NoFocus);
    down_->setFocusPolicy(Qt::NoFocus);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    QObject::connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    QObject::connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDownControl::setRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
}

void UpDownControl::step(int delta) {
    if (buddy_ == nullptr) {
        return;
    }
    // A buddy that holds no number steps from the bottom of the range.
    bool ok = false;
    const int current = buddy_->text().toInt(&ok);
    const int next = std::clamp((ok ? current : lower_) + delta, lower_, upper_);
    buddy_->setText(QString::number(next));
}

void UpDownControl::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void IgnoreInput(QDialog& dialog, std::initializer_list<Qt::Key> keys, bool closeBox) {
    dialog.installEventFilter(new InputBlocker(dialog, keys, closeBox));
}

void IgnoreDismissRequests(QDialog& dialog) {
    IgnoreInput(dialog, {Qt::Key_Escape}, true);
}

QWidget* DialogItem(QDialog& dialog, int id) {
    return dialog.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

}  // namespace zelkor::vorrak
