#pragma once
// The about box: the program icon, the product, its version and the card
// the display chip belongs to, and the rights lines; above every other
// window while it is open, and ended only by its OK button.

#include <QDialog>

#include <memory>
#include <string>
#include <string_view>

#include "vorrak/dialogs/dialog_template.h"

namespace zelkor::vorrak {

constexpr int kAboutDialog = 104;
constexpr int kAboutTextId = 1245;
constexpr int kAboutOkId = 1;

// What the box says: the display chip's about text and the rights lines.
std::string AboutText(std::string_view chipText);

// The box, not yet shown, owned by `owner`.
std::unique_ptr<QDialog> MakeAboutBox(QWidget* owner, std::string_view chipText);
// Shows it modal until OK.
void ShowAbout(QWidget* owner, std::string_view chipText);

}  // namespace zelkor::vorrak
