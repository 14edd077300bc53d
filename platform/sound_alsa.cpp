#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numbers>
#include <optional>
#include <thread>
#include <vector>

#include "formats/byte_order.h"
#include "platform/sound.h"
#include "platform/wave.h"

namespace zelkor::platform {

namespace {

constexpr unsigned LatencyUs = 100000;
constexpr uint32_t ToneRate = 44100;
constexpr double ToneLevel = 0.3 * 32767;
constexpr uint32_t ToneFadeFrames = ToneRate / 200;  // 5 ms against clicks
// The tones a beep can make; callers that ask for others get a refusal, the
// same answer on every machine, rather than a tone some devices cannot play.
constexpr uint32_t MinimumToneHz = 37;
constexpr uint32_t MaximumToneHz = 32767;
constexpr uint32_t MaximumToneMs = 60000;
constexpr uint32_t MessageBeepHz = 880;
constexpr uint32_t MessageBeepMs = 150;

// ALSA reports every failure to stderr unless told otherwise; a machine with
// no sound device should stay quiet.
void silentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

struct Playback {
    WaveFormat format;
    std::vector<uint8_t> samples;
};

std::vector<uint8_t> sineTone(uint32_t frequencyHz, uint32_t durationMs) {
    const size_t frames = size_t(ToneRate) * durationMs / 1000;
    std::vector<uint8_t> out;
    out.reserve(frames * 2);
    const double step = 2 * std::numbers::pi * frequencyHz / ToneRate;
    for (size_t i = 0; i < frames; ++i) {
        const size_t edge = std::min(i, frames - 1 - i);
        const double fade = edge < ToneFadeFrames ? double(edge) / ToneFadeFrames : 1.0;
        const auto v = int16_t(std::lround(std::sin(step * double(i)) * ToneLevel * fade));
        formats::appendLe16(out, uint16_t(v));
    }
    return out;
}

// Every ALSA call happens on the worker. A play request is answered once the
// device is open (or could not be), then the worker writes the sound in small
// pieces, checking between them whether it was stopped or replaced.
class AlsaSound : public Sound {
  public:
    explicit AlsaSound(std::string device) : device_(std::move(device)) {
        worker_ = std::thread([this] { run(); });
    }
    ~AlsaSound() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            ++generation_;
        }
        wake_.notify_all();
        worker_.join();
    }

    bool playWave(std::span<const uint8_t> wave) override {
        const auto image = parseWave(wave);
        if (!image) {
            return false;
        }
        return submit({image->format, {image->samples.begin(), image->samples.end()}});
    }

    void stop() override {
        {
            std::lock_guard lock(mutex_);
            if (pending_) {
                // A play not yet taken up is refused, so its caller never waits
                // for an answer that will not come.
                pending_.reset();
                answeredGeneration_ = generation_;
                answer_ = false;
            }
            ++generation_;
        }
        answered_.notify_all();
        wake_.notify_all();
    }

    void beep(uint32_t frequencyHz, uint32_t durationMs) override {
        if (frequencyHz < MinimumToneHz || frequencyHz > MaximumToneHz || durationMs == 0) {
            return;
        }
        // Tones beyond what the rate can carry are inaudible anyway.
        if (frequencyHz >= ToneRate / 2) {
            return;
        }
        submit({WaveFormat{1, ToneRate, 16},
                sineTone(frequencyHz, std::min(durationMs, MaximumToneMs))});
    }

    void messageBeep() override { beep(MessageBeepHz, MessageBeepMs); }

  private:
    bool submit(Playback playback) {
        std::unique_lock lock(mutex_);
        const uint64_t mine = ++generation_;
        pending_ = std::move(playback);
        wake_.notify_all();
        answered_.wait(lock, [&] { return answeredGeneration_ >= mine; });
        return answeredGeneration_ == mine && answer_;
    }

    void answer(uint64_t generation, bool ok) {
        {
            std::lock_guard lock(mutex_);
            if (generation >= answeredGeneration_) {
                answeredGeneration_ = generation;
                answer_ = ok;
            }
        }
        answered_.notify_all();
    }

    bool current(uint64_t generation) {
        std::lock_guard lock(mutex_);
        return generation_ == generation && !quit_;
    }

    snd_pcm_t* openDevice(const WaveFormat& format) {
        snd_pcm_t* pcm = nullptr;
        // Opened without waiting, so a busy device fails instead of hanging;
        // writes then block to pace the worker.
        if (snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            return nullptr;
        }
        const snd_pcm_format_t sampleFormat =
            format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
        if (snd_pcm_nonblock(pcm, 0) < 0 ||
            snd_pcm_set_params(pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                               format.sampleRate, 1, LatencyUs) < 0) {
            snd_pcm_close(pcm);
            return nullptr;
        }
        return pcm;
    }

    // True when the whole sound went out, false when it was cut short.
    bool write(snd_pcm_t* pcm, const Playback& playback, uint64_t generation) {
        const size_t frameBytes = playback.format.frameBytes();
        const size_t chunkFrames = std::max<size_t>(playback.format.sampleRate / 50, 1);
        const size_t totalFrames = playback.samples.size() / frameBytes;
        size_t done = 0;
        while (done < totalFrames) {
            if (!current(generation)) {
                return false;
            }
            const size_t count = std::min(chunkFrames, totalFrames - done);
            const snd_pcm_sframes_t n =
                snd_pcm_writei(pcm, playback.samples.data() + done * frameBytes, count);
            if (n < 0) {
                if (snd_pcm_recover(pcm, int(n), 1) < 0) {
                    return false;
                }
                continue;
            }
            done += size_t(n);
        }
        return true;
    }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return quit_ || pending_.has_value(); });
            if (quit_) {
                return;
            }
            const Playback playback = std::move(*pending_);
            pending_.reset();
            const uint64_t generation = generation_;
            lock.unlock();

            snd_pcm_t* pcm = openDevice(playback.format);
            answer(generation, pcm != nullptr);
            if (pcm != nullptr) {
                if (write(pcm, playback, generation)) {
                    snd_pcm_drain(pcm);
                } else {
                    snd_pcm_drop(pcm);
                }
                snd_pcm_close(pcm);
            }
            lock.lock();
        }
    }

    std::string device_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable answered_;
    std::optional<Playback> pending_;
    uint64_t generation_ = 0;
    uint64_t answeredGeneration_ = 0;
    bool answer_ = false;
    bool quit_ = false;
    std::thread worker_;  // last: starts once everything above exists
};

}  // namespace

std::unique_ptr<Sound> makeSound(std::string device) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(silentAlsaErrors); });
    return std::make_unique<AlsaSound>(std::move(device));
}

}  // namespace zelkor::platform
