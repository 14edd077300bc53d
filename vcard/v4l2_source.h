#pragma once
// A V4L2 camera: YUYV or MJPEG frames read on a worker thread into a locked
// latest-frame slot as the camera sent them, and converted only when a
// picture is asked for. A camera that cannot be opened or goes away shows
// black.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "vcard/source.h"

namespace zelkor::vcard {

class V4l2Source : public VideoSource {
  public:
    V4l2Source(std::string device, int fieldRate);
    ~V4l2Source() override;
    void render(uint64_t fieldIndex, Picture& out) override;
    void renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out) override;
    // A camera that could not be opened or streamed (a missing device, a
    // file that is no camera) or that has gone away is no signal.
    bool hasPicture() const override { return streaming_; }
    bool readsFile(const FileId& file) const override { return device_ && file == *device_; }

    // Whether frames are arriving (false once the camera is gone).
    bool streaming() const { return streaming_; }

  private:
    bool start();
    void run();
    void stop();

    std::string path_;
    std::optional<FileId> device_;  // while open
    int fd_ = -1;
    uint32_t pixelFormat_ = 0;
    int width_ = 0;
    int height_ = 0;
    struct Buffer {
        void* data = nullptr;
        size_t length = 0;
    };
    std::vector<Buffer> buffers_;
    std::thread worker_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> streaming_{false};
    std::mutex lock_;
    std::vector<uint8_t> latestRaw_;  // the newest frame as sent, guarded by lock_
    uint64_t rawCount_ = 0;           // frames sent, guarded by lock_
    // The reader's side: the frame being converted, and the picture.
    std::vector<uint8_t> converting_;
    uint64_t convertedCount_ = 0;
    Picture latest_;
    Picture decoded_;  // a JPEG is decoded here, so a broken one spoils nothing
    bool haveFrame_ = false;
};

// Decodes a JPEG into a 4:2:2 picture of the JPEG's size; false if broken.
bool decodeJpeg(const uint8_t* data, size_t size, Picture& out);
// Unpacks YUYV into a 4:2:2 picture of the given size.
void unpackYuyv(const uint8_t* data, size_t size, int width, int height, Picture& out);

}  // namespace zelkor::vcard
