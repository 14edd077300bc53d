#pragma once
// The Capture Video Settings dialog and its Advanced dialog: the frame
// rate and sound of the clips, the file they are written to, and the
// capture driver's own format, compression and audio-format choosers with
// the play-back option.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/ui.h"
#include "vorrak/capture/capture.h"
#include "vorrak/config/settings.h"
#include "vorrak/dialogs/dialog_template.h"

namespace zelkor::vorrak {

constexpr int kCaptureSettingsDialog = 112;
constexpr int kCaptureAdvancedDialog = 174;

namespace capture_settings {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kFrameRate = 1190;
constexpr int kFrameRateUpDown = 1191;
constexpr int kCaptureAudio = 1194;
constexpr int kFreeSpace = 1200;
constexpr int kFilePath = 1045;
constexpr int kRename = 1044;
constexpr int kAdvanced = 1040;
// Dialog 174.
constexpr int kVideoFormat = 1256;
constexpr int kCompression = 1252;
constexpr int kAudioFormat = 1253;
constexpr int kPlayback = 1257;
constexpr int kAdvancedOk = 1251;
constexpr int kAdvancedCancel = 1250;
}  // namespace capture_settings

// The save-file dialog through which "Rename" asks for a clip's name.
class SaveFileDialog {
  public:
    virtual ~SaveFileDialog() = default;
    // The name the user accepts, the dialog opening with `name`; nothing
    // when the user cancels.
    virtual std::optional<std::string> ask(QWidget* owner, const std::string& name) = 0;
};

// The file dialog of the desktop, for Video for Windows files: a name
// typed without an extension gets ".avi".
class AviSaveFileDialog : public SaveFileDialog {
  public:
    std::optional<std::string> ask(QWidget* owner, const std::string& name) override;
};

// The chooser of the recording's audio format.
class AudioFormatChooser {
  public:
    virtual ~AudioFormatChooser() = default;
    // The largest wave format record a choice can fill in.
    virtual size_t maxFormatSize() const = 0;
    // Lets the user choose, starting from the record in `format`, and
    // writes the choice there; false when the user cancels.
    virtual bool choose(QWidget* owner, std::span<uint8_t> format) = 0;
};

// A name for the clip: asked until the user accepts one ending in ".avi"
// (any case) that fits the capture path, each refusal told in a box.
// Nothing when the user cancels.
std::optional<std::string> AskAviFileName(SaveFileDialog& files, platform::Ui& ui, QWidget* owner,
                                          const std::string& current);

struct CaptureDialogServices {
    Settings& settings;
    RunOptions& options;
    Capture& capture;
    // Message boxes, free disk space, the main window's resize, and the
    // capture driver's format dialog.
    CaptureServices& captureServices;
    SaveFileDialog& files;
    AudioFormatChooser& audioFormats;
};

const DialogTemplate& CaptureSettingsTemplate();
const DialogTemplate& CaptureAdvancedTemplate();

// Dialog 112, modal over its owner.
class CaptureSettingsDialog {
  public:
    CaptureSettingsDialog(CaptureDialogServices& services, QWidget* owner);
    ~CaptureSettingsDialog();

    // Runs the dialog until OK, Cancel or the close box; true for OK.
    bool exec();
    QDialog& dialog() { return *dialog_; }

  private:
    void showPath(const std::string& path);
    void rename();
    void advanced();
    void ok();

    CaptureDialogServices& s_;
    std::unique_ptr<QDialog> dialog_;
};

// Dialog 174, modal over its owner: Escape does nothing, the close box
// cancels.
class CaptureAdvancedDialog {
  public:
    CaptureAdvancedDialog(CaptureDialogServices& services, QWidget* owner);

    void exec();
    QDialog& dialog() { return *dialog_; }

  private:
    void chooseAudioFormat();

    CaptureDialogServices& s_;
    std::unique_ptr<QDialog> dialog_;
};

}  // namespace zelkor::vorrak
