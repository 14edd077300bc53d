#pragma once
// Asks for the year whose events the grid should show, and in a database
// several stations share, for the station.

#include <QDialog>

class QLineEdit;

namespace zelkor::manage {

class QueryDialog : public QDialog {
  public:
    explicit QueryDialog(QWidget* parent = nullptr, bool byStation = false);
    QString year() const;
    // Empty when the dialog does not ask for a station.
    QString station() const;

  private:
    QLineEdit* text_;
    QLineEdit* station_ = nullptr;
};

// The year as Desc writes it: no blanks, no leading zeros ("02003" is
// 2003). Anything else stays as typed, so it matches no event.
std::string NormalizedYear(const QString& typed);

}  // namespace zelkor::manage
