#pragma once
// Dialogs described as data, the way resource templates describe them: a
// table of controls (id, kind, text, position and size in dialog units,
// style) that one builder turns into a Qt dialog. Dialog units are those of
// an 8-point "MS Sans Serif" dialog font, the same for every dialog, so a
// dialog keeps its designed proportions; control ids become object names.

#include <QDialog>
#include <QEvent>

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace zelkor::vorrak {

enum class ControlKind {
    PushButton,
    DefaultPushButton,  // the one Enter presses
    GroupBox,
    Text,          // a static label
    PasswordEdit,  // one line, characters shown masked, scrolling sideways
    // A list of lines in the order they are added, one selected at a time,
    // bordered, with a vertical scroll bar when the lines do not fit.
    ListBox,
    Icon,          // a picture; the text names its resource, the owner fills it in
};

// The property of an Icon control that holds its resource's name.
constexpr const char* kIconResourceProperty = "resource";

// Ids of controls nobody asks for by number (labels, frames).
constexpr int kStaticControlId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view text;
    int x;
    int y;
    int width;
    int height;
};

struct DialogTemplate {
    int id;
    std::string_view title;
    int width;
    int height;
    std::span<const ControlTemplate> controls;
};

// The dialog base units of the dialog font: a dialog unit is a quarter of
// the average character width across and an eighth of the character
// height down.
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;
constexpr int DialogUnitsToPixelsX(int units) {
    return units * kDialogBaseUnitX / 4;
}
constexpr int DialogUnitsToPixelsY(int units) {
    return units * kDialogBaseUnitY / 8;
}

// The dialog with every control placed, named by its id and in tab order
// as the template lists them. `parent` owns it.
std::unique_ptr<QDialog> BuildDialog(const DialogTemplate& dialog, QWidget* parent);

// Escape or the close box: what would end a dialog that only its own
// buttons may end.
bool IsDismissRequest(const QEvent& event);

// Only the dialog's own buttons end it from now on: Escape and the close
// box are swallowed. The dialog owns what does it.
void IgnoreDismissRequests(QDialog& dialog);

// The control of `id` in a built dialog, or null.
QWidget* DialogItem(QDialog& dialog, int id);

}  // namespace zelkor::vorrak
