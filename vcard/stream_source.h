#pragma once
// A stream: source: an IP camera (RTSP, HTTP Motion-JPEG, HLS) or a video
// file, whatever FFmpeg reads. A thread of its own reads and decodes and
// keeps only the newest picture in a locked slot; a picture is turned into
// samples only when the card asks for one. A stream that fails, ends or
// sends nothing for the timeout is no signal, and is tried again after 1,
// 2, 4 ... (at most 30) seconds, so the signal comes back by itself. A file
// plays at its own pace and starts again at its end, or, told not to loop,
// ends in no signal.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "vcard/source.h"
#include "vcard/stream_input.h"

struct AVPacket;
struct AVCodecParameters;

namespace zelkor::vcard {

class StreamSource : public VideoSource {
  public:
    // Where the source says that the signal is lost ("stream rtsp://***@cam
    // /live: no signal (Connection refused)", once for each loss) and back;
    // stderr when none is given. Never given a login.
    using Note = std::function<void(const std::string&)>;

    // Starts reading; never fails (what cannot be read is no signal).
    StreamSource(StreamOptions options, int fieldRate, Note note = {});
    // Ends within about a second whatever the stream does: every wait of
    // FFmpeg's gives up, and a reading thread stuck where it cannot (a
    // name lookup) is left to end on its own.
    ~StreamSource() override;
    StreamSource(const StreamSource&) = delete;
    StreamSource& operator=(const StreamSource&) = delete;

    // The source a configuration's stream:URL names. A file that is not
    // there or is no regular file is refused, as for y4m:.
    static std::unique_ptr<StreamSource> open(const SourceConfig& config, std::string& error);

    void render(uint64_t fieldIndex, Picture& out) override;
    void renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out) override;
    bool hasPicture() const override;
    // A file it plays, under any of its names, whatever it has been
    // replaced by since.
    bool readsFile(const FileId& file) const override;

    // The line a note gives, with any login hidden.
    static std::string lossNote(const std::string& url, const std::string& reason);
    static std::string returnNote(const std::string& url);

  private:
    struct Shared;
    static void run(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    // The reader's side.
    StreamPicture picture_;
    uint64_t taken_ = 0;
    uint64_t generation_ = 0;
    AVPacket* packet_ = nullptr;
    AVCodecParameters* parameters_ = nullptr;
    std::string localPath_;  // a file's, else empty
    std::optional<FileId> file_;
};

}  // namespace zelkor::vcard
