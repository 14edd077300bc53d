#include "vorrak/shell/access_password.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cerrno>

#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/startup.h"

namespace zelkor::vorrak {

namespace {

constexpr int kRealAttempts = 2;
constexpr int kStartUpRefusalExitCode = 1;

constexpr std::array<ControlTemplate, 3> kControls{{
    {kStaticControlId, ControlKind::Text, kPasswordPrompt, 7, 7, 80, 8},
    {kPasswordEdit, ControlKind::PasswordEdit, "", 7, 20, 117, 14},
    {kPasswordOk, ControlKind::DefaultPushButton, "OK", 130, 19, 50, 14},
}};

constexpr DialogTemplate kTemplate{kPasswordDialog, "Zelkor Oculara - Password Verification", 187,
                                   60, kControls};

class EchoOff {
  public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= tcflag_t(~ECHO);
            restore_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (restore_) {
            tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    int fd_;
    termios saved_{};
    bool restore_ = false;
};

// A line from the terminal, read as far as it has come and waited for by
// `wait` whenever it has nothing more. A line longer than the field is kept
// only as far as the field would take it.
std::optional<std::string> readLine(int fd, const WaitReadableFn& wait) {
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n == 1) {
            if (c == '\n') {
                return line;
            }
            if (line.size() <= kPasswordFieldMax) {
                line += c;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!wait(fd)) {
                return std::nullopt;
            }
            continue;
        }
        return std::nullopt;
    }
}

}  // namespace

const DialogTemplate& PasswordTemplate() {
    return kTemplate;
}

PasswordVerdict PasswordAttempts::press(const std::function<std::string()>& typed,
                                        std::string_view password) {
    ++presses_;
    if (presses_ > kRealAttempts) {
        return PasswordVerdict::Refused;
    }
    const std::string entry = typed().substr(0, kPasswordFieldMax);
    return entry == password ? PasswordVerdict::Right : PasswordVerdict::Wrong;
}

void PasswordRefused(Vorrak& v, VorrakServices& s) {
    if (v.capture.CaptureState != kCaptureConnected) {
        s.ui.messageBox(kNotAuthorizedAbortMessage, resources::kTitle, kVorrakBoxStyle);
        ReleaseRefusedStart(v, s);
        s.settingsHost.endProcess(kStartUpRefusalExitCode);
        return;
    }
    s.ui.messageBox(kNotAuthorizedMessage, resources::kTitle, kVorrakBoxStyle);
}

bool AskPasswordWith(Vorrak& v, VorrakServices& s, const PasswordPromptFn& prompt,
                     const std::function<bool()>& ending) {
    PasswordAttempts attempts;
    for (;;) {
        const std::optional<std::string> entry = prompt();
        if (!entry && ending && ending()) {
            return false;
        }
        PasswordVerdict verdict = PasswordVerdict::Refused;
        if (entry) {
            verdict = attempts.press([&] { return *entry; }, v.access.AccessPassword);
        }
        if (verdict == PasswordVerdict::Right) {
            return true;
        }
        if (verdict == PasswordVerdict::Refused) {
            PasswordRefused(v, s);
            return false;
        }
        s.ui.messageBox(kPasswordWrongMessage, resources::kTitle, kVorrakBoxStyle);
    }
}

std::optional<std::string> PromptTerminalPassword(const WaitReadableFn& wait,
                                                  const char* terminal) {
    const int fd = open(terminal, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> entry;
    {
        const std::string prompt =
            std::string(resources::kTitle) + " - " + std::string(kPasswordPrompt) + " ";
        EchoOff quiet(fd);
        if (write(fd, prompt.data(), prompt.size()) == ssize_t(prompt.size())) {
            entry = readLine(fd, wait);
        }
        const char newline = '\n';
        (void)!write(fd, &newline, 1);
    }
    close(fd);
    return entry;
}

bool AskPasswordDialog(Vorrak& v, VorrakServices& s, QWidget* owner) {
    const auto dialog = BuildDialog(kTemplate, owner);
    dialog->setModal(true);
    // Escape and the close box would end the dialog: they are swallowed.
    IgnoreDismissRequests(*dialog);
    auto* field = qobject_cast<QLineEdit*>(DialogItem(*dialog, kPasswordEdit));
    auto* ok = qobject_cast<QPushButton*>(DialogItem(*dialog, kPasswordOk));
    field->setMaxLength(int(kPasswordFieldMax));
    PasswordAttempts attempts;
    bool right = false;
    QObject::connect(ok, &QPushButton::clicked, dialog.get(), [&] {
        const PasswordVerdict verdict =
            attempts.press([&] { return field->text().toStdString(); }, v.access.AccessPassword);
        if (verdict == PasswordVerdict::Right) {
            right = true;
            dialog->done(QDialog::Accepted);
        } else if (verdict == PasswordVerdict::Refused) {
            PasswordRefused(v, s);
            dialog->done(QDialog::Rejected);
        } else {
            s.ui.messageBox(kPasswordWrongMessage, resources::kTitle, kVorrakBoxStyle);
            field->clear();
            field->setFocus();
        }
    });
    field->setFocus();
    dialog->exec();
    return right;
}

}  // namespace zelkor::vorrak
