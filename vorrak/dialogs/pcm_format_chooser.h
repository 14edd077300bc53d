#pragma once
// The audio format chooser of the recording: the uncompressed formats the
// card's capture driver can record, one of which the user picks from a
// list.

#include <array>
#include <cstdint>
#include <string>

#include "formats/wave_format.h"
#include "vorrak/dialogs/capture_settings.h"

namespace zelkor::vorrak {

constexpr int kAudioFormatDialog = 176;
constexpr int kAudioFormatList = 1320;

// 8000, 11025, 22050 and 44100 samples a second; 8 or 16 bits; mono or
// stereo.
constexpr size_t kPcmFormatCount = 16;
const std::array<formats::WaveFormatRecord, kPcmFormatCount>& PcmFormats();
// "22050 Hz, 16 Bit, Stereo".
std::string PcmFormatName(const formats::WaveFormatRecord& format);

const DialogTemplate& AudioFormatTemplate();

class PcmFormatChooser : public AudioFormatChooser {
  public:
    size_t maxFormatSize() const override { return formats::WaveFormatRecordSize; }
    // The list starts at the format given when it is one of the table's.
    bool choose(QWidget* owner, std::span<uint8_t> format) override;
};

}  // namespace zelkor::vorrak
