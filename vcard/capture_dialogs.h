#pragma once
// The capture driver's own dialogs. Their controls carry object names so
// scripts (and tests) can find them.

#include <QDialog>

#include <array>

class QComboBox;
class QSpinBox;

namespace zelkor::vcard {

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

// The sizes the card captures at.
constexpr std::array<FrameSize, 9> kCaptureSizes{{{160, 120},
                                                  {176, 144},
                                                  {320, 240},
                                                  {352, 240},
                                                  {352, 288},
                                                  {640, 480},
                                                  {704, 480},
                                                  {720, 480},
                                                  {720, 576}}};

bool isCaptureSize(int width, int height);

// "Video Format": the image size, as a list named "imageSize".
class VideoFormatDialog : public QDialog {
  public:
    VideoFormatDialog(FrameSize current, QWidget* parent);
    FrameSize chosen() const;

  private:
    QComboBox* sizes_;
};

// "Video Compression": the clip codec's quality, a box named "quality".
class VideoCompressionDialog : public QDialog {
  public:
    VideoCompressionDialog(int quality, QWidget* parent);
    int quality() const;

  private:
    QSpinBox* quality_;
};

}  // namespace zelkor::vcard
