#include "vorrak/dialogs/dialog_template.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace zelkor::vorrak {

namespace {

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

QWidget* makeControl(const ControlTemplate& c, QDialog& dialog) {
    switch (c.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text(c.text), &dialog);
            button->setAutoDefault(false);
            button->setDefault(c.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(text(c.text), &dialog);
        case ControlKind::Text:
            return new QLabel(text(c.text), &dialog);
        case ControlKind::Icon: {
            auto* picture = new QLabel(&dialog);
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
    }
    return nullptr;
}

class DismissBlocker : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (IsDismissRequest(*event)) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

std::unique_ptr<QDialog> BuildDialog(const DialogTemplate& t, QWidget* parent) {
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setObjectName(QString::number(t.id));
    dialog->setWindowTitle(text(t.title));
    dialog->setFixedSize(DialogUnitsToPixelsX(t.width), DialogUnitsToPixelsY(t.height));
    QFont font("MS Sans Serif");
    font.setPointSize(8);
    dialog->setFont(font);
    QWidget* previous = nullptr;
    for (const ControlTemplate& c : t.controls) {
        QWidget* control = makeControl(c, *dialog);
        if (c.id != kStaticControlId) {
            control->setObjectName(QString::number(c.id));
        }
        control->setGeometry(DialogUnitsToPixelsX(c.x), DialogUnitsToPixelsY(c.y),
                             DialogUnitsToPixelsX(c.width), DialogUnitsToPixelsY(c.height));
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

bool IsDismissRequest(const QEvent& event) {
    return event.type() == QEvent::Close ||
           (event.type() == QEvent::KeyPress &&
            static_cast<const QKeyEvent&>(event).key() == Qt::Key_Escape);
}

void IgnoreDismissRequests(QDialog& dialog) {
    dialog.installEventFilter(new DismissBlocker(&dialog));
}

QWidget* DialogItem(QDialog& dialog, int id) {
    return dialog.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

}  // namespace zelkor::vorrak
