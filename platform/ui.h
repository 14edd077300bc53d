#pragma once
// Modal message boxes. Styles and answers are the usual message-box flag
// numbers, so a box's style reads the same in every program that shows one.

#include <cstdint>
#include <string_view>

namespace zelkor::platform {

namespace mb {
constexpr uint32_t OK = 0x0;
constexpr uint32_t OKCANCEL = 0x1;
constexpr uint32_t YESNO = 0x4;
constexpr uint32_t ICONHAND = 0x10;  // stop icon; also "critical", "error"
constexpr uint32_t ICONERROR = ICONHAND;
constexpr uint32_t ICONQUESTION = 0x20;
constexpr uint32_t ICONEXCLAMATION = 0x30;
constexpr uint32_t ICONASTERISK = 0x40;  // information
constexpr uint32_t DEFBUTTON2 = 0x100;
constexpr uint32_t TOPMOST = 0x40000;
constexpr uint32_t ButtonMask = 0xF;
constexpr uint32_t IconMask = 0xF0;
}  // namespace mb

namespace answer {
constexpr int OK = 1;
constexpr int CANCEL = 2;
constexpr int YES = 6;
constexpr int NO = 7;
}  // namespace answer

class Ui {
  public:
    virtual ~Ui() = default;
    // Shows `text` (newlines as they stand) titled `title`; returns the answer.
    virtual int messageBox(std::string_view text, std::string_view title, uint32_t style) = 0;
};

// The answer a box gives when nobody can press a button: the default button.
int defaultAnswer(uint32_t style);

// Whether the user asked for boxes on the console (ZELKOR_UI=console): no
// one is there to answer a window, so dialogs must answer by themselves.
bool consoleUiRequested();

}  // namespace zelkor::platform
