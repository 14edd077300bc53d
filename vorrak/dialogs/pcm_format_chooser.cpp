#include "vorrak/dialogs/pcm_format_chooser.h"

#include <QComboBox>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

namespace zelkor::vorrak {

namespace {

constexpr std::array<ControlTemplate, 4> kControls{{
    {kStaticControlId, ControlKind::Text, "Attributes:", 7, 9, 40, 8},
    {kAudioFormatList, ControlKind::DropDownList, "", 50, 7, 110, 80},
    {1, ControlKind::DefaultPushButton, "OK", 56, 28, 50, 14},
    {2, ControlKind::PushButton, "Cancel", 110, 28, 50, 14},
}};

constexpr DialogTemplate kTemplate{kAudioFormatDialog, "Sound Selection", 167, 49, kControls};

constexpr formats::WaveFormatRecord pcm(uint32_t rate, uint16_t bits, uint16_t channels) {
    const auto align = uint16_t(channels * bits / 8);
    return {formats::WaveFormatPcm, channels, rate, rate * align, align, bits};
}

constexpr std::array<formats::WaveFormatRecord, kPcmFormatCount> kFormats{{
    pcm(8000, 8, 1),
    pcm(8000, 8, 2),
    pcm(8000, 16, 1),
    pcm(8000, 16, 2),
    pcm(11025, 8, 1),
    pcm(11025, 8, 2),
    pcm(11025, 16, 1),
    pcm(11025, 16, 2),
    pcm(22050, 8, 1),
    pcm(22050, 8, 2),
    pcm(22050, 16, 1),
    pcm(22050, 16, 2),
    pcm(44100, 8, 1),
    pcm(44100, 8, 2),
    pcm(44100, 16, 1),
    pcm(44100, 16, 2),
}};

}  // namespace

const std::array<formats::WaveFormatRecord, kPcmFormatCount>& PcmFormats() {
    return kFormats;
}

std::string PcmFormatName(const formats::WaveFormatRecord& f) {
    char text[48];
    std::snprintf(text, sizeof text, "%u Hz, %u Bit, %s", unsigned(f.samplesPerSec),
                  unsigned(f.bitsPerSample), f.channels == 1 ? "Mono" : "Stereo");
    return text;
}

const DialogTemplate& AudioFormatTemplate() {
    return kTemplate;
}

bool PcmFormatChooser::choose(QWidget* owner, std::span<uint8_t> format) {
    if (format.size() < formats::WaveFormatRecordSize) {
        return false;
    }
    const auto dialog = BuildDialog(kTemplate, owner);
    auto* list = qobject_cast<QComboBox*>(DialogItem(*dialog, kAudioFormatList));
    for (const formats::WaveFormatRecord& f : kFormats) {
        list->addItem(QString::fromLatin1(PcmFormatName(f)));
    }
    if (const auto current = formats::decodeWaveFormat(format)) {
        const auto* found = std::find(kFormats.begin(), kFormats.end(), *current);
        if (found != kFormats.end()) {
            list->setCurrentIndex(int(found - kFormats.begin()));
        }
    }
    QObject::connect(qobject_cast<QPushButton*>(DialogItem(*dialog, 1)), &QPushButton::clicked,
                     dialog.get(), &QDialog::accept);
    QObject::connect(qobject_cast<QPushButton*>(DialogItem(*dialog, 2)), &QPushButton::clicked,
                     dialog.get(), &QDialog::reject);
    if (dialog->exec() != QDialog::Accepted) {
        return false;
    }
    const std::vector<uint8_t> chosen =
        formats::encodeWaveFormat(kFormats[size_t(list->currentIndex())]);
    std::fill(format.begin(), format.end(), uint8_t(0));
    std::copy(chosen.begin(), chosen.end(), format.begin());
    return true;
}

}  // namespace zelkor::vorrak
