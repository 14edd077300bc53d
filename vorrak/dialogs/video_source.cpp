#include "vorrak/dialogs/video_source.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <array>

#include "vorrak/hardware/picture_controls.h"

namespace zelkor::vorrak {

namespace {

using namespace video_source;

constexpr std::array<ControlTemplate, 21> kControls{{
    {kStaticControlId, ControlKind::GroupBox, "Video Connector", 7, 16, 74, 41},
    {int(connector::Composite), ControlKind::RadioButton, "Composite", 15, 24, 58, 14},
    {int(connector::SVideo), ControlKind::RadioButton, "S Video", 15, 39, 62, 13},
    {kStaticControlId, ControlKind::Text, "Video Standard", 10, 63, 59, 9},
    {kStandardList, ControlKind::DropDownList, "", 7, 75, 70, 56},
    {kStaticControlId, ControlKind::GroupBox, "Color", 93, 16, 149, 98},
    {1305, ControlKind::Text, "Brightness", 101, 28, 40, 8},
    {kBrightnessBar, ControlKind::HorizontalScrollBar, "", 145, 28, 69, 11},
    {kBrightnessValue, ControlKind::Text, "0", 221, 29, 16, 9},
    {1016, ControlKind::Text, "Contrast", 101, 49, 40, 8},
    {kContrastBar, ControlKind::HorizontalScrollBar, "", 145, 48, 69, 11},
    {kContrastValue, ControlKind::Text, "0", 222, 49, 16, 9},
    {1017, ControlKind::Text, "Saturation", 102, 72, 40, 8},
    {kSaturationBar, ControlKind::HorizontalScrollBar, "", 146, 71, 69, 11},
    {kSaturationValue, ControlKind::Text, "0", 222, 73, 16, 9},
    {1019, ControlKind::Text, "Hue", 102, 93, 40, 8},
    {kHueBar, ControlKind::HorizontalScrollBar, "", 146, 92, 69, 11},
    {kHueValue, ControlKind::Text, "0", 222, 93, 16, 9},
    {kOk, ControlKind::DefaultPushButton, "OK", 44, 126, 50, 14},
    {kDefault, ControlKind::PushButton, "Default", 94, 126, 50, 14},
    {kCancel, ControlKind::PushButton, "Cancel", 144, 126, 50, 14},
}};

constexpr DialogTemplate kTemplate{kVideoSourceDialog, "Zelkor Oculara Video Source Setting", 249,
                                   147, kControls};

constexpr std::array<int, 4> kBars{kBrightnessBar, kContrastBar, kSaturationBar, kHueBar};
constexpr std::array<int, 4> kLabels{kBrightnessValue, kContrastValue, kSaturationValue, kHueValue};

// The picture value at `index` (brightness, contrast, saturation, hue) to
// the decoder, scaled as its register takes it.
void writePicture(DecoderBus& bus, int index, uint32_t value) {
    switch (index) {
        case 0:
            SetBrightness(bus, ScaleBrightness(value));
            break;
        case 1:
            SetContrast(bus, ScaleContrast(value));
            break;
        case 2:
            SetSaturation(bus, ScaleSaturation(value));
            break;
        default:
            SetHue(bus, ScaleHue(value));
            break;
    }
}

void writeConnector(DecoderBus& bus, uint32_t value) {
    if (value == connector::SVideo) {
        SelectSVideo(bus);
    } else if (value == connector::Composite) {
        SelectComposite(bus);
    }
}

}  // namespace

uint32_t ScrollPictureValue(uint32_t value, QAbstractSlider::SliderAction action,
                            int thumbPosition) {
    int next = int(std::min(value, kPictureValueMax));
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            next -= 1;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            next += 1;
            break;
        case QAbstractSlider::SliderPageStepSub:
            next -= kPictureScrollRange.page;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            next += kPictureScrollRange.page;
            break;
        case QAbstractSlider::SliderMove:
            next = thumbPosition;
            break;
        default:
            return value;
    }
    return uint32_t(std::clamp(next, 0, int(kPictureValueMax)));
}

const DialogTemplate& VideoSourceTemplate() {
    return kTemplate;
}

VideoSourceDialog::VideoSourceDialog(VideoSourceServices& services, QWidget* owner)
    : s_(services), dialog_(BuildDialog(kTemplate, owner)) {
    const Settings& st = s_.settings;
    w_ = {{st.BRIGHTNESS, st.CONTRAST, st.SATURATION, st.HUE}, st.VIDEOCONNECTOR, st.VIDEOSTANDARD};
    QDialog& d = *dialog_;
    for (int i = 0; i < 4; ++i) {
        auto* bar = qobject_cast<QScrollBar*>(DialogItem(d, kBars[i]));
        bar->setRange(kPictureScrollRange.min, kPictureScrollRange.thumbMax());
        bar->setPageStep(kPictureScrollRange.page);
        bar->setSliderPosition(int(w_.values[i]));
        QObject::connect(bar, &QScrollBar::actionTriggered, &d,
                         [this, i, bar](int action) { scrolled(i, *bar, action); });
        showValue(i, w_.values[i]);
    }
    for (const uint32_t id : {connector::Composite, connector::SVideo}) {
        auto* radio = qobject_cast<QRadioButton*>(DialogItem(d, int(id)));
        radio->setChecked(id == w_.connector);
        QObject::connect(radio, &QRadioButton::clicked, &d, [this, id] { selectConnector(id); });
    }
    auto* list = qobject_cast<QComboBox*>(DialogItem(d, kStandardList));
    for (const VideoStandard& standard : VideoStandards) {
        list->addItem(QString::fromLatin1(standard.name.data(), qsizetype(standard.name.size())));
    }
    list->setCurrentIndex(int(w_.standard));
    QObject::connect(list, &QComboBox::activated, &d, [this](int index) {
        if (index >= 0 && uint32_t(index) != w_.standard) {
            selectStandard(uint32_t(index));
        }
    });
    auto button = [&d](int id) { return qobject_cast<QPushButton*>(DialogItem(d, id)); };
    QObject::connect(button(kOk), &QPushButton::clicked, &d, &QDialog::accept);
    QObject::connect(button(kCancel), &QPushButton::clicked, &d, &QDialog::reject);
    QObject::connect(button(kDefault), &QPushButton::clicked, &d, [this] { defaults(); });
}

VideoSourceDialog::~VideoSourceDialog() = default;

bool VideoSourceDialog::exec() {
    // Escape and the close box end the dialog as Cancel does.
    const bool accepted = dialog_->exec() == QDialog::Accepted;
    if (accepted) {
        ok();
    } else {
        cancel();
    }
    return accepted;
}

void VideoSourceDialog::scrolled(int index, QScrollBar& bar, int action) {
    const uint32_t value = ScrollPictureValue(
        w_.values[index], QAbstractSlider::SliderAction(action), bar.sliderPosition());
    bar.setSliderPosition(int(value));
    showValue(index, value);
    writePicture(s_.bus, index, value);
}

void VideoSourceDialog::showValue(int index, uint32_t value) {
    w_.values[index] = value;
    qobject_cast<QLabel*>(DialogItem(*dialog_, kLabels[index]))->setText(QString::number(value));
}

void VideoSourceDialog::selectConnector(uint32_t value) {
    w_.connector = value;
    writeConnector(s_.bus, value);
}

void VideoSourceDialog::selectStandard(uint32_t standard) {
    w_.standard = standard;
    SelectStandard(s_.bus, standard);
    s_.changeLiveVideoStandard(standard);
}

void VideoSourceDialog::defaults() {
    QDialog& d = *dialog_;
    const std::array<uint32_t, 4> values{kDefaultBrightness, kDefaultContrast, kDefaultSaturation,
                                         kDefaultHue};
    for (int i = 0; i < 4; ++i) {
        // Moving the thumb would report a scroll that shows and writes the
        // value too; it is shown and written once, below, even when the
        // thumb is already there.
        auto* bar = qobject_cast<QScrollBar*>(DialogItem(d, kBars[i]));
        const QSignalBlocker quiet(bar);
        bar->setSliderPosition(int(values[i]));
        showValue(i, values[i]);
        writePicture(s_.bus, i, values[i]);
    }
    qobject_cast<QRadioButton*>(DialogItem(d, int(connector::Composite)))->setChecked(true);
    selectConnector(connector::Composite);
    qobject_cast<QComboBox*>(DialogItem(d, kStandardList))->setCurrentIndex(0);
    selectStandard(0);
}

void VideoSourceDialog::ok() {
    Settings& st = s_.settings;
    st.BRIGHTNESS = w_.values[0];
    st.CONTRAST = w_.values[1];
    st.SATURATION = w_.values[2];
    st.HUE = w_.values[3];
    st.VIDEOCONNECTOR = w_.connector;
    st.VIDEOSTANDARD = w_.standard;
    if (s_.capture.CaptureState == kCaptureConnected) {
        s_.capture.FrameWidth = kFrameWidth;
        s_.capture.FrameHeight = FrameHeightOf(w_.standard);
        // Twice, as after every frame size change: the first resize alone
        // can leave the window's frame drawn for the old size.
        s_.mainWindow.resizeClient(s_.capture.FrameWidth, s_.capture.FrameHeight);
        s_.mainWindow.resizeClient(s_.capture.FrameWidth, s_.capture.FrameHeight);
    }
}

void VideoSourceDialog::cancel() {
    const Settings& st = s_.settings;
    const std::array<uint32_t, 4> stored{st.BRIGHTNESS, st.CONTRAST, st.SATURATION, st.HUE};
    for (int i = 0; i < 4; ++i) {
        writePicture(s_.bus, i, stored[i]);
    }
    writeConnector(s_.bus, st.VIDEOCONNECTOR);
    if (st.VIDEOSTANDARD != w_.standard) {
        SelectStandard(s_.bus, st.VIDEOSTANDARD);
        s_.changeLiveVideoStandard(st.VIDEOSTANDARD);
    }
}

}  // namespace zelkor::vorrak
