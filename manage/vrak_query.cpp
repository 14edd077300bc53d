#include "manage/vrak_query.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "manage/event_files.h"
#include "manage/query_dialog.h"
#include "manage/records_model.h"
#include "manage/twips.h"
#include "vorrak/resources/strings.h"

namespace zelkor::manage {

namespace {

constexpr const char* kNoData = "No data";
constexpr std::string_view kFileMissingMessage = "File is not existing...";
constexpr std::string_view kPictureViewerFailed = "Error executing picture viewer.....";

// The 16 by 16 pictures of the navigation buttons: a triangle pointing
// `left` or right, with a bar at its tip for first and last.
QIcon navigationIcon(bool left, bool bar) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const int tip = left ? 4 : 12;
    const int base = left ? 11 : 5;
    const QPointF triangle[3] = {{double(tip), 8.0}, {double(base), 3.0}, {double(base), 13.0}};
    painter.drawPolygon(triangle, 3);
    if (bar) {
        painter.drawRect(left ? 2 : 12, 3, 2, 10);
    }
    return QIcon(pixmap);
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(place);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(place);
    return b;
}

QLineEdit* lineEdit(QWidget* parent, const char* name, QRect place) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(place);
    return e;
}

QToolButton* navigationButton(QWidget* parent, const char* name, bool left, bool bar, QRect place) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(navigationIcon(left, bar));
    b->setIconSize(QSize(16, 16));
    b->setGeometry(place);
    return b;
}

}  // namespace

VrakQuery::VrakQuery(eventdb::EventDatabase& database, ManageServices services,
                     std::string workingDirectory, SharedEvents* shared)
    : database_(database),
      services_(services),
      workingDirectory_(std::move(workingDirectory)),
      shared_(shared) {
    setObjectName("VrakQuery");
    setWindowTitle("Zelkor Oculara - Event Log Management");
    setFont(layoutFont());
    setMinimumSize(kDesignSize);
    resize(kDesignSize);

    auto* frame = new QGroupBox(this);
    frame->setObjectName("Frame1");
    frame->setGeometry(twipsRect(120, 240, 8055, 2295));
    label(frame, "Label1", "Description :", twipsRect(240, 390, 1215, 255));
    descText_ = new QPlainTextEdit(frame);
    descText_->setObjectName("DescText");
    descText_->setGeometry(twipsRect(1800, 360, 6015, 810));
    descText_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    descText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    label(frame, "Label2", "Event Bitmap FileName:", twipsRect(240, 1290, 2295, 255));
    bitmapFileText_ = lineEdit(frame, "BitmapFileText", twipsRect(2760, 1260, 4092, 324));
    auto* viewBitmapButton = button(frame, "Command1", "View", twipsRect(6960, 1236, 852, 372));
    label(frame, "Label3", "Event Video FileName:", twipsRect(240, 1830, 2295, 255));
    videoFileText_ = lineEdit(frame, "VideoFileText", twipsRect(2760, 1800, 4092, 324));
    auto* viewVideoButton = button(frame, "Command2", "View", twipsRect(6960, 1776, 852, 372));

    totalRecordLabel_ =
        label(this, "TotalRecordLabel", "Total Records : ", twipsRect(240, 2760, 2175, 255));
    auto* queryButton = button(this, "QueryCommand", "Query", twipsRect(4440, 2640, 1095, 495));
    auto* deleteButton = button(this, "DeleteCommand", "Delete", twipsRect(5760, 2640, 1095, 495));
    auto* exitButton = button(this, "Command3", "Exit", twipsRect(7080, 2640, 1095, 495));

    model_ = new RecordsModel(rows(), this);
    grid_ = new QTableView(this);
    grid_->setObjectName("DataGrid");
    grid_->setGeometry(twipsRect(0, 3240, 8385, 4335));
    grid_->setModel(model_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 4);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // A shared database's Station comes first and is short; Desc and Bitmap
    // keep their widths wherever they stand.
    for (int column = 0; column < model_->columnCount(); ++column) {
        const QString name = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int width = name == eventdb::kStationColumn  ? 1200
                          : name == eventdb::kDescColumn   ? 3600
                          : name == eventdb::kBitmapColumn ? 2700
                                                           : 0;
        if (width != 0) {
            grid_->horizontalHeader()->resizeSection(column, twips(width));
        }
    }
    grid_->horizontalHeader()->setStretchLastSection(true);

    statusBar_ = new QFrame(this);
    statusBar_->setObjectName("picStatBox");
    statusBar_->setFrameShape(QFrame::Panel);
    statusBar_->setGeometry(twipsRect(0, 7755, 8520, 345));
    auto* first = navigationButton(statusBar_, "cmdFirst", true, true, twipsRect(0, 0, 345, 350));
    auto* previous =
        navigationButton(statusBar_, "cmdPrevious", true, false, twipsRect(360, 0, 345, 350));
    lblStatus_ = label(statusBar_, "lblStatus", QString(), twipsRect(720, 0, 6960, 350));
    cmdNext_ = navigationButton(statusBar_, "cmdNext", false, false, twipsRect(7680, 0, 345, 350));
    cmdLast_ = navigationButton(statusBar_, "cmdLast", false, true, twipsRect(8040, 0, 345, 350));

    stretched_ = {{frame, frame->geometry(), Stretch::Widen},
                  {descText_, descText_->geometry(), Stretch::Widen},
                  {bitmapFileText_, bitmapFileText_->geometry(), Stretch::Widen},
                  {videoFileText_, videoFileText_->geometry(), Stretch::Widen},
                  {viewBitmapButton, viewBitmapButton->geometry(), Stretch::MoveRight},
                  {viewVideoButton, viewVideoButton->geometry(), Stretch::MoveRight},
                  {queryButton, queryButton->geometry(), Stretch::MoveRight},
                  {deleteButton, deleteButton->geometry(), Stretch::MoveRight},
                  {exitButton, exitButton->geometry(), Stretch::MoveRight},
                  {grid_, grid_->geometry(), Stretch::Grow}};

    connect(first, &QToolButton::clicked, this, &VrakQuery::moveFirst);
    connect(previous, &QToolButton::clicked, this, &VrakQuery::movePrevious);
    connect(cmdNext_, &QToolButton::clicked, this, &VrakQuery::moveNext);
    connect(cmdLast_, &QToolButton::clicked, this, &VrakQuery::moveLast);
    connect(viewBitmapButton, &QPushButton::clicked, this, &VrakQuery::viewBitmap);
    connect(viewVideoButton, &QPushButton::clicked, this, &VrakQuery::viewVideo);
    connect(deleteButton, &QPushButton::clicked, this, &VrakQuery::deleteEvent);
    connect(queryButton, &QPushButton::clicked, this, &VrakQuery::query);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!syncing_ && current.isValid()) {
                    gridRowChanged(current.row());
                }
            });
    load();
}

VrakQuery::~VrakQuery() = default;

eventdb::EventRows& VrakQuery::rows() {
    return shared_ != nullptr ? static_cast<eventdb::EventRows&>(shared_->rows) : database_.display;
}

bool VrakQuery::filesHere() {
    eventdb::Value station;
    return shared_ == nullptr ||
           (shared_->rows.field(eventdb::kStationColumn, &station) && station == shared_->station);
}

void VrakQuery::load() {
    eventdb::EventRows& rs = rows();
    totalRecordLabel_->setText("Total Records is " + QString::number(rs.recordCount()));
    if (rs.recordCount() < 1) {
        setTextBoxes(kNoData);
        lblStatus_->setText(" No data record in database table");
        return;
    }
    showCurrentInGrid();
    lblStatus_->setText("Current Record : " + QString::number(grid_->currentIndex().row() + 1));
    fillTextBoxes();
}

void VrakQuery::rowChange() {
    eventdb::EventRows& rs = rows();
    if (rs.bof() || rs.eof() || rs.absolutePosition() < 1) {
        return;
    }
    totalRecordLabel_->setText("Total Records is " + QString::number(rs.recordCount()));
    lblStatus_->setText("Current Record: " + QString::number(rs.absolutePosition()));
    fillTextBoxes();
}

void VrakQuery::gridRowChanged(int row) {
    if (!rows().moveTo(row)) {
        showError(rows().error());
        return;
    }
    rowChange();
}

// The grid follows the recordset's current row; a move reports a row change
// just as a click in the grid does. Past either end (after the last row was
// deleted) no row is current: the grid marks none, so a click on any row
// chooses it, and the text boxes, which keep the row shown last, are greyed
// so a deleted row does not look like one still there.
void VrakQuery::showCurrentInGrid() {
    const int64_t position = rows().absolutePosition();
    syncing_ = true;
    if (position < 1) {
        grid_->selectionModel()->clear();
        enableTextBoxes(false);
    } else {
        grid_->setCurrentIndex(model_->index(static_cast<int>(position - 1), 0));
    }
    syncing_ = false;
}

void VrakQuery::fillTextBoxes() {
    eventdb::EventRows& rs = rows();
    eventdb::Value desc, bitmap, video;
    if (!rs.field(eventdb::kDescColumn, &desc) || !rs.field(eventdb::kBitmapColumn, &bitmap) ||
        !rs.field(eventdb::kVideoColumn, &video)) {
        showError(rs.error());
        return;
    }
    descText_->setPlainText(ShownText(desc));
    bitmapFileText_->setText(ShownText(bitmap));
    videoFileText_->setText(ShownText(video));
    shownBitmap_ = std::move(bitmap);
    shownVideo_ = std::move(video);
    enableTextBoxes(true);
}

void VrakQuery::setTextBoxes(const QString& text) {
    descText_->setPlainText(text);
    bitmapFileText_->setText(text);
    videoFileText_->setText(text);
    shownBitmap_.reset();
    shownVideo_.reset();
    enableTextBoxes(true);
}

void VrakQuery::enableTextBoxes(bool enabled) {
    descText_->setEnabled(enabled);
    bitmapFileText_->setEnabled(enabled);
    videoFileText_->setEnabled(enabled);
}

bool VrakQuery::moved(bool ok) {
    if (!ok) {
        showError(rows().error());
        return false;
    }
    showCurrentInGrid();
    rowChange();
    return true;
}

void VrakQuery::moveFirst() {
    moved(rows().moveFirst());
}

void VrakQuery::moveLast() {
    moved(rows().moveLast());
}

void VrakQuery::movePrevious() {
    eventdb::EventRows& rs = rows();
    if (!rs.bof() && !moved(rs.movePrevious())) {
        return;
    }
    if (rs.bof() && rs.recordCount() > 0) {
        services_.sound.messageBeep();
        moved(rs.moveFirst());
    }
}

void VrakQuery::moveNext() {
    eventdb::EventRows& rs = rows();
    if (!rs.eof() && !moved(rs.moveNext())) {
        return;
    }
    if (rs.eof() && rs.recordCount() > 0) {
        services_.sound.messageBeep();
        moved(rs.moveLast());
    }
}

void VrakQuery::view(QLineEdit* box, const eventdb::Value& shown, std::string_view failure) {
    // The record's own bytes while the box shows them, what was typed
    // into the box otherwise.
    const bool recorded = shown && box->text() == ShownText(shown);
    const std::string path = recorded ? *shown : box->text().toStdString();
    if (path.empty()) {
        return;
    }
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        openFile(path, failure);
        return;
    }
    // A shared database keeps each event's picture, not its clip.
    if (shared_ != nullptr && recorded && box == bitmapFileText_) {
        viewStoredPicture();
        return;
    }
    eventdb::Value station;
    if (shared_ != nullptr && recorded && !filesHere() &&
        shared_->rows.field(eventdb::kStationColumn, &station) && station) {
        services_.ui.messageBox(std::string(kClipElsewhereMessage) + *station, resources::kTitle,
                                platform::mb::ICONEXCLAMATION);
        return;
    }
    services_.ui.messageBox(kFileMissingMessage, resources::kTitle, platform::mb::ICONHAND);
}

void VrakQuery::openFile(const std::string& path, std::string_view failure) {
    if (const int result = services_.shell.open(path); result <= 32) {
        services_.ui.messageBox(
            std::string(failure) + platform::OpenerNotStartedNote(services_.shell, result),
            resources::kTitle, platform::mb::ICONHAND);
    }
}

void VrakQuery::viewStoredPicture() {
    eventdb::Value bytes;
    if (!shared_->rows.picture(&bytes)) {
        showError(shared_->rows.error());
        return;
    }
    if (!bytes) {
        services_.ui.messageBox(kFileMissingMessage, resources::kTitle, platform::mb::ICONHAND);
        return;
    }
    if (!pictures_) {
        pictures_ = std::make_unique<QTemporaryDir>();
    }
    // Each view its own file: a viewer may still be reading the last one.
    QFile file(pictures_->filePath(QString::number(++picturesWritten_) + ".bmp"));
    const auto size = static_cast<qint64>(bytes->size());
    if (!pictures_->isValid() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(bytes->data(), size) != size || !file.flush()) {
        showError(
            "The picture could not be written for the viewer: " +
            (pictures_->isValid() ? file.errorString() : pictures_->errorString()).toStdString());
        return;
    }
    file.close();
    openFile(file.fileName().toStdString(), kPictureViewerFailed);
}

void VrakQuery::viewBitmap() {
    view(bitmapFileText_, shownBitmap_, kPictureViewerFailed);
}

void VrakQuery::viewVideo() {
    view(videoFileText_, shownVideo_, "Error executing AVI player.....");
}

void VrakQuery::deleteEvent() {
    eventdb::EventRows& rs = rows();
    if (rs.recordCount() < 1) {
        services_.ui.messageBox("No record is found, all data are deleted...", resources::kTitle,
                                platform::mb::ICONHAND);
        lblStatus_->setText("Current Records is No data");
        setTextBoxes(kNoData);
        lblStatus_->setText(" No data in database table");
        return;
    }
    if (database_.connection.readOnly()) {
        services_.ui.messageBox(kReadOnlyDeleteMessage, resources::kTitle, platform::mb::ICONHAND);
        return;
    }
    if (rs.absolutePosition() < 1) {
        services_.ui.messageBox(kNoCurrentRecordMessage, resources::kTitle, platform::mb::ICONHAND);
        return;
    }
    eventdb::Value bitmap, video;
    if (!rs.field(eventdb::kBitmapColumn, &bitmap) || !rs.field(eventdb::kVideoColumn, &video)) {
        showError(rs.error());
        return;
    }
    // Another station's files are on that station's PC, not here.
    const bool here = filesHere();
    // The row goes first: when the database refuses (another program holds
    // it locked), the files stay with their record.
    syncing_ = true;
    const bool deleted = model_->deleteCurrent();
    syncing_ = false;
    if (!deleted) {
        showError(rs.error());
        return;
    }
    if (here) {
        removeEventFiles(bitmap, video);
    }
    if (!moved(rs.eof() ? rs.moveLast() : rs.moveNext())) {
        return;
    }
    totalRecordLabel_->setText("Total Records is " + QString::number(rs.recordCount()));
    lblStatus_->setText(QString());
}

// Removes the deleted record's files that are event files in the working
// directory; names the others, which stay, and any removal that failed.
void VrakQuery::removeEventFiles(const eventdb::Value& bitmap, const eventdb::Value& video) {
    std::string kept;
    for (const eventdb::Value* path : {&bitmap, &video}) {
        if (!*path || (*path)->empty()) {
            continue;
        }
        std::string error;
        switch (RemoveEventFile(workingDirectory_, **path, &error)) {
            case FileRemoval::Kept:
                kept += "\n" + ShownText(*path).toStdString();
                break;
            case FileRemoval::Failed:
                showError(ShownText(error).toStdString());
                break;
            case FileRemoval::Removed:
            case FileRemoval::Missing:
                break;
        }
    }
    if (!kept.empty()) {
        services_.ui.messageBox(std::string(kFileKeptMessage) + kept, resources::kTitle,
                                platform::mb::ICONEXCLAMATION);
    }
}

void VrakQuery::query() {
    // Cancel leaves the grid as it was, filtered or not.
    QueryDialog dialog(this, shared_ != nullptr);
    if (dialog.exec() == QDialog::Accepted) {
        showYear(dialog.year(), dialog.station());
    }
}

void VrakQuery::showYear(const QString& year, const QString& station) {
    syncing_ = true;
    const bool ok = model_->changeRecordset([&] {
        return shared_ != nullptr ? shared_->rows.open(shared_->connection, NormalizedYear(year),
                                                       station.trimmed().toStdString())
                                  : eventdb::OpenDisplayRecordset(database_, NormalizedYear(year));
    });
    syncing_ = false;
    if (!ok) {
        showError(rows().error());
    }
    load();
}

void VrakQuery::showError(const std::string& description) {
    services_.ui.messageBox(description, kProgramTitle, platform::mb::OK);
}

void VrakQuery::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Room beyond the designed size goes to the text boxes and the grid; the
    // buttons right of them keep their distance to the right edge.
    const int extraWidth = std::max(0, width() - kDesignSize.width());
    const int extraHeight = std::max(0, height() - kDesignSize.height());
    for (const auto& [widget, design, stretch] : stretched_) {
        QRect place = design;
        if (stretch == Stretch::MoveRight) {
            place.translate(extraWidth, 0);
        } else {
            place.setWidth(design.width() + extraWidth);
        }
        if (stretch == Stretch::Grow) {
            place.setHeight(design.height() + extraHeight);
        }
        widget->setGeometry(place);
    }
    // The status bar stays at the foot of the window, as wide as the window,
    // Last and Next one button's pitch apart at its right end and the
    // current-record text up to Next.
    statusBar_->setGeometry(0, height() - statusBar_->height(), width(), statusBar_->height());
    const int lastLeft = twips(width() * kTwipsPerPixel - 460);
    const int nextLeft = lastLeft - twips(360);
    lblStatus_->resize(std::max(0, nextLeft - lblStatus_->x()), lblStatus_->height());
    cmdNext_->move(nextLeft, cmdNext_->y());
    cmdLast_->move(lastLeft, cmdLast_->y());
}

void VrakQuery::closeEvent(QCloseEvent* event) {
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
    model_->changeRecordset([this] {
        rows().close();
        return true;
    });
    database_.table.close();
    database_.connection.close();
    if (shared_ != nullptr) {
        shared_->connection.close();
    }
    event->accept();
}

}  // namespace zelkor::manage
