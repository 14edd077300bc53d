// The access password: two real attempts and a refusing third press, with
// the start-up and guard-stop outcomes, from the terminal prompt and from
// dialog 206 by its control ids.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/qt/event_loop_wait.h"
#include "tests/dialogs/modal_script.h"
#include "tests/guard_engine/engine_rig.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/access_password.h"

namespace zelkor::vorrak {
namespace {

TEST(PasswordAttemptsTest, TheThirdPressRefusesWithoutReadingTheField) {
    PasswordAttempts attempts;
    int reads = 0;
    const auto typed = [&](std::string text) {
        return [&reads, text] {
            ++reads;
            return text;
        };
    };
    EXPECT_EQ(attempts.press(typed("qtrwke4"), "QTRWKe4"), PasswordVerdict::Wrong);
    EXPECT_EQ(attempts.press(typed("QTRWKe"), "QTRWKe4"), PasswordVerdict::Wrong);
    EXPECT_EQ(attempts.press(typed("QTRWKe4"), "QTRWKe4"), PasswordVerdict::Refused);
    EXPECT_EQ(reads, 2);
}

TEST(PasswordAttemptsTest, RightOnTheSecondPress) {
    PasswordAttempts attempts;
    EXPECT_EQ(attempts.press([] { return "x"; }, "secret"), PasswordVerdict::Wrong);
    EXPECT_EQ(attempts.press([] { return "secret"; }, "secret"), PasswordVerdict::Right);
}

TEST(PasswordAttemptsTest, AnEmptyPasswordMatchesAnEmptyField) {
    PasswordAttempts attempts;
    EXPECT_EQ(attempts.press([] { return ""; }, ""), PasswordVerdict::Right);
}

TEST(PasswordAttemptsTest, TheFieldHoldsAtMost99Characters) {
    const std::string password(99, 'p');
    PasswordAttempts attempts;
    EXPECT_EQ(attempts.press([&] { return password + "extra"; }, password), PasswordVerdict::Right);
}

class AskPasswordTest : public ::testing::Test {
  protected:
    AskPasswordTest() {
        rig.vorrak.access.AccessPassword = "QTRWKe4";
        rig.services->settingsHost.endProcess = [this](int code) { exitCodes.push_back(code); };
    }
    PasswordPromptFn entries(std::deque<std::optional<std::string>> typed) {
        return [this, typed]() mutable {
            ++prompts;
            auto next = typed.front();
            typed.pop_front();
            return next;
        };
    }

    test::EngineRig rig;
    std::vector<int> exitCodes;
    int prompts = 0;
};

TEST_F(AskPasswordTest, AtStartUpTwoWrongEntriesAndAThirdEndTheProgramWithOne) {
    rig.vorrak.capture.CaptureState = kCaptureNotConnected;
    rig.vorrak.PowerOffWasActive = true;
    rig.power.active = false;
    EXPECT_FALSE(AskPasswordWith(rig.vorrak, *rig.services, entries({"a", "b", "QTRWKe4"})));
    EXPECT_EQ(prompts, 3);
    EXPECT_EQ(rig.boxTexts(), (std::vector<std::string>{std::string(kPasswordWrongMessage),
                                                        std::string(kPasswordWrongMessage),
                                                        std::string(kNotAuthorizedAbortMessage)}));
    EXPECT_EQ(rig.ui.boxes.back().title, resources::kTitle);
    EXPECT_EQ(rig.ui.boxes.back().style, kVorrakBoxStyle);
    EXPECT_EQ(exitCodes, std::vector<int>{1});
    // The program ends at once, but not with the desktop's power-off
    // feature left off or the decoder still driving the display.
    EXPECT_EQ(rig.power.changes, std::vector<bool>{true});
    EXPECT_EQ(rig.card->decoder()->reg(0x11), 0x84);
}

TEST_F(AskPasswordTest, WhenStoppingGuardModeARefusalOnlyCloses) {
    ASSERT_EQ(rig.vorrak.capture.CaptureState, kCaptureConnected);
    rig.vorrak.PowerOffWasActive = true;
    EXPECT_FALSE(AskPasswordWith(rig.vorrak, *rig.services, entries({"a", "b", "c"})));
    EXPECT_EQ(rig.boxTexts().back(), kNotAuthorizedMessage);
    EXPECT_TRUE(exitCodes.empty());
    EXPECT_TRUE(rig.power.changes.empty());
}

TEST_F(AskPasswordTest, TheRightPasswordPassesAndLetterCaseCounts) {
    EXPECT_TRUE(AskPasswordWith(rig.vorrak, *rig.services, entries({"qtrwke4", "QTRWKe4"})));
    EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{std::string(kPasswordWrongMessage)});
}

TEST_F(AskPasswordTest, WithoutATerminalTheCheckFailsAsTheThirdPressWould) {
    rig.vorrak.capture.CaptureState = kCaptureNotConnected;
    EXPECT_FALSE(AskPasswordWith(rig.vorrak, *rig.services, entries({std::nullopt})));
    EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{std::string(kNotAuthorizedAbortMessage)});
    EXPECT_EQ(exitCodes, std::vector<int>{1});
}

TEST_F(AskPasswordTest, AnEndingProgramLeavesTheCheckWithoutARefusal) {
    rig.vorrak.capture.CaptureState = kCaptureNotConnected;
    EXPECT_FALSE(AskPasswordWith(rig.vorrak, *rig.services, entries({"a", std::nullopt}),
                                 [] { return true; }));
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{std::string(kPasswordWrongMessage)});
    EXPECT_TRUE(exitCodes.empty());
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

// The wait of a program without an event loop: `fd` or the interrupt,
// false when the interrupt comes first.
bool waitUnlessInterrupted(int fd, int interruptFd) {
    pollfd waits[2] = {{fd, POLLIN, 0}, {interruptFd, POLLIN, 0}};
    while (poll(waits, 2, -1) < 0) {
    }
    return (waits[1].revents & POLLIN) == 0;
}

// The terminal prompt on a terminal of its own: a child in a new session
// whose controlling terminal is a pty, with `typed` sent once the prompt
// shows. Gives what the prompt returned and whether the interrupt was left
// to be read.
struct PromptOutcome {
    std::optional<std::string> entry;
    bool interruptLeft = false;
};
PromptOutcome promptOnPty(const std::string& typed, bool interrupt) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    int result[2];
    int interruptPipe[2];
    EXPECT_EQ(pipe(result), 0);
    EXPECT_EQ(pipe(interruptPipe), 0);
    if (interrupt) {
        EXPECT_EQ(write(interruptPipe[1], "!", 1), 1);
    }
    const pid_t child = fork();
    if (child == 0) {
        alarm(10);  // a prompt that does not end fails the test instead of hanging it
        setsid();
        const int tty = open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
        const auto entry = tty >= 0 ? PromptTerminalPassword([&](int fd) {
            return waitUnlessInterrupted(fd, interruptPipe[0]);
        })
                                    : std::nullopt;
        const std::string answer =
            (entry ? "=" + *entry : "-") + (readable(interruptPipe[0]) ? "!" : ".");
        _exit(write(result[1], answer.data(), answer.size()) == ssize_t(answer.size()) ? 0 : 1);
    }
    close(result[1]);
    if (!interrupt) {
        // Sent only once echo is off: switching it flushes what came before.
        std::string shown;
        char buffer[256];
        while (shown.find(kPasswordPrompt) == std::string::npos) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            shown.append(buffer, size_t(n));
        }
        EXPECT_EQ(write(master, typed.data(), typed.size()), ssize_t(typed.size()));
    }
    std::string answer;
    char c = 0;
    while (read(result[0], &c, 1) == 1) {
        answer += c;
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const int fd : {master, result[0], interruptPipe[0], interruptPipe[1]}) {
        close(fd);
    }
    PromptOutcome outcome;
    if (answer.size() >= 2 && answer.front() == '=') {
        outcome.entry = answer.substr(1, answer.size() - 2);
    }
    outcome.interruptLeft = !answer.empty() && answer.back() == '!';
    return outcome;
}

TEST(TerminalPasswordTest, ReadsALineAndEndsAtOnceWhenTheProgramIsAskedToEnd) {
    const PromptOutcome typed = promptOnPty("Open Sesame\n", false);
    EXPECT_EQ(typed.entry, "Open Sesame");
    EXPECT_FALSE(typed.interruptLeft);

    const PromptOutcome interrupted = promptOnPty("", true);
    EXPECT_EQ(interrupted.entry, std::nullopt);
    EXPECT_TRUE(interrupted.interruptLeft) << "the signal is still there to be taken";
}

// The prompt in this program's event loop, on a pty of its own. Should the
// prompt block the loop, a watchdog ends its line every ten seconds so the
// test fails instead of hanging.
class EventLoopPromptTest : public ::testing::Test {
  protected:
    EventLoopPromptTest() {
        testing::qtApp();
        master = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(grantpt(master), 0);
        EXPECT_EQ(unlockpt(master), 0);
        terminal = ptsname(master);
        watchdog = std::thread([this] {
            std::unique_lock lock(mutex);
            while (!done.wait_for(lock, std::chrono::seconds(10), [this] { return finished; })) {
                EXPECT_EQ(write(master, "\n", 1), 1);
            }
        });
    }
    ~EventLoopPromptTest() override {
        {
            std::lock_guard lock(mutex);
            finished = true;
        }
        done.notify_one();
        watchdog.join();
        close(master);
    }
    std::optional<std::string> prompt() {
        return PromptTerminalPassword(platform::WaitReadableInEventLoop, terminal.c_str());
    }

    int master = -1;
    std::string terminal;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog;
};

TEST_F(EventLoopPromptTest, TimersRunWhileItWaitsAndTheTypedLineEndsIt) {
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        // The line is typed only from the loop, a few ticks in.
        if (++ticks == 3) {
            EXPECT_EQ(write(master, "Open Sesame\n", 12), 12);
        }
    });
    ticker.start(0);
    EXPECT_EQ(prompt(), "Open Sesame");
    EXPECT_GE(ticks, 3);
}

TEST_F(EventLoopPromptTest, TheProgramsExitEndsTheWaitAndTheNextAtOnce) {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    EXPECT_EQ(prompt(), std::nullopt);
    EXPECT_EQ(prompt(), std::nullopt);
    test::letModalDialogsRun();
}

class PasswordDialogTest : public AskPasswordTest {
  protected:
    // Runs the dialog; `script` acts on it once it is open.
    bool run(std::function<void(QDialog&)> script) {
        QTimer::singleShot(0, [script] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            script(*dialog);
        });
        owner.show();
        return AskPasswordDialog(rig.vorrak, *rig.services, &owner);
    }
    static void type(QDialog& d, const QString& text) {
        auto* field = d.findChild<QLineEdit*>(QString::number(kPasswordEdit));
        field->setText(text);
    }
    static void ok(QDialog& d) { d.findChild<QPushButton*>(QString::number(kPasswordOk))->click(); }

    QWidget owner;
};

TEST_F(PasswordDialogTest, LaidOutAsDialog206) {
    const auto dialog = BuildDialog(PasswordTemplate(), &owner);
    EXPECT_EQ(dialog->objectName(), QString::number(kPasswordDialog));
    EXPECT_EQ(dialog->windowTitle(), "Zelkor Oculara - Password Verification");
    auto* field = qobject_cast<QLineEdit*>(DialogItem(*dialog, kPasswordEdit));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    auto* button = qobject_cast<QPushButton*>(DialogItem(*dialog, kPasswordOk));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isDefault());
    dialog->show();
    field->setText("secret");
    EXPECT_TRUE(
        testing::saveScreenshot(dialog->grab().toImage(), "vorrak_password_dialog_offscreen"));
}

TEST_F(PasswordDialogTest, ThreePressesAtGuardStopCloseWithoutThePassword) {
    const bool right = run([](QDialog& d) {
        type(d, "wrong");
        ok(d);
        // The wrong entry is cleared and the dialog stays.
        EXPECT_TRUE(d.findChild<QLineEdit*>(QString::number(kPasswordEdit))->text().isEmpty());
        EXPECT_TRUE(d.isVisible());
        type(d, "also wrong");
        ok(d);
        type(d, "QTRWKe4");
        ok(d);
    });
    EXPECT_FALSE(right);
    EXPECT_EQ(rig.boxTexts().back(), kNotAuthorizedMessage);
    EXPECT_EQ(rig.boxTexts().size(), 3u);
}

TEST_F(PasswordDialogTest, EscapeAndTheCloseBoxDoNothing) {
    const bool right = run([](QDialog& d) {
        QTest::keyClick(&d, Qt::Key_Escape);
        d.close();
        EXPECT_TRUE(d.isVisible());
        type(d, "QTRWKe4");
        ok(d);
    });
    EXPECT_TRUE(right);
    EXPECT_TRUE(rig.boxTexts().empty());
}

}  // namespace
}  // namespace zelkor::vorrak
