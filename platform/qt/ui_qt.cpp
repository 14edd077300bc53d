#include "platform/qt/ui_qt.h"

#include <QApplication>

#include "platform/qt/services.h"
#include "platform/ui_console.h"

namespace zelkor::platform {

namespace {

QString qtext(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QMessageBox::Icon iconFor(uint32_t style) {
    switch (style & mb::IconMask) {
        case mb::ICONHAND:
            return QMessageBox::Critical;
        case mb::ICONQUESTION:
            return QMessageBox::Question;
        case mb::ICONEXCLAMATION:
            return QMessageBox::Warning;
        case mb::ICONASTERISK:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

class QtUi : public Ui {
  public:
    int messageBox(std::string_view text, std::string_view title, uint32_t style) override {
        auto box = buildMessageBox(text, title, style);
        const auto button = QMessageBox::StandardButton(box->exec());
        return answerFor(button, style);
    }
};

}  // namespace

std::unique_ptr<QMessageBox> buildMessageBox(std::string_view text, std::string_view title,
                                             uint32_t style) {
    auto box = std::make_unique<QMessageBox>();
    box->setIcon(iconFor(style));
    box->setWindowTitle(qtext(title));
    box->setText(qtext(text));
    box->setTextFormat(Qt::PlainText);

    QMessageBox::StandardButton first = QMessageBox::Ok;
    QMessageBox::StandardButton second = QMessageBox::NoButton;
    switch (style & mb::ButtonMask) {
        case mb::OKCANCEL:
            second = QMessageBox::Cancel;
            break;
        case mb::YESNO:
            first = QMessageBox::Yes;
            second = QMessageBox::No;
            break;
        default:
            break;
    }
    box->setStandardButtons(second == QMessageBox::NoButton ? QMessageBox::StandardButtons(first)
                                                            : first | second);
    const bool secondIsDefault = (style & mb::DEFBUTTON2) != 0 && second != QMessageBox::NoButton;
    box->setDefaultButton(secondIsDefault ? second : first);
    if ((style & mb::TOPMOST) != 0) {
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    return box;
}

int answerFor(QMessageBox::StandardButton button, uint32_t style) {
    switch (button) {
        case QMessageBox::Ok:
            return answer::OK;
        case QMessageBox::Cancel:
            return answer::CANCEL;
        case QMessageBox::Yes:
            return answer::YES;
        case QMessageBox::No:
            return answer::NO;
        default:
            return defaultAnswer(style);
    }
}

std::unique_ptr<Ui> makeQtUi() {
    return std::make_unique<QtUi>();
}

std::unique_ptr<Ui> makeUi() {
    if (consoleUiRequested() ||
        qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return makeConsoleUi();
    }
    return makeQtUi();
}

}  // namespace zelkor::platform
