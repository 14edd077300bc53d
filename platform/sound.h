#pragma once
// Warning sounds and beeps.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace zelkor::platform {

class Sound {
  public:
    virtual ~Sound() = default;
    // Plays a RIFF WAVE image (PCM) from memory, once, without waiting; a
    // new sound replaces one in progress. False when it cannot be played.
    virtual bool playWave(std::span<const uint8_t> wave) = 0;
    // Stops a sound in progress (playing "nothing").
    virtual void stop() = 0;
    // A tone of `frequencyHz` for `durationMs`.
    virtual void beep(uint32_t frequencyHz, uint32_t durationMs) = 0;
    // The short default alert sound.
    virtual void messageBeep() = 0;
};

// ALSA's `device` ("default": the desktop's sound output); a machine
// without one plays nothing. Sounds play on a worker thread of their own.
std::unique_ptr<Sound> makeSound(std::string device = "default");

}  // namespace zelkor::platform
