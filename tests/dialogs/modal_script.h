#pragma once
// Driving modal dialogs from a test: the script runs once the dialog's own
// event loop is up, and whatever it leaves open is closed as a failure so a
// broken test ends instead of waiting for a user.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <functional>

#include "vorrak/dialogs/dialog_template.h"

namespace zelkor::test {

// A main window closed earlier in the test program ended the
// application's loop, and until that loop runs again every modal dialog
// returns at once: one short run lets the next dialogs wait for their
// user. (Not quit(), which would close the windows too.)
inline void letModalDialogsRun() {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// Queues `script` for the modal dialog opened next; it gets that dialog.
inline void whenModalOpens(std::function<void(QDialog&)> script) {
    QTimer::singleShot(0, [script] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal dialog opened";
            return;
        }
        script(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the script left dialog " << dialog->objectName().toStdString()
                          << " open";
            dialog->done(QDialog::Rejected);
        }
    });
}

template <class Control>
Control& item(QDialog& dialog, int id) {
    auto* control = dynamic_cast<Control*>(vorrak::DialogItem(dialog, id));
    if (control == nullptr) {
        ADD_FAILURE() << "no control " << id << " of that kind";
        std::abort();
    }
    return *control;
}

// Presses the button of `id` as a user does, with a mouse click.
inline void click(QDialog& dialog, int id) {
    QTest::mouseClick(&item<QAbstractButton>(dialog, id), Qt::LeftButton);
}

}  // namespace zelkor::test
