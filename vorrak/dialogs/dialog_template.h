#pragma once
// Dialogs described as data, the way resource templates describe them: a
// table of controls (id, kind, text, position and size in dialog units,
// style) that one builder turns into a Qt dialog. Dialog units are those of
// an 8-point "MS Sans Serif" dialog font, the same for every dialog, so a
// dialog keeps its designed proportions; control ids become object names.

#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QToolButton>

#include <cstdint>
#include <initializer_list>
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
    // The program's icon, unless the owner puts in the picture of the
    // resource the text names.
    Icon,
    // The controls of the settings dialogs.
    RadioButton,
    CheckBox,
    NumberEdit,    // one line that takes digits only
    ReadOnlyEdit,  // one line the user reads and selects but does not change
    UpDown,        // arrows that step the number of the control listed before it
    HorizontalScrollBar,
    // A list that drops down below a one-line box. The template's height is
    // that of the dropped list; the box keeps the height of one line.
    DropDownList,
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

// A scroll bar's range as the settings dialogs give it: positions `min` to
// `max` with a page of `page`, so the thumb, one page wide, stops at
// max - page + 1.
struct ScrollRange {
    int min;
    int max;
    int page;
    constexpr int thumbMax() const { return max - page + 1; }
};

// The up-down control: two arrows beside its buddy edit that step the
// number in it within a range, the number written back as the edit's text.
class UpDownControl : public QWidget {
  public:
    UpDownControl(QLineEdit* buddy, QWidget* parent);
    void setRange(int lower, int upper);
    // One press of the upper (+1) or lower (-1) arrow.
    void step(int delta);
    QToolButton& upArrow() { return *up_; }
    QToolButton& downArrow() { return *down_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int lower_ = 0;
    int upper_ = 100;
};

// The dialog with every control placed, named by its id and in tab order
// as the template lists them. `parent` owns it.
std::unique_ptr<QDialog> BuildDialog(const DialogTemplate& dialog, QWidget* parent);

// From now on the dialog swallows the `keys` pressed in it (those its
// focused control leaves to it) and, when `closeBox`, the close box, so
// that they end or press nothing. The dialog owns what does it.
void IgnoreInput(QDialog& dialog, std::initializer_list<Qt::Key> keys, bool closeBox);

// Only the dialog's own buttons end it from now on: Escape and the close
// box are swallowed.
void IgnoreDismissRequests(QDialog& dialog);

// The control of `id` in a built dialog, or null.
QWidget* DialogItem(QDialog& dialog, int id);

}  // namespace zelkor::vorrak
