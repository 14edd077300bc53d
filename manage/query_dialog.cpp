#include "manage/query_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "manage/twips.h"

namespace zelkor::manage {

QueryDialog::QueryDialog(QWidget* parent, bool byStation) : QDialog(parent) {
    setObjectName("QueryDialog");
    setWindowTitle("Zelkor Oculara Log Management - Query");
    setFixedSize(twips(4200), twips(1500));
    auto* label = new QLabel("Year", this);
    label->setObjectName("Label1");
    label->setGeometry(twipsRect(240, 300, 600, 255));
    text_ = new QLineEdit(this);
    text_->setObjectName("Text1");
    text_->setGeometry(twipsRect(960, 240, 1200, 324));
    // The station goes under the year, beside Cancel.
    if (byStation) {
        auto* stationLabel = new QLabel("Station", this);
        stationLabel->setObjectName("Label2");
        stationLabel->setGeometry(twipsRect(240, 780, 700, 255));
        station_ = new QLineEdit(this);
        station_->setObjectName("Text2");
        station_->setGeometry(twipsRect(960, 720, 1800, 324));
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setGeometry(twipsRect(2880, 180, 1095, 375));
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelButton");
    cancel->setGeometry(twipsRect(2880, 720, 1095, 375));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString QueryDialog::year() const {
    return text_->text();
}

QString QueryDialog::station() const {
    return station_ != nullptr ? station_->text() : QString();
}

std::string NormalizedYear(const QString& typed) {
    const std::string text = typed.trimmed().toStdString();
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return text;
    }
    const size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
}

}  // namespace zelkor::manage
