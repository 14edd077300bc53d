#pragma once
// What FFmpeg reads for a stream: source, one step at a time and without
// threads of its own: an opened input with its video decoder, and the
// picture a consumer is shown. The source's reading thread, the fuzz target
// and the benchmark all drive these.

#include <atomic>
#include <cstdint>
#include <string>

#include "vcard/picture.h"
#include "vcard/scale.h"

struct AVCodecContext;
struct AVCodecParameters;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace zelkor::vcard {

struct StreamOptions {
    std::string url;                    // a file's path or SCHEME://... (see parseStreamAddress)
    bool rtspUdp = false;               // RTSP over UDP instead of TCP
    bool loop = true;                   // a file starts again at its end
    int timeoutMs = 5000;               // the longest any read may wait for data
    int64_t maxPixels = 7680LL * 4320;  // a picture larger than 8K is broken
    // FFmpeg's decoding threads: 0 as many as the machine has cores, 1 none.
    int decoderThreads = 0;
};

// Silences FFmpeg's own log (its level can be raised with av_log_set_level;
// what it then writes passes through maskCredentials) and readies its
// network. Called by everything here; once is enough.
void prepareFfmpeg();

// One opened input. Every blocking call FFmpeg makes for it (connecting,
// reading, closing) gives up once `quit` is set or when it has waited the
// options' timeout.
class StreamConnection {
  public:
    explicit StreamConnection(const std::atomic<bool>* quit = nullptr);
    ~StreamConnection();
    StreamConnection(const StreamConnection&) = delete;
    StreamConnection& operator=(const StreamConnection&) = delete;

    // Opens the input and its best video stream's decoder; false with a
    // reason (for a message: it never holds the address).
    bool open(const StreamOptions& options, std::string& why);

    enum class Got {
        Frame,   // a decoded picture in frame()
        Packet,  // a coded picture in packet(), to be decoded when shown
        End,     // the input ended
        Error,   // the input failed or went quiet (the reason is given)
    };
    // Reads on to the next picture. Pictures of codecs that code each one
    // on its own (Motion-JPEG) come as packets once the first has decoded;
    // the others are decoded here, as their pictures build on each other.
    Got next(std::string& why);
    // The picture's presentation time in microseconds, or INT64_MIN.
    int64_t presentationUs() const { return presentationUs_; }
    AVFrame* frame() { return frame_; }
    AVPacket* packet() { return packet_; }
    // The video stream's coding, for decoding its packets elsewhere.
    const AVCodecParameters* parameters() const;

    // Back to the start of a file; false when it cannot seek.
    bool rewind();

    bool isLocal() const { return local_; }
    // A camera's live stream (nothing to pace: it comes in real time), as
    // opposed to a file or a recording with a known length.
    bool isLive() const { return live_; }
    // The time between pictures the stream announces, in microseconds.
    int64_t frameIntervalUs() const { return frameIntervalUs_; }

  private:
    static int interrupted(void* self);
    void armDeadline(int ms);
    std::string reasonOf(int code) const;
    void close();

    const std::atomic<bool>* quit_;
    std::atomic<int64_t> deadlineMs_{0};
    std::atomic<bool> timedOut_{false};
    int timeoutMs_ = 5000;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int stream_ = -1;
    bool intraOnly_ = false;
    bool checked_ = false;   // an intra-only stream's first picture decoded
    bool draining_ = false;  // the input ended; the decoder gives what it holds
    int badPackets_ = 0;     // in a row that did not decode
    bool local_ = false;
    bool live_ = false;
    int64_t presentationUs_ = INT64_MIN;
    int64_t frameIntervalUs_ = 40000;
};

// The picture shown: the newest decoded frame, kept as decoded and turned
// into samples only when they are asked for, or a coded picture, decoded
// when it is taken.
class StreamPicture {
  public:
    StreamPicture();
    ~StreamPicture();
    StreamPicture(const StreamPicture&) = delete;
    StreamPicture& operator=(const StreamPicture&) = delete;

    // Shows `frame` (its reference is moved here).
    void takeFrame(AVFrame* frame);
    // Decodes `packet` (its reference is moved here), coded as `parameters`
    // say, and shows it; a packet that does not decode leaves the picture
    // as it was. `generation` changes whenever the parameters may have.
    void takePacket(AVPacket* packet, const AVCodecParameters* parameters, uint64_t generation);
    bool hasPicture() const;
    void clear();
    // The samples `at` picks from the picture stretched to at.fullWidth x
    // at.fullHeight, into `out` (sized here); black without a picture.
    void sample(const Sampling& at, Picture& out);

  private:
    bool openDecoder(const AVCodecParameters* parameters);

    AVFrame* frame_ = nullptr;
    AVFrame* decoded_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    uint64_t generation_ = 0;
    bool haveDecoder_ = false;
    // Frames in a layout the sampler does not read are converted to
    // 4:2:2 once, when first sampled.
    SwsContext* converter_ = nullptr;
    Picture converted_;
    bool convertedCurrent_ = false;
};

}  // namespace zelkor::vcard
