#pragma once
// VrakQuery, the event browsing window: the stored events in a grid, the
// current one's description and files, moving, viewing and deleting.

#include <QRect>
#include <QWidget>

#include <vector>

#include "eventdb/event_database.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/ui.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QToolButton;
class QPushButton;
class QFrame;

namespace zelkor::manage {

class RecordsModel;

// Data access failures are shown under the program's own name.
inline constexpr std::string_view kProgramTitle = "manage";

struct ManageServices {
    platform::Ui& ui;
    platform::Sound& sound;
    platform::Shell& shell;
};

// Delete's refusals and notices, under the suite's title.
inline constexpr std::string_view kReadOnlyDeleteMessage =
    "The event database is read-only, no record can be deleted...";
inline constexpr std::string_view kNoCurrentRecordMessage =
    "No record is selected...\nPlease choose the record to delete";
inline constexpr std::string_view kFileKeptMessage =
    "The record is deleted, its files below are kept: only event files in the working "
    "directory are deleted...";

class VrakQuery : public QWidget {
  public:
    // `database` has its connection and display recordset open; Delete
    // removes event files only inside `workingDirectory`.
    VrakQuery(eventdb::EventDatabase& database, ManageServices services,
              std::string workingDirectory);
    ~VrakQuery() override;

    // The handlers, by control.
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    void viewBitmap();
    void viewVideo();
    void deleteEvent();
    // Opens the query dialog and shows the events of the year typed, or all.
    void query();
    // Applies a query's answer: an empty year shows every event.
    void showYear(const QString& year);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void load();
    void rowChange();
    void gridRowChanged(int row);
    void showCurrentInGrid();
    void fillTextBoxes();
    void setTextBoxes(const QString& text);
    void enableTextBoxes(bool enabled);
    bool moved(bool ok);
    void view(QLineEdit* box, const eventdb::Value& shown, std::string_view failure);
    void removeEventFiles(const eventdb::Value& bitmap, const eventdb::Value& video);
    void showError(const std::string& description);

    eventdb::EventDatabase& database_;
    ManageServices services_;
    std::string workingDirectory_;
    RecordsModel* model_;
    bool syncing_ = false;
    // The paths the boxes show, as the record holds them: a name that is
    // not UTF-8 does not survive the text box.
    eventdb::Value shownBitmap_;
    eventdb::Value shownVideo_;

    QLabel* totalRecordLabel_;
    QPlainTextEdit* descText_;
    QLineEdit* bitmapFileText_;
    QLineEdit* videoFileText_;
    QTableView* grid_;
    QFrame* statusBar_;
    QLabel* lblStatus_;
    QToolButton* cmdNext_;
    QToolButton* cmdLast_;
    // How a control takes the room of a window larger than designed.
    enum class Stretch { Widen, MoveRight, Grow };
    struct Stretched {
        QWidget* widget;
        QRect design;
        Stretch stretch;
    };
    std::vector<Stretched> stretched_;
};

}  // namespace zelkor::manage
