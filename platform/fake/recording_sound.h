#pragma once
// Sound for tests: records every request instead of playing it. A wave is
// accepted when the real device would accept it (a well-formed PCM image),
// unless the test makes every play fail.

#include <cstdint>
#include <vector>

#include "platform/sound.h"
#include "platform/wave.h"

namespace zelkor::platform {

struct SoundRequest {
    enum class Kind { Play, Stop, Beep, MessageBeep };
    Kind kind = Kind::Play;
    std::vector<uint8_t> wave;  // Play: the image as passed
    uint32_t frequencyHz = 0;   // Beep
    uint32_t durationMs = 0;    // Beep
};

class RecordingSound : public Sound {
  public:
    std::vector<SoundRequest> requests;
    bool failPlays = false;  // as a machine without a sound device

    bool playWave(std::span<const uint8_t> wave) override {
        requests.push_back({SoundRequest::Kind::Play, {wave.begin(), wave.end()}, 0, 0});
        return !failPlays && parseWave(wave).has_value();
    }
    void stop() override { requests.push_back({SoundRequest::Kind::Stop, {}, 0, 0}); }
    void beep(uint32_t frequencyHz, uint32_t durationMs) override {
        requests.push_back({SoundRequest::Kind::Beep, {}, frequencyHz, durationMs});
    }
    void messageBeep() override { requests.push_back({SoundRequest::Kind::MessageBeep, {}, 0, 0}); }

    size_t count(SoundRequest::Kind kind) const {
        size_t n = 0;
        for (const auto& r : requests) {
            n += r.kind == kind ? 1 : 0;
        }
        return n;
    }
};

}  // namespace zelkor::platform
