#include "vcard/stream_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "vcard/stream_address.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zelkor::vcard {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr seconds kFirstRetry{1};
constexpr seconds kLongestRetry{30};
// How long the destructor waits for the reading thread before leaving it
// to end by itself.
constexpr milliseconds kStopWait{900};
// A longer gap between two pictures of a file is not waited out.
constexpr int64_t kLongestGapUs = 5000000;

int64_t nowMs() {
    return std::chrono::duration_cast<milliseconds>(Clock::now().time_since_epoch()).count();
}

// When each picture of a file is due, from its presentation times: the
// first at once, the others as far apart as their times are. A jump back
// (the file started again), a long gap or falling behind by more than a
// second starts the count afresh.
class Pacer {
  public:
    explicit Pacer(int64_t intervalUs) : intervalUs_(intervalUs) {}

    Clock::time_point due(int64_t us, Clock::time_point now) {
        if (us == INT64_MIN) {
            us = started_ ? lastUs_ + intervalUs_ : 0;
        }
        if (!started_) {
            rebase(us, now);
        } else if (restart_ || us < lastUs_ || us - lastUs_ > kLongestGapUs) {
            rebase(us, std::max(now, lastDue_ + microseconds(intervalUs_)));
        } else if (us > lastUs_) {
            intervalUs_ = us - lastUs_;
        }
        Clock::time_point due = baseWall_ + microseconds(us - baseUs_);
        if (now - due > seconds(1)) {
            rebase(us, now);
            due = now;
        }
        started_ = true;
        restart_ = false;
        lastUs_ = us;
        lastDue_ = due;
        return due;
    }
    // The file starts again: its first picture follows the last one.
    void restart() { restart_ = true; }

  private:
    void rebase(int64_t us, Clock::time_point wall) {
        baseUs_ = us;
        baseWall_ = wall;
    }

    int64_t intervalUs_;
    bool started_ = false;
    bool restart_ = false;
    int64_t baseUs_ = 0;
    Clock::time_point baseWall_;
    int64_t lastUs_ = 0;
    Clock::time_point lastDue_;
};

}  // namespace

// What the source and its reading thread share; the thread holds it too,
// so a thread left to end by itself still has it.
struct StreamSource::Shared {
    StreamOptions options;
    Note note;
    std::atomic<bool> quit{false};
    std::atomic<bool> signal{false};
    std::atomic<int64_t> lastPictureMs{0};

    std::mutex waitLock;  // for the waits below and `finished`
    std::condition_variable wake;
    bool finished = false;

    // The latest-picture slot: a decoded frame or a coded packet, the
    // coding of the connection it came from, and a count of what was put.
    std::mutex slotLock;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    AVCodecParameters* parameters = nullptr;
    bool holdsFrame = false;
    bool holdsPacket = false;
    uint64_t generation = 0;
    uint64_t published = 0;

    Shared() {
        frame = av_frame_alloc();
        packet = av_packet_alloc();
        parameters = avcodec_parameters_alloc();
    }
    ~Shared() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_parameters_free(&parameters);
    }

    void tell(const std::string& line) {
        if (quit) {
            return;
        }
        if (note) {
            note(line);
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }

    // Waits until `until` or until told to quit; false when told.
    bool waitUntil(Clock::time_point until) {
        std::unique_lock<std::mutex> lock(waitLock);
        while (!quit) {
            const Clock::time_point now = Clock::now();
            if (now >= until) {
                return true;
            }
            // A long wait for a file's next picture is no loss: the picture
            // shown is still the file's.
            wake.wait_until(lock, std::min(until, now + milliseconds(500)));
            if (signal) {
                lastPictureMs = nowMs();
            }
        }
        return false;
    }

    void clearSlot() {
        std::lock_guard<std::mutex> guard(slotLock);
        av_frame_unref(frame);
        av_packet_unref(packet);
        holdsFrame = holdsPacket = false;
    }

    void publish(StreamConnection& c, StreamConnection::Got got) {
        std::lock_guard<std::mutex> guard(slotLock);
        av_frame_unref(frame);
        av_packet_unref(packet);
        holdsFrame = got == StreamConnection::Got::Frame;
        holdsPacket = !holdsFrame;
        if (holdsFrame) {
            av_frame_move_ref(frame, c.frame());
        } else {
            av_packet_move_ref(packet, c.packet());
        }
        ++published;
    }

    void connected(const StreamConnection& c) {
        std::lock_guard<std::mutex> guard(slotLock);
        avcodec_parameters_copy(parameters, c.parameters());
        ++generation;
    }
};

std::string StreamSource::lossNote(const std::string& url, const std::string& reason) {
    return maskCredentials("stream " + url + ": no signal (" + reason + ")");
}

std::string StreamSource::returnNote(const std::string& url) {
    return maskCredentials("stream " + url + ": signal back");
}

StreamSource::StreamSource(StreamOptions options, int fieldRate, Note note)
    : VideoSource(fieldRate), shared_(std::make_shared<Shared>()) {
    const StreamAddress address = parseStreamAddress(options.url);
    if (address.local) {
        localPath_ = address.target;
        struct stat st {};
        if (::stat(localPath_.c_str(), &st) == 0) {
            file_ = FileId{uint64_t(st.st_dev), uint64_t(st.st_ino)};
        }
    }
    shared_->options = std::move(options);
    shared_->note = std::move(note);
    packet_ = av_packet_alloc();
    parameters_ = avcodec_parameters_alloc();
    worker_ = std::thread(&StreamSource::run, shared_);
}

StreamSource::~StreamSource() {
    {
        std::lock_guard<std::mutex> guard(shared_->waitLock);
        shared_->quit = true;
    }
    shared_->wake.notify_all();
    bool finished = false;
    {
        std::unique_lock<std::mutex> lock(shared_->waitLock);
        finished = shared_->wake.wait_for(lock, kStopWait, [this] { return shared_->finished; });
    }
    if (finished) {
        worker_.join();
    } else {
        worker_.detach();
    }
    av_packet_free(&packet_);
    avcodec_parameters_free(&parameters_);
}

std::unique_ptr<StreamSource> StreamSource::open(const SourceConfig& config, std::string& error) {
    StreamOptions options;
    options.url = config.location.substr(std::string_view("stream:").size());
    options.rtspUdp = config.rtspUdp;
    options.loop = config.loop.value_or(true);
    options.timeoutMs = config.timeoutSeconds * 1000;
    const StreamAddress address = parseStreamAddress(options.url);
    if (address.local) {
        struct stat st {};
        if (::stat(address.target.c_str(), &st) != 0) {
            error = address.target + ": cannot be opened";
            return nullptr;
        }
        if (!S_ISREG(st.st_mode)) {
            error = address.target + ": not a regular file";
            return nullptr;
        }
    }
    return std::make_unique<StreamSource>(std::move(options), config.fieldRate);
}

void StreamSource::run(const std::shared_ptr<Shared>& shared) {
    Shared& s = *shared;
    const StreamOptions& o = s.options;
    seconds retry = kFirstRetry;
    bool lossTold = false;
    while (!s.quit) {
        std::string why;
        bool ended = false;  // a file that does not loop has played
        {
            StreamConnection c(&s.quit);
            bool open = c.open(o, why);
            if (open) {
                s.connected(c);
            }
            Pacer pacer(c.frameIntervalUs());
            uint64_t pictures = 0;  // since the file started (again)
            while (open && !s.quit) {
                const StreamConnection::Got got = c.next(why);
                if (got == StreamConnection::Got::End) {
                    if (!c.isLocal()) {
                        why = "the stream ended";
                        break;
                    }
                    if (pictures == 0) {
                        why = "no picture in the file";
                        break;
                    }
                    if (!o.loop) {
                        why = "end of file";
                        ended = true;
                        break;
                    }
                    pictures = 0;
                    pacer.restart();
                    // A file that cannot seek is opened again.
                    if (!c.rewind()) {
                        open = c.open(o, why);
                        if (open) {
                            s.connected(c);
                        }
                    }
                    continue;
                }
                if (got == StreamConnection::Got::Error) {
                    break;
                }
                if (!c.isLive() && !s.waitUntil(pacer.due(c.presentationUs(), Clock::now()))) {
                    break;
                }
                s.publish(c, got);
                ++pictures;
                s.lastPictureMs = nowMs();
                if (!s.signal) {
                    s.signal = true;
                    retry = kFirstRetry;
                    if (lossTold) {
                        s.tell(returnNote(o.url));
                        lossTold = false;
                    }
                }
            }
            s.signal = false;
            s.clearSlot();
        }  // closed: every wait of FFmpeg's ends once quit is set
        if (s.quit) {
            break;
        }
        if (!lossTold) {
            s.tell(lossNote(o.url, why));
            lossTold = true;
        }
        if (ended || !s.waitUntil(Clock::now() + retry)) {
            break;
        }
        retry = std::min(retry * 2, kLongestRetry);
    }
    {
        std::lock_guard<std::mutex> guard(s.waitLock);
        s.finished = true;
    }
    s.wake.notify_all();
}

bool StreamSource::hasPicture() const {
    // The reading thread finds a loss within the timeout; this makes sure
    // it shows within it too.
    return shared_->signal &&
           nowMs() - shared_->lastPictureMs.load() <= int64_t(shared_->options.timeoutMs);
}

bool StreamSource::readsFile(const FileId& file) const {
    if (localPath_.empty()) {
        return false;
    }
    if (file_ && *file_ == file) {
        return true;
    }
    struct stat st {};
    return ::stat(localPath_.c_str(), &st) == 0 &&
           FileId{uint64_t(st.st_dev), uint64_t(st.st_ino)} == file;
}

void StreamSource::render(uint64_t fieldIndex, Picture& out) {
    renderSampled(fieldIndex, sampleWhole(out.width, out.height), out);
}

void StreamSource::renderSampled(uint64_t, const Sampling& at, Picture& out) {
    if (!hasPicture()) {
        out.resize(at.width(), at.height());
        out.fillBlack();
        return;
    }
    bool coded = false;
    uint64_t generation = 0;
    {
        Shared& s = *shared_;
        std::lock_guard<std::mutex> guard(s.slotLock);
        if (s.published != taken_) {
            taken_ = s.published;
            if (s.holdsFrame) {
                picture_.takeFrame(s.frame);
                s.holdsFrame = false;
            } else if (s.holdsPacket) {
                av_packet_move_ref(packet_, s.packet);
                s.holdsPacket = false;
                if (s.generation != generation_) {
                    avcodec_parameters_copy(parameters_, s.parameters);
                }
                generation = s.generation;
                coded = true;
            }
        }
    }
    if (coded) {
        // Decoded here, outside the lock, and only because it is asked for.
        picture_.takePacket(packet_, parameters_, generation);
        generation_ = generation;
    }
    picture_.sample(at, out);
}

}  // namespace zelkor::vcard
