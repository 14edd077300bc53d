#include "vcard/capture_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace zelkor::vcard {

namespace {
QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName("buttons");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
}  // namespace

bool isCaptureSize(int width, int height) {
    for (const FrameSize& s : kCaptureSizes) {
        if (s.width == width && s.height == height) {
            return true;
        }
    }
    return false;
}

VideoFormatDialog::VideoFormatDialog(FrameSize current, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Video Format");
    auto* form = new QFormLayout(this);
    sizes_ = new QComboBox(this);
    sizes_->setObjectName("imageSize");
    for (const FrameSize& s : kCaptureSizes) {
        sizes_->addItem(QString("%1 x %2").arg(s.width).arg(s.height));
        if (s == current) {
            sizes_->setCurrentIndex(sizes_->count() - 1);
        }
    }
    form->addRow("Image size:", sizes_);
    form->addRow(okCancel(this));
}

FrameSize VideoFormatDialog::chosen() const {
    const int i = sizes_->currentIndex();
    return i < 0 ? FrameSize{} : kCaptureSizes[size_t(i)];
}

VideoCompressionDialog::VideoCompressionDialog(int quality, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Video Compression");
    auto* form = new QFormLayout(this);
    form->addRow("Compressor:", new QLabel("Motion JPEG", this));
    quality_ = new QSpinBox(this);
    quality_->setObjectName("quality");
    quality_->setRange(1, 100);
    quality_->setValue(quality);
    form->addRow("Quality:", quality_);
    form->addRow(okCancel(this));
}

int VideoCompressionDialog::quality() const {
    return quality_->value();
}

}  // namespace zelkor::vcard
