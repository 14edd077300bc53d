#pragma once
// The setup wizard: a page per group of settings, started from what the
// store holds, written in one store write on Finish. Every control carries
// the name of the value it sets as its object name.

#include <QWizard>
#include <functional>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/ui.h"
#include "tools/vraksetup/setup_values.h"
#include "vorrak/config/settings.h"

class QFormLayout;
class QLineEdit;
class QRadioButton;

namespace zelkor::tools {

class CameraPanel;

class SetupWizard : public QWizard {
  public:
    // The control of one value and what it showed at the start.
    struct Field {
        const vorrak::SettingRow* setting = nullptr;
        QWidget* widget = nullptr;
        uint32_t initial = 0;
    };

    // `vcardFile`: the card configuration whose camera the camera page sets;
    // `station`: the station set up (empty: the default one).
    SetupWizard(platform::Registry& registry, platform::Ui& ui, std::string vcardFile,
                std::string station = {}, QWidget* parent = nullptr);

    // The values as the pages show them now.
    SetupValues values() const;
    // What the password page asks for: Untouched while it shows what the
    // store holds, or while no choice is made.
    PasswordChoice passwordChoice() const;

    // What keeps the fields of `page` from being accepted, or empty.
    std::string pageProblem(int page) const;

    // Finish: makes the working directory and writes the store; a failure is
    // shown and the wizard stays open.
    void accept() override;

  private:
    // The page's form, for rows of other kinds.
    QFormLayout* addFieldPage(const char* objectName, const QString& title, const QString& text,
                              const std::vector<const vorrak::SettingRow*>& settingRows);
    void addPasswordPage();
    QWidget* makeControl(const vorrak::SettingRow& setting, uint32_t number, const QString& text);
    // `control` (a line edit) with a Browse... button that fills it with
    // what `choose` returns for its text; nothing chosen leaves it.
    QWidget* withChooser(QWidget* control, const char* objectName,
                         std::function<QString(const QString&)> choose);
    std::string passwordProblem() const;

    platform::Registry& registry_;
    platform::Ui& ui_;
    std::string vcardFile_;
    std::string station_;
    SetupValues stored_;
    std::vector<std::vector<Field>> pageFields_;  // by page id
    int passwordPage_ = -1;
    int cameraPage_ = -1;
    CameraPanel* camera_ = nullptr;
    QRadioButton* noPassword_ = nullptr;
    QRadioButton* usePassword_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* passwordAgain_ = nullptr;
    // The password set-up an earlier run stored; nothing while Vorrak would
    // fall back to its built-in password, which the user has never seen.
    std::optional<vorrak::AccessControl> storedAccess_;
};

// Whether a folder that may not exist yet can be made and written to: the
// folder itself, or else its nearest existing parent.
bool IsWritableFolder(const std::string& dir);

}  // namespace zelkor::tools
