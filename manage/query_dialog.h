#pragma once
// Asks for the year whose events the grid should show.

#include <QDialog>

class QLineEdit;

namespace zelkor::manage {

class QueryDialog : public QDialog {
  public:
    explicit QueryDialog(QWidget* parent = nullptr);
    QString year() const;

  private:
    QLineEdit* text_;
};

// The year as Desc writes it: no blanks, no leading zeros ("02003" is
// 2003). Anything else stays as typed, so it matches no event.
std::string NormalizedYear(const QString& typed);

}  // namespace zelkor::manage
