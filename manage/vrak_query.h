#pragma once
// VrakQuery, the event browsing window: the stored events in a grid, the
// current one's description and files, moving, viewing and deleting.

#include <QRect>
#include <QWidget>

#include <memory>
#include <vector>

#include "eventdb/event_database.h"
#include "eventdb/pg_event_rows.h"
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
class QTemporaryDir;

namespace zelkor::manage {

class RecordsModel;

// Data access failures are shown under the program's own name.
inline constexpr std::string_view kProgramTitle = "manage";

struct ManageServices {
    platform::Ui& ui;
    platform::Sound& sound;
    platform::Shell& shell;
};

// An event database several stations share: its rows, and this PC's
// station, the only one whose event files are here.
struct SharedEvents {
    eventdb::PgConnection connection;
    eventdb::PgEventRows rows;
    std::string station;
};

// Delete's refusals and notices, under the suite's title.
inline constexpr std::string_view kReadOnlyDeleteMessage =
    "The event database is read-only, no record can be deleted...";
inline constexpr std::string_view kNoCurrentRecordMessage =
    "No record is selected...\nPlease choose the record to delete";
inline constexpr std::string_view kFileKeptMessage =
    "The record is deleted, its files below are kept: only event files in the working "
    "directory are deleted...";
// View of another station's clip, followed by the station's name.
inline constexpr std::string_view kClipElsewhereMessage =
    "The video of this event is not on this PC, it stays with station ";

class VrakQuery : public QWidget {
  public:
    // `database` has its connection and display recordset open, unless
    // the rows are those of `shared`, open too; Delete removes event files
    // only inside `workingDirectory`.
    VrakQuery(eventdb::EventDatabase& database, ManageServices services,
              std::string workingDirectory, SharedEvents* shared = nullptr);
    ~VrakQuery() override;

    // The handlers, by control.
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    void viewBitmap();
    void viewVideo();
    void deleteEvent();
    // Opens the query dialog and shows the events of the year (and, in a
    // shared database, the station) typed, or all.
    void query();
    // Applies a query's answer: an empty year or station does not filter.
    void showYear(const QString& year, const QString& station = {});

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    eventdb::EventRows& rows();
    // Whether the current row's files are on this PC.
    bool filesHere();
    // Hands the database's picture of the current row to the viewer.
    void viewStoredPicture();
    void load();
    void rowChange();
    void gridRowChanged(int row);
    void showCurrentInGrid();
    void fillTextBoxes();
    void setTextBoxes(const QString& text);
    void enableTextBoxes(bool enabled);
    bool moved(bool ok);
    void view(QLineEdit* box, const eventdb::Value& shown, std::string_view failure);
    void openFile(const std::string& path, std::string_view failure);
    void removeEventFiles(const eventdb::Value& bitmap, const eventdb::Value& video);
    void showError(const std::string& description);

    eventdb::EventDatabase& database_;
    ManageServices services_;
    std::string workingDirectory_;
    SharedEvents* shared_;
    // Pictures from the database, for the viewer, made at the first: only
    // this user reads them, and they go with the window.
    std::unique_ptr<QTemporaryDir> pictures_;
    int picturesWritten_ = 0;
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
