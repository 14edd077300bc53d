#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "eventdb/connection_string.h"
#include "manage/manage.h"
#include "manage/query_dialog.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_shell.h"
#include "platform/fake/recording_sound.h"
#include "platform/fake/recording_ui.h"
#include "tests/eventdb/exec_sql.h"
#include "tests/manage/manage_fixture.h"
#include "tests/manage/model_contract.h"
#include "tests/support/fake_instances.h"
#include "tests/support/layout_faults.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_dir.h"

namespace zelkor::manage {
namespace {

using platform::SoundRequest;

void saveScreenshot(QWidget& window, const std::string& name) {
    EXPECT_TRUE(testing::saveScreenshot(window.grab().toImage(), name));
}

TEST_F(ManageTest, EmptyTableShowsTheNoDataTextsAndStaysSilent) {
    VrakQuery& window = start();
    EXPECT_EQ(window.windowTitle(), "Zelkor Oculara - Event Log Management");
    EXPECT_EQ(text("Label1"), "Description :");
    EXPECT_EQ(text("Label2"), "Event Bitmap FileName:");
    EXPECT_EQ(text("Label3"), "Event Video FileName:");
    EXPECT_EQ(child<QPushButton>("Command1")->text(), "View");
    EXPECT_EQ(child<QPushButton>("Command2")->text(), "View");
    EXPECT_EQ(child<QPushButton>("QueryCommand")->text(), "Query");
    EXPECT_EQ(child<QPushButton>("DeleteCommand")->text(), "Delete");
    EXPECT_EQ(child<QPushButton>("Command3")->text(), "Exit");
    EXPECT_EQ(child<QWidget>("DataGrid")->geometry(), QRect(0, 216, 559, 289));

    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 0");
    EXPECT_EQ(text("DescText"), "No data");
    EXPECT_EQ(text("BitmapFileText"), "No data");
    EXPECT_EQ(text("VideoFileText"), "No data");
    EXPECT_EQ(text("lblStatus"), " No data record in database table");
    saveScreenshot(window, "manage_empty");

    click("cmdPrevious");
    click("cmdNext");
    click("cmdFirst");
    click("cmdLast");
    EXPECT_EQ(beeps(), 0u);
    EXPECT_TRUE(ui.boxes.empty());

    click("DeleteCommand");
    ASSERT_EQ(ui.texts(),
              (std::vector<std::string>{"No record is found, all data are deleted..."}));
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND);
    EXPECT_EQ(text("lblStatus"), " No data in database table");
    EXPECT_EQ(text("DescText"), "No data");
}

TEST_F(ManageTest, NavigatesAndBeepsAtBothEnds) {
    addEvent("2003/1/1 Detect Time:1:1:1", "/b1.bmp");
    addEvent("2003/1/2 Detect Time:2:2:2", "/b2.bmp", "/v2.avi");
    addEvent("2003/1/3 Detect Time:3:3:3", "/b3.bmp");
    VrakQuery& window = start();
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 3");
    EXPECT_EQ(text("lblStatus"), "Current Record : 1");
    EXPECT_EQ(text("DescText"), "2003/1/1 Detect Time:1:1:1");
    EXPECT_EQ(text("BitmapFileText"), "/b1.bmp");
    EXPECT_EQ(text("VideoFileText"), "");
    saveScreenshot(window, "manage_rows");

    click("cmdNext");
    EXPECT_EQ(text("lblStatus"), "Current Record: 2");
    EXPECT_EQ(text("VideoFileText"), "/v2.avi");
    click("cmdLast");
    EXPECT_EQ(text("lblStatus"), "Current Record: 3");
    click("cmdNext");
    EXPECT_EQ(beeps(), 1u);
    EXPECT_EQ(text("lblStatus"), "Current Record: 3");
    EXPECT_EQ(text("DescText"), "2003/1/3 Detect Time:3:3:3");
    click("cmdFirst");
    click("cmdPrevious");
    EXPECT_EQ(beeps(), 2u);
    EXPECT_EQ(text("lblStatus"), "Current Record: 1");

    // A click in the grid moves the recordset too.
    auto* grid = child<QTableView>("DataGrid");
    grid->setCurrentIndex(grid->model()->index(1, 0));
    EXPECT_EQ(text("lblStatus"), "Current Record: 2");
    EXPECT_EQ(text("BitmapFileText"), "/b2.bmp");
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 2)), QVariant());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ManageTest, ViewOpensExistingFilesThroughTheShellAndReportsFailures) {
    work.write("e1.bmp", "BM");
    addEvent("2003/1/1 x", work.file("e1.bmp"), work.file("gone.avi"));
    addEvent("2003/1/2 y", work.file("e1.bmp"));
    start();
    click("Command1");
    EXPECT_EQ(shell.opened, (std::vector<std::string>{work.file("e1.bmp")}));
    click("Command2");
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"File is not existing..."}));
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND);

    shell.results = {31};
    click("Command1");
    EXPECT_EQ(ui.boxes.back().text, "Error executing picture viewer.....");
    work.write("gone.avi", "RIFF");
    shell.results = {2};
    click("Command2");
    EXPECT_EQ(ui.boxes.back().text, "Error executing AVI player.....");
    shell.results = {platform::kOpenerNotStarted};
    shell.openerName = "/opt/bin/opener";
    click("Command1");
    EXPECT_TRUE(ui.boxes.back().text.starts_with(
        "Error executing picture viewer.....\nCould not start \"/opt/bin/opener\""))
        << ui.boxes.back().text;

    ui.boxes.clear();
    shell.opened.clear();
    click("cmdNext");
    EXPECT_EQ(text("VideoFileText"), "");
    click("Command2");  // an event without a clip
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(ManageTest, DeleteRemovesTheFilesAndTheRowWithoutAsking) {
    work.write("error1.bmp", "BM");
    work.write("error1.avi", "RIFF");
    addEvent("2003/1/1 a", work.file("error1.bmp"), work.file("error1.avi"));
    addEvent("2003/1/2 b", work.file("b-already-gone.bmp"));
    addEvent("2003/1/3 c", work.file("c.bmp"));
    start();
    click("DeleteCommand");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(work.file("error1.bmp")));
    EXPECT_FALSE(std::filesystem::exists(work.file("error1.avi")));
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 2");
    EXPECT_EQ(text("lblStatus"), "");
    EXPECT_EQ(text("DescText"), "2003/1/2 b");

    click("DeleteCommand");  // its file is already gone: the row still goes
    EXPECT_EQ(text("DescText"), "2003/1/3 c");
    click("DeleteCommand");  // the last row: past the end, the boxes keep its values
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 0");
    EXPECT_EQ(text("DescText"), "2003/1/3 c");
    EXPECT_EQ(text("lblStatus"), "");
    EXPECT_TRUE(ui.boxes.empty());

    eventdb::EventDatabase check;
    ASSERT_TRUE(eventdb::OpenEventDatabase(check, db));
    EXPECT_EQ(check.table.recordCount(), 0);
}

TEST_F(ManageTest, TheGridsModelKeepsItsContractThroughDeleteQueryAndExit) {
    addEvent("2003/1/1 a", "/a.bmp");
    addEvent("2004/1/2 b", "/b.bmp");
    addEvent("2004/1/3 c", "/c.bmp");
    VrakQuery& window = start();
    auto* grid = child<QTableView>("DataGrid");
    testing::ModelContract contract(grid->model());

    click("cmdNext");
    click("DeleteCommand");
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(text("DescText"), "2004/1/3 c");
    window.showYear("2004");
    EXPECT_EQ(grid->model()->rowCount(), 1);
    click("cmdLast");
    click("DeleteCommand");
    window.showYear("");
    EXPECT_EQ(grid->model()->rowCount(), 1);
    click("Command3");
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(contract.violations(), "");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ManageTest, DeletingTheLastRowMovesPastTheEndThenNextBeepsBackToTheLast) {
    addEvent("2003/1/1 a", "/a.bmp");
    addEvent("2003/1/2 b", "/b.bmp");
    start();
    click("cmdLast");
    click("DeleteCommand");
    EXPECT_EQ(text("DescText"), "2003/1/2 b");
    EXPECT_EQ(text("lblStatus"), "");
    click("cmdNext");
    EXPECT_EQ(beeps(), 1u);
    EXPECT_EQ(text("DescText"), "2003/1/1 a");
    EXPECT_EQ(text("lblStatus"), "Current Record: 1");
}

TEST_F(ManageTest, QueryShowsTheEventsOfOneYearAndCancelKeepsThem) {
    addEvent("2003/12/31 Detect Time:23:59:59", "/a.bmp");
    addEvent("2004/1/1 Detect Time:0:0:0", "/b.bmp");
    addEvent("2004/6/1 Detect Time:0:0:0", "/c.bmp");
    addEvent("20045/1/1 Detect Time:0:0:0", "/d.bmp");
    VrakQuery& window = start();

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Zelkor Oculara Log Management - Query");
        EXPECT_EQ(dialog->findChild<QLabel*>("Label1")->text(), "Year");
        dialog->findChild<QLineEdit*>("Text1")->setText(" 2004 ");
        dialog->findChild<QPushButton*>("OKButton")->click();
    });
    click("QueryCommand");
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 2");
    EXPECT_EQ(text("DescText"), "2004/1/1 Detect Time:0:0:0");
    EXPECT_EQ(text("lblStatus"), "Current Record : 1");
    click("cmdNext");
    EXPECT_EQ(text("DescText"), "2004/6/1 Detect Time:0:0:0");

    QTimer::singleShot(0, [] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QPushButton*>("CancelButton")->click();
    });
    click("QueryCommand");
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 2");
    EXPECT_EQ(text("DescText"), "2004/6/1 Detect Time:0:0:0");

    window.showYear("02003");
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 1");
    window.showYear("abc");
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 0");
    EXPECT_EQ(text("lblStatus"), " No data record in database table");
    window.showYear("");
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 4");
    EXPECT_TRUE(ui.boxes.empty());
}

// A record is text any user can edit: Delete follows its paths only to
// event files in the working directory, deletes the row in any case and
// names the files it kept.
TEST_F(ManageTest, DeleteRemovesOnlyEventFilesOfTheWorkingDirectoryAndNamesTheOthers) {
    testing::TempDir outside;
    std::filesystem::create_directory(work.file("run"));
    const std::string picture = work.write("run/error1.bmp", "BM");
    const std::string clip = work.write("run/error1.avi", "RIFF");
    const std::string elsewhere = outside.write("error2.bmp", "BM");
    const std::string notes = work.write("notes.txt", "keep");
    const std::string secret = outside.write("secret.txt", "keep");
    std::filesystem::create_symlink(secret, work.file("run/error3.bmp"));
    addEvent("2003/1/1 a", picture, clip);
    addEvent("2003/1/2 b", elsewhere, notes);
    addEvent("2003/1/3 c", work.file("run/error3.bmp"));
    start();

    click("DeleteCommand");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(picture));
    EXPECT_FALSE(std::filesystem::exists(clip));

    click("DeleteCommand");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, std::string(kFileKeptMessage) + "\n" + elsewhere + "\n" + notes);
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONEXCLAMATION);
    EXPECT_TRUE(std::filesystem::exists(elsewhere));
    EXPECT_TRUE(std::filesystem::exists(notes));
    EXPECT_EQ(text("DescText"), "2003/1/3 c");

    click("DeleteCommand");
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].text, std::string(kFileKeptMessage) + "\n" + work.file("run/error3.bmp"));
    EXPECT_TRUE(std::filesystem::exists(secret));
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 0");

    eventdb::EventDatabase check;
    ASSERT_TRUE(eventdb::OpenEventDatabase(check, db));
    EXPECT_EQ(check.table.recordCount(), 0);
}

// The row goes before its files, so a row the database will not delete
// (another program holds it locked) keeps them.
TEST_F(ManageTest, ARowTheDatabaseKeepsKeepsItsFiles) {
    const std::string picture = work.write("error1.bmp", "BM");
    addEvent("2003/1/1 a", picture);
    testing::execSql(db,
                     "CREATE TRIGGER keep BEFORE DELETE ON History "
                     "BEGIN SELECT RAISE(ABORT, 'database is locked'); END;");
    start();
    click("DeleteCommand");
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"database is locked"}));
    EXPECT_EQ(ui.boxes[0].title, "manage");
    EXPECT_TRUE(std::filesystem::exists(picture));
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 1");
    EXPECT_EQ(text("lblStatus"), "Current Record : 1");
}

// A description of megabytes is shown by its first 4096 characters (not
// bytes, and never half a character), in the boxes and in the grid.
TEST_F(ManageTest, LongValuesShowTheirFirst4096Characters) {
    const std::string smile = "\xF0\x9F\x98\x80";  // one character, two UTF-16 units
    addEvent(std::string(4095, 'a') + smile + std::string(1 << 20, 'z'), std::string(5000, '\xE9'),
             std::string(3000, 'v'));
    start();
    const QString shownDesc = QString(4095, 'a') + QString::fromUtf8(smile);
    EXPECT_EQ(text("DescText"), shownDesc);
    EXPECT_EQ(text("BitmapFileText"), QString(4096, QChar(0xFFFD)));
    EXPECT_EQ(text("VideoFileText"), QString(3000, 'v'));
    auto* grid = child<QTableView>("DataGrid");
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 0)).toString(), shownDesc);
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 2)).toString(), QString(3000, 'v'));
}

// A file that cannot be written, or one in a folder that cannot be (see the
// event database's tests), opens read-only; here the open asks for that.
TEST_F(ManageTest, AReadOnlyDatabaseIsBrowsedAndDeleteIsRefused) {
    const std::string picture = work.write("error1.bmp", "BM");
    addEvent("2003/1/1 a", picture);
    addEvent("2003/1/2 b", "/b.bmp");
    eventdb::EventDatabase& database = manage.database;
    ASSERT_TRUE(database.connection.open(eventdb::BuildConnectionString(eventdb::kProvider351, db) +
                                         "Mode=Read;"));
    ASSERT_TRUE(database.table.open(database.connection, eventdb::kHistoryTable));
    ASSERT_TRUE(eventdb::OpenDisplayRecordset(database));
    manage.window =
        std::make_unique<VrakQuery>(database, ManageServices{ui, sound, shell}, work.path());
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 2");
    click("cmdNext");
    EXPECT_EQ(text("DescText"), "2003/1/2 b");
    click("cmdFirst");

    click("DeleteCommand");
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{std::string(kReadOnlyDeleteMessage)}));
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND);
    EXPECT_TRUE(std::filesystem::exists(picture));
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 2");
    EXPECT_EQ(text("DescText"), "2003/1/1 a");
}

// The path goes to the shell as the record's bytes, whatever their
// encoding; a path typed into the box goes as typed.
TEST_F(ManageTest, ViewOpensFileNamesThatAreNotUtf8) {
    const std::string latin1 = work.write("\xE9v\xE9nement1.bmp", "BM");
    addEvent("2003/1/1 a", latin1);
    start();
    click("Command1");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(shell.opened, (std::vector<std::string>{latin1}));

    const std::string typed = work.write("typed.bmp", "BM");
    child<QLineEdit>("BitmapFileText")->setText(QString::fromStdString(typed));
    click("Command1");
    EXPECT_EQ(shell.opened, (std::vector<std::string>{latin1, typed}));
}

// Past the end after the last row's deletion no row is chosen: the grid
// marks none (a click on any row chooses it), the boxes still hold the
// deleted row but greyed, and Delete says there is nothing to delete.
TEST_F(ManageTest, AfterDeletingTheLastRowNoRowIsChosenUntilTheUserChoosesOne) {
    addEvent("2003/1/1 a", "/a.bmp");
    addEvent("2003/1/2 b", "/b.bmp");
    start();
    auto* grid = child<QTableView>("DataGrid");
    click("cmdLast");
    click("DeleteCommand");
    EXPECT_EQ(text("DescText"), "2003/1/2 b");
    EXPECT_FALSE(child<QWidget>("DescText")->isEnabled());
    EXPECT_FALSE(child<QWidget>("BitmapFileText")->isEnabled());
    EXPECT_FALSE(grid->currentIndex().isValid());

    click("DeleteCommand");
    ASSERT_EQ(ui.texts(), (std::vector<std::string>{std::string(kNoCurrentRecordMessage)}));
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND);
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 1");

    grid->setCurrentIndex(grid->model()->index(0, 0));
    EXPECT_EQ(text("DescText"), "2003/1/1 a");
    EXPECT_TRUE(child<QWidget>("DescText")->isEnabled());
    EXPECT_EQ(text("lblStatus"), "Current Record: 1");
    click("DeleteCommand");
    EXPECT_EQ(text("TotalRecordLabel"), "Total Records is 0");
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(ManageTest, WithOneRecordPreviousAndNextEachBeepOnceAndStay) {
    addEvent("2003/1/1 a", "/a.bmp");
    start();
    size_t expectedBeeps = 0;
    for (const char* button : {"cmdPrevious", "cmdNext"}) {
        click(button);
        EXPECT_EQ(beeps(), ++expectedBeeps) << button;
        EXPECT_EQ(text("lblStatus"), "Current Record: 1") << button;
        EXPECT_EQ(text("DescText"), "2003/1/1 a") << button;
        EXPECT_EQ(child<QTableView>("DataGrid")->currentIndex().row(), 0) << button;
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ManageTest, ResizeKeepsTheStatusBarItemsAtTheirDistances) {
    VrakQuery& window = start();
    window.resize(700, 600);
    QApplication::processEvents();
    auto* status = child<QLabel>("lblStatus");
    // Last 460 twips left of the right edge, Next one pitch (360 twips)
    // left of Last, the label reaching up to Next.
    EXPECT_EQ(child<QWidget>("cmdLast")->x(), (10500 - 460 + 7) / 15);
    EXPECT_EQ(child<QWidget>("cmdNext")->x(), (10500 - 460 + 7) / 15 - 24);
    EXPECT_EQ(status->geometry().right() + 1, child<QWidget>("cmdNext")->x());
    EXPECT_EQ(child<QWidget>("picStatBox")->geometry().bottom(), 599);
    EXPECT_EQ(child<QWidget>("DataGrid")->height(), 289 + 60);
}

// In the window's own font every caption fits its control, no control covers
// another or reaches past the window, and a larger window gives its extra
// room to the grid and the text boxes.
TEST_F(ManageTest, FormFitsItsTextsAndStretches) {
    addEvent("2003/1/1 a", "a.bmp", std::string("a.avi"));
    VrakQuery& window = start();
    for (const QSize size : {window.size(), QSize(900, 700)}) {
        window.resize(size);
        QApplication::processEvents();
        EXPECT_EQ(testing::layoutFaults(window), std::vector<std::string>{}) << size.width();
    }
    saveScreenshot(window, "manage_stretched");
    const QRect grid = child<QWidget>("DataGrid")->geometry();
    EXPECT_EQ(grid.right(), 899 - (568 - 559));
    EXPECT_EQ(grid.bottom(), child<QWidget>("picStatBox")->y() - (517 - 504));
    for (const char* box : {"DescText", "BitmapFileText", "VideoFileText"}) {
        EXPECT_GT(child<QWidget>(box)->width(), 900 - 568) << box;
    }
    EXPECT_EQ(child<QWidget>("Command3")->geometry().right(), 899 - (568 - 545));
}

TEST_F(ManageTest, ExitClosesTheConnection) {
    start();
    click("Command3");
    EXPECT_FALSE(manage.database.connection.isOpen());
    EXPECT_FALSE(manage.window->isVisible());
}

TEST_F(ManageTest, StartUpMessagesInOrder) {
    {
        const auto other = instances.claim(kInstanceClass);
        EXPECT_EQ(StartManage(context, manage), ManageStart::AlreadyRunning);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, "You cannot run Oculara Data Log Management simultaneously");
        EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
        EXPECT_EQ(ui.boxes[0].style, platform::mb::OK);
    }
    ui.boxes.clear();
    std::filesystem::remove(db);
    Manage second;
    EXPECT_EQ(StartManage(context, second), ManageStart::NoDatabase);
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{
                              "The database file is not exist...\nSystem use default database",
                              "System error, no valid database file is found...\nInstall is not "
                              "completely..."}));
    EXPECT_EQ(ui.boxes[1].style, platform::mb::ICONHAND);
}

TEST_F(ManageTest, AnUnusableInstanceFolderIsReportedNotTakenForASecondCopy) {
    const std::string missing = work.file("no-runtime-folder");
    const auto sockets = platform::makeInstances(missing);
    ManageContext noFolder{registry, *sockets, {ui, sound, shell}, programDir.path()};
    EXPECT_EQ(StartManage(noFolder, manage), ManageStart::ClaimFailed);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find(missing), std::string::npos) << ui.boxes[0].text;
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND);
    EXPECT_EQ(manage.window, nullptr);
}

TEST_F(ManageTest, AnUnreadableDatabaseGetsTheMessageOfTheOption) {
    std::filesystem::remove(db);
    work.write("Vrak.mdb", std::string(2048, 'z'));
    Manage first;
    EXPECT_EQ(StartManage(context, first), ManageStart::OpenFailed);
    EXPECT_EQ(ui.texts(),
              (std::vector<std::string>{"Error occured while Opeing Oculara error log "
                                        "database...\nPlease install Microsoft ACCESS 97 or above "
                                        "version. "}));
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND);

    ui.boxes.clear();
    first.claim.reset();  // that program has ended
    registry.putNumber(eventdb::kProductKey, "USEACCESS", 0);
    Manage second;
    EXPECT_EQ(StartManage(context, second), ManageStart::OpenFailed);
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{
                              "You didn't enable Error Log Management fuction...\nPlease run "
                              "setup wizard and enable it..."}));
    EXPECT_EQ(ui.boxes[0].style, platform::mb::OK);
}

TEST_F(ManageTest, WithoutTheProductKeyTheProgramFolderDatabaseOpensSilently) {
    platform::MemoryRegistry empty;
    ManageContext noKey{empty, instances, {ui, sound, shell}, programDir.path()};
    std::string error;
    ASSERT_TRUE(eventdb::CreateEventDatabase(programDir.file("Vrak.mdb"), &error));
    EXPECT_EQ(StartManage(noKey, manage), ManageStart::Shown);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST(NormalizedYearTest, StripsBlanksAndLeadingZerosOfNumbersOnly) {
    EXPECT_EQ(NormalizedYear(" 2004 "), "2004");
    EXPECT_EQ(NormalizedYear("0099"), "99");
    EXPECT_EQ(NormalizedYear("000"), "0");
    EXPECT_EQ(NormalizedYear("20a4"), "20a4");
    EXPECT_EQ(NormalizedYear(""), "");
}

}  // namespace
}  // namespace zelkor::manage
