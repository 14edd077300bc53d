#include "vorrak/dialogs/capture_settings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <vector>

#include "vorrak/capture/recording.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/dialogs/capture_rules.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

using namespace capture_settings;

constexpr std::array<ControlTemplate, 13> kSettingsControls{{
    {kStaticControlId, ControlKind::GroupBox, "General Setting", 7, 8, 200, 58},
    {kStaticControlId, ControlKind::Text, "Frame Rate (fps) :", 16, 22, 58, 8},
    {kFrameRate, ControlKind::NumberEdit, "", 81, 21, 41, 12},
    {kFrameRateUpDown, ControlKind::UpDown, "", 122, 21, 11, 12},
    {kCaptureAudio, ControlKind::CheckBox, "Capture Audio", 15, 35, 57, 10},
    {kFreeSpace, ControlKind::Text, "", 16, 50, 145, 8},
    {kStaticControlId, ControlKind::GroupBox, "Video File Setting", 8, 78, 199, 43},
    {kStaticControlId, ControlKind::Text, "Video AVI File Name :", 15, 91, 74, 8},
    {kFilePath, ControlKind::ReadOnlyEdit, "", 95, 90, 103, 12},
    {kRename, ControlKind::PushButton, "Rename", 162, 105, 36, 13},
    {kAdvanced, ControlKind::PushButton, "Advanced", 21, 127, 45, 15},
    // 41 units wide: at 42 it would reach one unit into Cancel at 166.
    {kOk, ControlKind::DefaultPushButton, "OK", 125, 128, 41, 14},
    {kCancel, ControlKind::PushButton, "Cancel", 166, 128, 42, 14},
}};

constexpr DialogTemplate kSettingsTemplate{
    kCaptureSettingsDialog, "Zelkor Oculara Capture Video Settings", 219, 150, kSettingsControls};

constexpr std::array<ControlTemplate, 11> kAdvancedControls{{
    {kStaticControlId, ControlKind::GroupBox, "Video Setting", 7, 7, 196, 85},
    {kStaticControlId, ControlKind::Text, "Video Format", 16, 21, 107, 8},
    {kVideoFormat, ControlKind::PushButton, "Setting", 156, 17, 32, 14},
    {kStaticControlId, ControlKind::Text, " AVI CODEC ", 14, 41, 107, 10},
    {kCompression, ControlKind::PushButton, "Setting", 156, 38, 32, 15},
    {kStaticControlId, ControlKind::Text, "AVI  Audio", 16, 61, 107, 10},
    {kAudioFormat, ControlKind::PushButton, "Setting", 156, 58, 32, 15},
    {kStaticControlId, ControlKind::GroupBox, "Playback Setting", 7, 100, 196, 33},
    {kPlayback, ControlKind::CheckBox, "Playback after Recording", 14, 114, 90, 8},
    {kAdvancedOk, ControlKind::DefaultPushButton, "OK", 103, 140, 50, 14},
    {kAdvancedCancel, ControlKind::DefaultPushButton, "Cancel", 153, 140, 50, 14},
}};

constexpr DialogTemplate kAdvancedTemplate{kCaptureAdvancedDialog,
                                           "Zelkor Oculara Capture Video Advanced Setting", 210,
                                           161, kAdvancedControls};

QPushButton* button(QDialog& d, int id) {
    return qobject_cast<QPushButton*>(DialogItem(d, id));
}

}  // namespace

const DialogTemplate& CaptureSettingsTemplate() {
    return kSettingsTemplate;
}

const DialogTemplate& CaptureAdvancedTemplate() {
    return kAdvancedTemplate;
}

std::optional<std::string> AviSaveFileDialog::ask(QWidget* owner, const std::string& name) {
    QFileDialog dialog(owner, QString(), QString::fromLocal8Bit(name),
                       QStringLiteral("Video for Windows (*.avi)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("avi"));
    // The clip replaces an old file of the name when it is recorded.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toLocal8Bit().toStdString();
}

std::optional<std::string> AskAviFileName(SaveFileDialog& files, platform::Ui& ui, QWidget* owner,
                                          const std::string& current) {
    std::string start = current;
    for (;;) {
        std::optional<std::string> name = files.ask(owner, start);
        if (!name) {
            return std::nullopt;
        }
        // A longer name would be cut to another path by the recording's
        // buffer; the user shortens it instead.
        if (!IsAviExtension(ExtensionOf(*name))) {
            ui.messageBox(kNotAviMessage, resources::kTitle, kVorrakBoxStyle);
        } else if (name->size() > kCapturePathMax) {
            ui.messageBox(kPathTooLongMessage, resources::kTitle, kVorrakBoxStyle);
        } else {
            return name;
        }
        start = *name;
    }
}

CaptureSettingsDialog::CaptureSettingsDialog(CaptureDialogServices& services, QWidget* owner)
    : s_(services), dialog_(BuildDialog(kSettingsTemplate, owner)) {
    QDialog& d = *dialog_;
    qobject_cast<QLineEdit*>(DialogItem(d, kFrameRate))
        ->setText(QString::number(s_.settings.VIDEOFRAMERATE));
    dynamic_cast<UpDownControl*>(DialogItem(d, kFrameRateUpDown))
        ->setRange(int(kMinFrameRate), int(kMaxFrameRate));

    auto* audio = qobject_cast<QCheckBox*>(DialogItem(d, kCaptureAudio));
    if (s_.capture.audioAvailable == 0) {
        s_.options.captureAudio = false;
        audio->setEnabled(false);
    }
    audio->setChecked(s_.options.captureAudio);

    showPath(s_.capture.clipPath);
    QObject::connect(button(d, kRename), &QPushButton::clicked, &d, [this] { rename(); });
    QObject::connect(button(d, kAdvanced), &QPushButton::clicked, &d, [this] { advanced(); });
    QObject::connect(button(d, kOk), &QPushButton::clicked, &d, &QDialog::accept);
    QObject::connect(button(d, kCancel), &QPushButton::clicked, &d, &QDialog::reject);
}

CaptureSettingsDialog::~CaptureSettingsDialog() = default;

bool CaptureSettingsDialog::exec() {
    // Escape and the close box cancel: nothing changes.
    const bool accepted = dialog_->exec() == QDialog::Accepted;
    if (accepted) {
        ok();
    }
    return accepted;
}

void CaptureSettingsDialog::showPath(const std::string& path) {
    QDialog& d = *dialog_;
    // Before the first clip there is no clip path yet: the next clip goes
    // into this run's event folder, so that is the space that counts.
    const std::string& spaceOf = path.empty() ? s_.capture.eventFolder : path;
    const std::string_view place = path.empty() ? std::string_view(spaceOf) : FreeSpacePlace(path);
    const uint32_t freeMB = FreeSpaceMB(s_.captureServices.disk, spaceOf);
    auto* label = qobject_cast<QLabel*>(DialogItem(d, kFreeSpace));
    const QString full = QString::fromLocal8Bit(FreeSpaceText(place, freeMB));
    // A folder too long for the label is shortened in its middle, so the
    // free space itself stays in view; the tool tip names it in full.
    const QString folder = QString::fromLocal8Bit(place.data(), qsizetype(place.size()));
    const QFontMetrics metrics(label->font());
    const int room = label->contentsRect().width() -
                     (metrics.horizontalAdvance(full) - metrics.horizontalAdvance(folder));
    QString shown = full;
    shown.replace(full.indexOf(folder), folder.size(),
                  metrics.elidedText(folder, Qt::ElideMiddle, room));
    label->setText(shown);
    label->setToolTip(full);
    qobject_cast<QLineEdit*>(DialogItem(d, kFilePath))->setText(QString::fromLocal8Bit(path));
}

void CaptureSettingsDialog::rename() {
    const std::string current = qobject_cast<QLineEdit*>(DialogItem(*dialog_, kFilePath))
                                    ->text()
                                    .toLocal8Bit()
                                    .toStdString();
    if (std::optional<std::string> name =
            AskAviFileName(s_.files, s_.captureServices.ui, dialog_.get(), current)) {
        showPath(*name);
    }
}

void CaptureSettingsDialog::advanced() {
    CaptureAdvancedDialog(s_, dialog_->parentWidget()).exec();
    dialog_->activateWindow();
}

void CaptureSettingsDialog::ok() {
    QDialog& d = *dialog_;
    s_.settings.VIDEOFRAMERATE = FrameRateFromText(
        qobject_cast<QLineEdit*>(DialogItem(d, kFrameRate))->text().toLatin1().toStdString());
    s_.options.captureAudio = qobject_cast<QCheckBox*>(DialogItem(d, kCaptureAudio))->isChecked();
    s_.capture.clipPath =
        qobject_cast<QLineEdit*>(DialogItem(d, kFilePath))->text().toLocal8Bit().toStdString();
    Capture& c = s_.capture;
    s_.captureServices.host.resizeClient(c.FrameWidth, c.FrameHeight);
    if (c.window) {
        c.window->place(0, 0, int(c.FrameWidth), int(c.FrameHeight));
        c.window->setOverlay(true);
    }
}

CaptureAdvancedDialog::CaptureAdvancedDialog(CaptureDialogServices& services, QWidget* owner)
    : s_(services), dialog_(BuildDialog(kAdvancedTemplate, owner)) {
    QDialog& d = *dialog_;
    // Neither button is the dialog's OK or Cancel, so the keys that press
    // those press nothing here.
    IgnoreInput(d, {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}, false);
    auto* playback = qobject_cast<QCheckBox*>(DialogItem(d, kPlayback));
    playback->setChecked(s_.options.playbackAfterRecording);
    QObject::connect(button(d, kVideoFormat), &QPushButton::clicked, &d, [this] {
        ChooseCaptureFormat(s_.capture, s_.captureServices);
        dialog_->activateWindow();
    });
    QObject::connect(button(d, kCompression), &QPushButton::clicked, &d, [this] {
        if (s_.capture.window) {
            s_.capture.window->dlgVideoCompression();
        }
        dialog_->activateWindow();
    });
    QObject::connect(button(d, kAudioFormat), &QPushButton::clicked, &d, [this] {
        chooseAudioFormat();
        dialog_->activateWindow();
    });
    QObject::connect(button(d, kAdvancedOk), &QPushButton::clicked, &d, [this, playback] {
        s_.options.playbackAfterRecording = playback->isChecked();
        dialog_->accept();
    });
    QObject::connect(button(d, kAdvancedCancel), &QPushButton::clicked, &d, &QDialog::reject);
}

void CaptureAdvancedDialog::exec() {
    dialog_->exec();
}

void CaptureAdvancedDialog::chooseAudioFormat() {
    platform::CaptureWindow* window = s_.capture.window.get();
    const std::vector<uint8_t> current = window ? window->getAudioFormat() : std::vector<uint8_t>();
    const size_t size = std::max(s_.audioFormats.maxFormatSize(), current.size());
    if (size == 0) {
        return;
    }
    std::vector<uint8_t> format(size, 0);
    std::copy(current.begin(), current.end(), format.begin());
    if (s_.audioFormats.choose(dialog_.get(), format) && window) {
        const size_t bytes = WaveFormatRecordBytes(format);
        if (bytes > 0) {
            window->setAudioFormat(std::span<const uint8_t>(format).first(bytes));
        }
    }
}

}  // namespace zelkor::vorrak
