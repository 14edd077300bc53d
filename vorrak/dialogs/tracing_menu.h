#pragma once
// The Tracing Menu: a small modeless dialog, owned by the control panel,
// whose buttons take a snapshot, record a clip, send the mail, place the
// call or stop tracing while an object is traced. It stays open until
// tracing ends or the user stops it: Escape and the close box do nothing.

#include <functional>
#include <memory>

#include "vorrak/dialogs/dialog_template.h"

namespace zelkor::vorrak {

constexpr int kTracingMenuDialog = 205;

const DialogTemplate& TracingMenuTemplate();

class TracingMenu {
  public:
    // `onButton` gets the id of the button pressed (kTracing...Button).
    TracingMenu(QWidget* owner, std::function<void(int button)> onButton);

    void open();
    void close();
    bool isOpen() const;
    QDialog& dialog() { return *dialog_; }

  private:
    std::unique_ptr<QDialog> dialog_;
};

}  // namespace zelkor::vorrak
