#pragma once
// The wizard's choice of camera: the built-in scene, a video file, a
// camera's network address or a video device, with a Test button that
// shows the camera's first picture, or why there is none.

#include <QElapsedTimer>
#include <QGroupBox>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "tools/vraksetup/camera_choice.h"
#include "tools/vraksetup/source_probe.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelkor::tools {

class CameraPanel : public QGroupBox {
  public:
    // How long Test waits for a first picture.
    static constexpr uint32_t TestWaitMs = 5000;

    // `stored`: the source location the card configuration holds now.
    // `changed` is called whenever the choice changes.
    CameraPanel(const std::string& stored, std::function<void()> changed);

    // The chosen camera as a source location, or why it cannot be used.
    CameraSource chosen() const;
    // Whether the user changed the choice: only then is it set up, so that
    // a configuration the page cannot show (or a file since gone) stays.
    bool changed() const;
    // What keeps the choice from being set up, or empty.
    std::string problem() const;

  private:
    void showStored(const std::string& stored);
    // The choice as shown: which button, and its text.
    std::string choiceShown() const;
    void startTest();
    void showOutcome();

    std::string stored_;
    std::string initialChoice_;
    QRadioButton* scene_ = nullptr;
    QRadioButton* file_ = nullptr;
    QRadioButton* address_ = nullptr;
    QRadioButton* device_ = nullptr;
    QComboBox* sceneName_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QLineEdit* addressText_ = nullptr;
    QComboBox* deviceName_ = nullptr;
    QPushButton* test_ = nullptr;
    QLabel* testResult_ = nullptr;
    QTimer testTimer_;
    QElapsedTimer testStarted_;
    std::unique_ptr<SourceProbe> probe_;
};

}  // namespace zelkor::tools
