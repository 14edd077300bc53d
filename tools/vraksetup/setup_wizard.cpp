#include "tools/vraksetup/setup_wizard.h"

#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cctype>
#include <climits>
#include <filesystem>
#include <functional>
#include <utility>

#include "tools/companions/companion_values.h"
#include "tools/vraksetup/camera_panel.h"
#include "tools/vraksetup/setup_request.h"
#include "tools/vraksetup/station_stores.h"
#include "tools/vraksetup/vcard_file.h"
#include "vorrak/config/password.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"

namespace zelkor::tools {

namespace {

using vorrak::SettingKind;
using vorrak::SettingRow;

struct Choice {
    uint32_t value;
    const char* label;
};

struct ChoiceList {
    std::string_view name;
    std::vector<Choice> choices;
};

std::vector<Choice> standardChoices() {
    std::vector<Choice> choices;
    for (uint32_t standard = 0; standard < resources::kStandardShortNames.size(); ++standard) {
        choices.push_back({standard, resources::kStandardShortNames[standard].data()});
    }
    return choices;
}

// The values whose numbers stand for a few named choices.
const std::vector<ChoiceList>& choiceLists() {
    static const std::vector<ChoiceList> lists = {
        {"VIDEOCONNECTOR", {{1001, "S-Video"}, {1002, "Composite"}}},
        {"VIDEOSTANDARD", standardChoices()},
        {"RUNSTYLE",
         {{1, "Normal windows"},
          {2, "Always on top"},
          {3, "Hidden behind the tray icon while guarding"}}},
        {"USESCHEDULE", {{1, "At once"}, {2, "After the delay"}, {3, "At the time of day"}}},
        {"PROCESSSTYLE",
         {{1, "Trace the object"},
          {2, "Notify, record a clip, then trace"},
          {3, "Notify and record a clip"}}},
        {"STOPSTYLE",
         {{1, "Stop guarding"},
          {2, "Guard again"},
          {3, "Guard again until the error amount is passed"}}},
    };
    return lists;
}

const ChoiceList* choicesOf(std::string_view name) {
    for (const auto& list : choiceLists()) {
        if (list.name == name) {
            return &list;
        }
    }
    return nullptr;
}

// Row titles; a value without one is shown by its name.
const std::vector<std::pair<std::string_view, const char*>>& titles() {
    static const std::vector<std::pair<std::string_view, const char*>> list = {
        {"WORKINGDIR", "Working directory:"},
        {"VIDEOCONNECTOR", "Camera input:"},
        {"VIDEOSTANDARD", "Video standard:"},
        {"BRIGHTNESS", "Brightness:"},
        {"CONTRAST", "Contrast:"},
        {"SATURATION", "Saturation:"},
        {"HUE", "Hue:"},
        {"SENSIBILITY", "Sensitivity:"},
        {"SCANTIME", "Scan time (ms):"},
        {"USEREGIONCOMPARE", "Region comparison:"},
        {"USESCHEDULE", "Start guarding:"},
        {"DELAYTIME", "Delay (ms):"},
        {"STARTHOUR", "Start hour:"},
        {"STARTMINUTE", "Start minute:"},
        {"STARTSECOND", "Start second:"},
        {"RUNSTYLE", "Windows:"},
        {"RUNSTARTUP", "Run at start-up:"},
        {"PROCESSSTYLE", "On an event:"},
        {"STOPSTYLE", "After an event:"},
        {"ERRORAMOUNT", "Error amount:"},
        {"RELEASETIME", "Release time (s):"},
        {"PLAYWARNINGSOUND", "Warning sound:"},
        {"VIDEOCAPTURE", "Record a clip:"},
        {"VIDEOFRAMERATE", "Clip frame rate:"},
        {"VIDEORECORDINGTIME", "Clip length (s):"},
        {"EXECUTEPROGRAM", "Start a program:"},
        {"EXECUTEFILENAME", "Program:"},
        {"VIEWERFILENAME", "Picture viewer:"},
        {"EMAILNOTIFY", "Send a mail:"},
        {"EMAILADDRESS", "Mail to:"},
        {"CCEMAILADDRESS", "Copy to:"},
        {"EMAILBODY", "Mail text:"},
        {"PHONECALL", "Place a call:"},
        {"PHONENUMBER", "Phone number:"},
        {"USEACCESS", "Event database:"},
        {"UPDATEWEBPAGE", "Refresh (s):"},
        {"WEBPAGEFILENAME", "Page file:"},
        {"SMTPSERVER", "Mail server:"},
        {"SMTPFROM", "Mail from:"},
        {"SMTPUSER", "Server user:"},
        {"SMTPPASSWORD", "Server password:"},
        {"MODEMDEVICE", "Modem device:"},
        {"RINGSECONDS", "Ring time (s):"},
    };
    return list;
}

QString titleOf(std::string_view name) {
    for (const auto& [value, title] : titles()) {
        if (value == name) {
            return title;
        }
    }
    return QString::fromUtf8(name.data(), qsizetype(name.size())) + ":";
}

bool isFlag(const SettingRow& setting) {
    return setting.kind == SettingKind::Number && setting.minimum == 0 && setting.maximum == 1;
}

QString helpOf(const SettingRow& setting) {
    QString help = QString::fromUtf8(setting.help.data(), qsizetype(setting.help.size()));
    if (setting.kind == SettingKind::Number && !isFlag(setting) &&
        choicesOf(setting.name) == nullptr) {
        help += QString(" From %1 to %2.").arg(setting.minimum).arg(setting.maximum);
    } else if (setting.rule == vorrak::SettingDefault::Required) {
        help += QString(" An absolute path of at most %1 characters.").arg(vorrak::kWorkingDirMax);
    } else if (setting.kind == SettingKind::Text) {
        help += QString(" At most %1 characters.").arg(setting.size - 1);
    }
    return help;
}

// A page that cannot be left while its fields hold something refused; the
// reason is shown at its foot.
class CheckedPage : public QWizardPage {
  public:
    explicit CheckedPage(std::function<std::string()> problem) : problem_(std::move(problem)) {
        problemLabel_ = new QLabel(this);
        problemLabel_->setObjectName("problem");
        problemLabel_->setWordWrap(true);
        problemLabel_->setStyleSheet("color: #b00020");
    }

    QLabel* problemLabel() const { return problemLabel_; }
    bool isComplete() const override { return problem_().empty(); }

    void refresh() {
        problemLabel_->setText(QString::fromStdString(problem_()));
        emit completeChanged();
    }

  private:
    std::function<std::string()> problem_;
    QLabel* problemLabel_;
};

uint32_t numberOf(const SetupWizard::Field& field) {
    if (auto* combo = qobject_cast<QComboBox*>(field.widget)) {
        return combo->currentData().toUInt();
    }
    if (auto* box = qobject_cast<QCheckBox*>(field.widget)) {
        // Only 1 is on: any other stored value shows as off and is kept
        // while the box is left as it was.
        const bool on = box->isChecked();
        return on == (field.initial == 1) ? field.initial : (on ? 1 : 0);
    }
    return uint32_t(static_cast<QSpinBox*>(field.widget)->value());
}

std::string textOf(const SetupWizard::Field& field) {
    return static_cast<QLineEdit*>(field.widget)->text().toStdString();
}

// The password set-up the store holds, as Vorrak loads it; nothing where
// Vorrak would fall back to its built-in password, which no user chose.
std::optional<vorrak::AccessControl> chosenAccess(platform::Registry& registry) {
    auto key = registry.openKey(vorrak::kMakerKey, platform::RegAccess::Read);
    uint32_t runNormal = 0;
    std::string stored;
    if (!key || !platform::queryNumber(*key, resources::kRunNormalValue, &runNormal) ||
        (runNormal == vorrak::kRunNormalPassword &&
         !platform::queryText(*key, resources::kRunStringValue, vorrak::kRunStringSize, &stored))) {
        return std::nullopt;
    }
    vorrak::AccessControl access;
    vorrak::LoadAccess(registry, access);
    return access;
}

std::vector<const SettingRow*> settingRows(std::initializer_list<std::string_view> names) {
    std::vector<const SettingRow*> out;
    for (const auto name : names) {
        out.push_back(FindStoredValue(name));
    }
    return out;
}

}  // namespace

bool IsWritableFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::path path(dir);
    while (!std::filesystem::exists(path, ec)) {
        if (!path.has_relative_path()) {
            return false;
        }
        path = path.parent_path();
    }
    return std::filesystem::is_directory(path, ec) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

SetupWizard::SetupWizard(platform::Registry& registry, platform::Ui& ui, std::string vcardFile,
                         std::string station, QWidget* parent)
    : QWizard(parent),
      registry_(registry),
      ui_(ui),
      vcardFile_(std::move(vcardFile)),
      station_(std::move(station)),
      stored_(ReadSetupValues(registry)) {
    setObjectName("setupWizard");
    setWindowTitle("Oculara Setup Wizard");
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    // One size for every page, wide enough for every help text to stay on
    // one line and low enough for a 1024x768 screen with a title bar and a
    // panel: a window that grew with its pages ran its buttons off the
    // screen. Pages longer than that scroll.
    setFixedSize(880, 620);

    if (stored_.text(resources::kWorkingDirValue).empty()) {
        // A first set-up proposes a folder of the user's own, one per station.
        stored_.setText(resources::kWorkingDirValue,
                        ProposedWorkDir(QDir::homePath().toStdString(), station_));
    }
    storedAccess_ = chosenAccess(registry_);

    addFieldPage("workingDirPage", "Working directory",
                 "Vorrak keeps its event pictures and clips, the event history and the event "
                 "database in this folder. It is created when missing.",
                 settingRows({"WORKINGDIR"}));
    cameraPage_ = int(pageFields_.size());
    QFormLayout* cameraForm =
        addFieldPage("cameraPage", "Camera input and picture",
                     "Which camera feeds the card, where it is plugged in, its video standard, "
                     "and the picture values Vorrak starts with.",
                     settingRows({"VIDEOCONNECTOR", "VIDEOSTANDARD", "BRIGHTNESS", "CONTRAST",
                                  "SATURATION", "HUE"}));
    auto* cameraPage = static_cast<CheckedPage*>(page(cameraPage_));
    camera_ =
        new CameraPanel(ReadCameraLocation(vcardFile_), [cameraPage] { cameraPage->refresh(); });
    cameraForm->insertRow(0, camera_);
    addFieldPage(
        "detectionPage", "Detection", "How guard mode watches the picture, and when it starts.",
        settingRows({"SENSIBILITY", "SCANTIME", "USEREGIONCOMPARE", "USESCHEDULE", "DELAYTIME",
                     "STARTHOUR", "STARTMINUTE", "STARTSECOND", "RUNSTYLE", "RUNSTARTUP"}));
    addFieldPage(
        "eventPage", "What an event does", "What happens when guard mode sees a change.",
        settingRows({"PROCESSSTYLE", "STOPSTYLE", "ERRORAMOUNT", "RELEASETIME", "PLAYWARNINGSOUND",
                     "VIDEOCAPTURE", "VIDEOFRAMERATE", "VIDEORECORDINGTIME", "EXECUTEPROGRAM",
                     "EXECUTEFILENAME", "VIEWERFILENAME"}));
    auto notification = settingRows(
        {"EMAILNOTIFY", "EMAILADDRESS", "CCEMAILADDRESS", "EMAILBODY", "PHONECALL", "PHONENUMBER"});
    for (const auto& entry : CompanionSettings()) {
        notification.push_back(&entry);
    }
    addFieldPage("notificationPage", "Notification",
                 "Whom the mailer writes to and whom the dialer calls on an event.", notification);
    addFieldPage("databasePage", "Event database",
                 "Histran can copy the event history into the event database (Vrak.mdb in the "
                 "working directory) each time Vorrak ends, for browsing with manage.",
                 settingRows({"USEACCESS"}));
    addFieldPage("webPagePage", "Web page",
                 "Vorrak can keep a status page (no script, fit for a phone) with the current "
                 "picture and the newest 50 events, for any web server to hand out. Off, or "
                 "the seconds between its refreshes. Empty file: Oculara.html in the working "
                 "directory; its pictures go into a folder beside it.",
                 settingRows({"UPDATEWEBPAGE", "WEBPAGEFILENAME"}));
    addPasswordPage();
}

QWidget* SetupWizard::makeControl(const SettingRow& setting, uint32_t number, const QString& text) {
    QWidget* control = nullptr;
    if (setting.kind == SettingKind::Text) {
        auto* edit = new QLineEdit(text);
        edit->setMaxLength(int(setting.size - 1));
        if (setting.name.ends_with("PASSWORD")) {
            edit->setEchoMode(QLineEdit::Password);
        }
        control = edit;
    } else if (const auto* list = choicesOf(setting.name)) {
        auto* combo = new QComboBox;
        for (const auto& choice : list->choices) {
            combo->addItem(choice.label, choice.value);
        }
        int index = combo->findData(number);
        if (index < 0) {
            // Kept as stored until another is chosen; the page says why it
            // cannot be finished with it.
            combo->addItem(QString("Other (%1)").arg(number), number);
            index = combo->count() - 1;
        }
        combo->setCurrentIndex(index);
        control = combo;
    } else if (isFlag(setting)) {
        auto* box =
            new QCheckBox(QString::fromUtf8(setting.help.data(), qsizetype(setting.help.size())));
        box->setChecked(number == 1);
        control = box;
    } else {
        auto* spin = new QSpinBox;
        // A stored value out of range stays visible (and refused) rather
        // than being silently changed.
        const int shown = int(std::min<uint32_t>(number, INT_MAX));
        spin->setRange(std::min(int(setting.minimum), shown),
                       std::max(int(setting.maximum), shown));
        spin->setValue(shown);
        if (setting.name == "UPDATEWEBPAGE") {
            spin->setSpecialValueText("Off");
        }
        control = spin;
    }
    control->setObjectName(QString::fromUtf8(setting.name.data(), qsizetype(setting.name.size())));
    control->setToolTip(helpOf(setting));
    return control;
}

QWidget* SetupWizard::withChooser(QWidget* control, const char* objectName,
                                  std::function<QString(const QString&)> choose) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(control, 1);
    auto* browse = new QPushButton("Browse...");
    browse->setObjectName(objectName);
    auto* edit = static_cast<QLineEdit*>(control);
    connect(browse, &QPushButton::clicked, this, [edit, choose = std::move(choose)] {
        const QString chosen = choose(edit->text());
        if (!chosen.isEmpty()) {
            edit->setText(chosen);
        }
    });
    line->addWidget(browse);
    return row;
}

QFormLayout* SetupWizard::addFieldPage(const char* objectName, const QString& title,
                                       const QString& text,
                                       const std::vector<const SettingRow*>& fieldSettings) {
    const int id = int(pageFields_.size());
    auto* page = new CheckedPage([this, id] { return pageProblem(id); });
    page->setObjectName(objectName);
    page->setTitle(title);
    page->setSubTitle(text);
    auto* layout = new QVBoxLayout(page);
    auto* fieldArea = new QScrollArea;
    fieldArea->setFrameShape(QFrame::NoFrame);
    fieldArea->setWidgetResizable(true);
    fieldArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* fieldPanel = new QWidget;
    auto* form = new QFormLayout(fieldPanel);
    form->setContentsMargins(0, 0, 0, 0);
    fieldArea->setWidget(fieldPanel);
    layout->addWidget(fieldArea, 1);
    layout->addWidget(page->problemLabel());

    std::vector<Field> fields;
    for (const auto* setting : fieldSettings) {
        const uint32_t number =
            setting->kind == SettingKind::Number ? stored_.number(setting->name) : 0;
        const QString stored = setting->kind == SettingKind::Text
                                   ? QString::fromStdString(stored_.text(setting->name))
                                   : QString();
        QWidget* control = makeControl(*setting, number, stored);
        fields.push_back({setting, control, number});
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            connect(edit, &QLineEdit::textChanged, page, &CheckedPage::refresh);
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            connect(combo, &QComboBox::currentIndexChanged, page, &CheckedPage::refresh);
        } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
            connect(box, &QCheckBox::toggled, page, &CheckedPage::refresh);
        } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
            connect(spin, &QSpinBox::valueChanged, page, &CheckedPage::refresh);
        }
        QWidget* row = control;
        if (setting->rule == vorrak::SettingDefault::Required) {
            row = withChooser(control, "browseWorkingDir", [this](const QString& now) {
                return QFileDialog::getExistingDirectory(this, "Working directory", now);
            });
        } else if (setting->name == "WEBPAGEFILENAME") {
            row = withChooser(control, "browseWebPage", [this](const QString& now) {
                return QFileDialog::getSaveFileName(this, "Web page", now,
                                                    "Web pages (*.html *.htm)", nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
            });
        }
        form->addRow(titleOf(setting->name), row);
        if (!isFlag(*setting)) {
            auto* help = new QLabel(helpOf(*setting));
            help->setWordWrap(true);
            help->setStyleSheet("color: #555555; font-size: small");
            form->addRow(QString(), help);
        }
    }
    pageFields_.push_back(std::move(fields));
    setPage(id, page);
    page->refresh();
    return form;
}

void SetupWizard::addPasswordPage() {
    passwordPage_ = int(pageFields_.size());
    pageFields_.emplace_back();
    auto* page = new CheckedPage([this] { return passwordProblem(); });
    page->setObjectName("passwordPage");
    page->setTitle("Access password");
    page->setSubTitle(
        "Vorrak can ask for a password when it starts and when guard mode is "
        "stopped.");
    auto* layout = new QVBoxLayout(page);
    noPassword_ = new QRadioButton("No password");
    noPassword_->setObjectName("noPassword");
    usePassword_ = new QRadioButton("Ask for this password:");
    usePassword_->setObjectName("usePassword");
    // Only a password the user typed is shown: on a first set-up neither
    // choice is made, so nothing unseen can be stored by pressing on.
    const bool stored = storedAccess_ && storedAccess_->PasswordRequired != 0;
    const QString shown =
        stored ? QString::fromStdString(storedAccess_->AccessPassword) : QString();
    password_ = new QLineEdit(shown);
    password_->setObjectName("password");
    passwordAgain_ = new QLineEdit(shown);
    passwordAgain_->setObjectName("passwordAgain");
    if (storedAccess_) {
        (stored ? usePassword_ : noPassword_)->setChecked(true);
    }
    for (auto* edit : {password_, passwordAgain_}) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setMaxLength(int(vorrak::kMaxPasswordLength));
        edit->setEnabled(usePassword_->isChecked());
        connect(edit, &QLineEdit::textChanged, page, &CheckedPage::refresh);
        connect(usePassword_, &QRadioButton::toggled, edit, &QWidget::setEnabled);
    }
    for (auto* choice : {noPassword_, usePassword_}) {
        connect(choice, &QRadioButton::toggled, page, &CheckedPage::refresh);
    }

    layout->addWidget(noPassword_);
    layout->addWidget(usePassword_);
    auto* form = new QFormLayout;
    form->addRow("Password:", password_);
    form->addRow("Again:", passwordAgain_);
    layout->addLayout(form);
    auto* help = new QLabel(QString("At most %1 characters. It is stored scrambled; a few "
                                    "passwords cannot be stored and are refused.")
                                .arg(vorrak::kMaxPasswordLength));
    help->setWordWrap(true);
    help->setStyleSheet("color: #555555; font-size: small");
    layout->addWidget(help);
    layout->addStretch();
    layout->addWidget(page->problemLabel());
    setPage(passwordPage_, page);
    page->refresh();
}

std::string SetupWizard::passwordProblem() const {
    if (noPassword_->isChecked()) {
        return {};
    }
    if (!usePassword_->isChecked()) {
        return "Choose no password, or a password typed twice.";
    }
    const std::string typed = password_->text().toStdString();
    if (typed.empty()) {
        return "Type the password, or choose no password.";
    }
    if (typed != passwordAgain_->text().toStdString()) {
        return "The two passwords differ.";
    }
    std::string problem = PasswordProblem(typed);
    if (!problem.empty()) {
        problem.front() = char(std::toupper(static_cast<unsigned char>(problem.front())));
        problem += ".";
    }
    return problem;
}

std::string SetupWizard::pageProblem(int page) const {
    if (page < 0 || size_t(page) >= pageFields_.size()) {
        return {};
    }
    if (page == passwordPage_) {
        return passwordProblem();
    }
    if (page == cameraPage_ && camera_ != nullptr) {
        if (auto problem = camera_->problem(); !problem.empty()) {
            return problem + ".";
        }
    }
    for (const auto& field : pageFields_[size_t(page)]) {
        if (field.setting->kind == SettingKind::Number) {
            if (auto problem = NumberProblem(*field.setting, numberOf(field)); !problem.empty()) {
                return problem + ".";
            }
            continue;
        }
        const std::string text = textOf(field);
        if (auto problem = TextProblem(*field.setting, text); !problem.empty()) {
            return problem + ".";
        }
        if (field.setting->rule == vorrak::SettingDefault::Required && !IsWritableFolder(text)) {
            return "the working directory cannot be created or written to.";
        }
    }
    return {};
}

SetupValues SetupWizard::values() const {
    SetupValues values = stored_;
    for (const auto& fields : pageFields_) {
        for (const auto& field : fields) {
            if (field.setting->kind == SettingKind::Number) {
                values.setNumber(field.setting->name, numberOf(field));
            } else {
                values.setText(field.setting->name, textOf(field));
            }
        }
    }
    return values;
}

PasswordChoice SetupWizard::passwordChoice() const {
    const bool stored = storedAccess_ && storedAccess_->PasswordRequired != 0;
    if (noPassword_->isChecked()) {
        return {storedAccess_ && !stored ? PasswordChange::Untouched : PasswordChange::Off, {}};
    }
    if (!usePassword_->isChecked()) {
        return {PasswordChange::Untouched, {}};
    }
    const std::string typed = password_->text().toStdString();
    if (stored && typed == storedAccess_->AccessPassword) {
        return {PasswordChange::Untouched, {}};
    }
    const auto scrambled = vorrak::ScramblePassword(typed);
    return {PasswordChange::Set, scrambled.value_or(std::string())};
}

void SetupWizard::accept() {
    for (int page = 0; page < int(pageFields_.size()); ++page) {
        if (auto problem = pageProblem(page); !problem.empty()) {
            ui_.messageBox(problem, "Oculara Setup Wizard", platform::mb::ICONHAND);
            return;
        }
    }
    // Stored as the command line stores it, so that both ways of setting up
    // give Vorrak's files the same names and no detour folder is created.
    SetupValues chosen = values();
    chosen.setText(resources::kWorkingDirValue,
                   AbsoluteWorkDir(chosen.text(resources::kWorkingDirValue)));
    const std::string& dir = chosen.text(resources::kWorkingDirValue);
    std::string error = SharedWorkDirProblem(platform::defaultRegistryPath(), station_, dir);
    if (!error.empty() || !PrepareWorkingDirectory(dir, &error)) {
        ui_.messageBox(error, "Oculara Setup Wizard", platform::mb::ICONHAND);
        return;
    }
    // The camera first: when its file cannot be written, nothing is.
    if (camera_->changed() && !WriteCameraLocation(vcardFile_, camera_->chosen().location, error)) {
        ui_.messageBox(error, "Oculara Setup Wizard", platform::mb::ICONHAND);
        return;
    }
    if (!WriteSetup(registry_, chosen, passwordChoice())) {
        ui_.messageBox("The settings store cannot be written.", "Oculara Setup Wizard",
                       platform::mb::ICONHAND);
        return;
    }
    QWizard::accept();
}

}  // namespace zelkor::tools
