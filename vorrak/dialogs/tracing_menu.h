#pragma once
// The Tracing Menu: a small modeless dialog, owned by the control panel,
// whose buttons take a snapshot, record a clip, send the mail, place the
// call or stop tracing while an object is traced. It stays open until
// tracing ends or the user stops it: Escape and the close box do nothing.

#include <QObject>

#include <functional>
#include <memory>

#include "vorrak/dialogs/dialog_template.h"

namespace zelkor::vorrak {

constexpr int kTracingMenuDialog = 205;

const DialogTemplate& TracingMenuTemplate();

class TracingMenu : public QObject {
  public:
    // `onButton` gets the id of the button pressed (kTracing...Button).
    TracingMenu(QWidget* owner, std::function<void(int button)> onButton);
    ~TracingMenu() override;

    void open();
    void close();
    bool isOpen() const;
    QDialog& dialog() { return *dialog_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::unique_ptr<QDialog> dialog_;
    bool closing_ = false;
};

}  // namespace zelkor::vorrak
