#pragma once
// The access password: asked when the program comes up by hand and when
// guard mode is stopped. The user has two real attempts; the third OK
// refuses without reading what was typed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "vorrak/dialogs/dialog_template.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::vorrak {

constexpr int kPasswordDialog = 206;
constexpr int kPasswordEdit = 1309;
constexpr int kPasswordOk = 1310;
// The longest text the field gives.
constexpr size_t kPasswordFieldMax = 99;

constexpr std::string_view kPasswordWrongMessage = "Password is wrong...";
constexpr std::string_view kNotAuthorizedAbortMessage = "Not an authorized user, program abort...";
constexpr std::string_view kNotAuthorizedMessage = "Not an authorized user....";
constexpr std::string_view kPasswordPrompt = "Input Password :";

const DialogTemplate& PasswordTemplate();

enum class PasswordVerdict { Right, Wrong, Refused };

// One opening of the check: counts the OK presses.
class PasswordAttempts {
  public:
    // `typed` is asked for only on the presses that read the field.
    PasswordVerdict press(const std::function<std::string()>& typed, std::string_view password);

  private:
    int presses_ = 0;
};

// What a refusal does: at start-up (capture not connected) the user is told
// and the process ends with 1; when stopping guard mode the user is told
// and the check ends without effect.
void PasswordRefused(Vorrak& v, VorrakServices& s);

// One entry typed at the terminal; nothing when no terminal can be asked
// or when the program is being ended while it waits.
using PasswordPromptFn = std::function<std::optional<std::string>()>;

// The check without a dialog, each entry from `prompt`; an entry that
// cannot be had counts as the refusing press, unless `ending` (when given)
// says the program is being ended: then the check just fails, and the
// program ends the way it was asked to. True for the right password.
bool AskPasswordWith(Vorrak& v, VorrakServices& s, const PasswordPromptFn& prompt,
                     const std::function<bool()>& ending = {});

// Waits until `fd` has something to read; false when the wait was ended
// instead (the program is being ended).
using WaitReadableFn = std::function<bool(int fd)>;

// One line from `terminal` (the controlling terminal unless named), without
// echo. Reading never blocks: while the terminal has nothing to read,
// `wait` waits for it, so the program can go on meanwhile. Nothing when the terminal cannot
// be opened or ends before a newline, or when `wait` ends the wait.
std::optional<std::string> PromptTerminalPassword(const WaitReadableFn& wait,
                                                  const char* terminal = "/dev/tty");

// Dialog 206, modal, over `owner`; Escape and the close box do nothing.
bool AskPasswordDialog(Vorrak& v, VorrakServices& s, QWidget* owner);

}  // namespace zelkor::vorrak
