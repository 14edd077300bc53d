#include "vcard/stream_input.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "vcard/stream_address.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace zelkor::vcard {

namespace {

// Packets in a row that give no picture before the stream counts as broken
// (a camera sending what does not decode; a file that is all damage).
constexpr int kMaxPacketsWithoutPicture = 2000;
// How long closing an input may wait (an RTSP server that never answers
// the good-bye).
constexpr int kCloseMs = 1000;
// The biggest picture a coded packet may decode to.
constexpr int64_t kMaxPacketPixels = 7680LL * 4320;

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// FFmpeg's log, when someone raises its level, without any login in it.
void maskedLog(void* context, int level, const char* format, va_list arguments) {
    if (level > av_log_get_level()) {
        return;
    }
    thread_local int printPrefix = 1;
    char line[2048];
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(context, level, format, copy, line, sizeof line, &printPrefix);
    va_end(copy);
    std::fputs(maskCredentials(line).c_str(), stderr);
}

std::string seconds(int ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

int64_t toMicroseconds(int64_t t, AVRational base) {
    return t == AV_NOPTS_VALUE ? INT64_MIN : av_rescale_q(t, base, AV_TIME_BASE_Q);
}

// The planes of a frame in a layout the sampler reads as it is: planar
// YUV of 8 bits, any chroma subsampling, or grey.
bool directPlanes(const AVFrame* f, Planes& p) {
    switch (f->format) {
        case AV_PIX_FMT_YUV420P:
        case AV_PIX_FMT_YUVJ420P:
        case AV_PIX_FMT_YUV422P:
        case AV_PIX_FMT_YUVJ422P:
        case AV_PIX_FMT_YUV444P:
        case AV_PIX_FMT_YUVJ444P:
        case AV_PIX_FMT_YUV440P:
        case AV_PIX_FMT_YUVJ440P:
        case AV_PIX_FMT_YUV411P:
        case AV_PIX_FMT_YUVJ411P:
        case AV_PIX_FMT_YUV410P:
        case AV_PIX_FMT_GRAY8:
            break;
        default:
            return false;
    }
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(f->format));
    p = Planes{};
    p.y = f->data[0];
    p.yStride = f->linesize[0];
    p.width = f->width;
    p.height = f->height;
    if (f->format != AV_PIX_FMT_GRAY8) {
        p.u = f->data[1];
        p.v = f->data[2];
        p.uStride = f->linesize[1];
        p.vStride = f->linesize[2];
        p.chromaWidth = AV_CEIL_RSHIFT(f->width, d->log2_chroma_w);
        p.chromaHeight = AV_CEIL_RSHIFT(f->height, d->log2_chroma_h);
    }
    return p.y != nullptr && (p.u == nullptr) == (p.v == nullptr);
}

// Whether a frame's samples use the whole 0-255 range (JPEG's) rather than
// video's 16-235 (240 for colour), which the card's pictures keep.
bool fullRange(const AVFrame* f) {
    switch (f->format) {
        case AV_PIX_FMT_YUVJ420P:
        case AV_PIX_FMT_YUVJ422P:
        case AV_PIX_FMT_YUVJ444P:
        case AV_PIX_FMT_YUVJ440P:
        case AV_PIX_FMT_YUVJ411P:
            return true;
        case AV_PIX_FMT_GRAY8:
            return false;
        default:
            return f->color_range == AVCOL_RANGE_JPEG;
    }
}

// Full-range samples squeezed into video's range.
void toVideoRange(Picture& p) {
    struct Tables {
        uint8_t luma[256];
        uint8_t chroma[256];
        Tables() {
            for (int i = 0; i < 256; ++i) {
                luma[i] = uint8_t(16 + (i * 219 + 127) / 255);
                chroma[i] = uint8_t(128 + ((i - 128) * 224 + (i >= 128 ? 127 : -127)) / 255);
            }
        }
    };
    static const Tables tables;
    for (uint8_t& b : p.y) {
        b = tables.luma[b];
    }
    for (auto* plane : {&p.u, &p.v}) {
        for (uint8_t& b : *plane) {
            b = tables.chroma[b];
        }
    }
}

}  // namespace

void prepareFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        av_log_set_callback(maskedLog);
        avformat_network_init();
    });
}

StreamConnection::StreamConnection(const std::atomic<bool>* quit) : quit_(quit) {
    prepareFfmpeg();
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
}

StreamConnection::~StreamConnection() {
    close();
    av_frame_free(&frame_);
    av_packet_free(&packet_);
}

int StreamConnection::interrupted(void* self) {
    auto* c = static_cast<StreamConnection*>(self);
    if (c->quit_ != nullptr && c->quit_->load()) {
        return 1;
    }
    if (nowMs() > c->deadlineMs_.load()) {
        c->timedOut_ = true;
        return 1;
    }
    return 0;
}

void StreamConnection::armDeadline(int ms) {
    timedOut_ = false;
    deadlineMs_ = nowMs() + ms;
}

std::string StreamConnection::reasonOf(int code) const {
    if (quit_ != nullptr && quit_->load()) {
        return "stopped";
    }
    if (timedOut_) {
        return "nothing received for " + seconds(timeoutMs_);
    }
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return maskCredentials(text);
}

void StreamConnection::close() {
    if (format_ != nullptr) {
        armDeadline(kCloseMs);
        avformat_close_input(&format_);
    }
    avcodec_free_context(&decoder_);
    av_frame_unref(frame_);
    av_packet_unref(packet_);
    stream_ = -1;
    intraOnly_ = checked_ = draining_ = false;
    presentationUs_ = INT64_MIN;
}

const AVCodecParameters* StreamConnection::parameters() const {
    return format_ != nullptr && stream_ >= 0 ? format_->streams[stream_]->codecpar : nullptr;
}

bool StreamConnection::open(const StreamOptions& options, std::string& why) {
    close();
    const StreamAddress address = parseStreamAddress(options.url);
    local_ = address.local;
    timeoutMs_ = options.timeoutMs;
    if (frame_ == nullptr || packet_ == nullptr ||
        (format_ = avformat_alloc_context()) == nullptr) {
        why = "out of memory";
        return false;
    }
    format_->interrupt_callback.callback = &StreamConnection::interrupted;
    format_->interrupt_callback.opaque = this;
    AVDictionary* settings = nullptr;
    if (local_) {
        // A file reads only files (a playlist in it may name others), never
        // the network.
        av_dict_set(&settings, "protocol_whitelist", "file,crypto,data", 0);
    }
    if (address.scheme == "rtsp" || address.scheme == "rtsps") {
        av_dict_set(&settings, "rtsp_transport", options.rtspUdp ? "udp" : "tcp", 0);
    }
    // "file:" keeps a colon in a file's name from being taken for a
    // protocol.
    const std::string target = local_ ? "file:" + address.target : address.target;
    armDeadline(timeoutMs_);
    int r = avformat_open_input(&format_, target.c_str(), nullptr, &settings);
    av_dict_free(&settings);
    if (r < 0) {
        why = reasonOf(r);
        return false;  // FFmpeg has freed the context
    }
    armDeadline(timeoutMs_);
    r = avformat_find_stream_info(format_, nullptr);
    if (r < 0) {
        why = reasonOf(r);
        close();
        return false;
    }
    const AVCodec* codec = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream_ < 0 || codec == nullptr) {
        why = stream_ == AVERROR_DECODER_NOT_FOUND ? "no decoder for its video" : "no video in it";
        close();
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        format_->streams[i]->discard = int(i) == stream_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    const AVStream* stream = format_->streams[stream_];
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->id);
    intraOnly_ = descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY) != 0;
    live_ = !local_ && (format_->duration == AV_NOPTS_VALUE || format_->duration <= 0);
    decoder_ = avcodec_alloc_context3(codec);
    if (decoder_ == nullptr || avcodec_parameters_to_context(decoder_, stream->codecpar) < 0) {
        why = "out of memory";
        close();
        return false;
    }
    decoder_->max_pixels = options.maxPixels;
    decoder_->pkt_timebase = stream->time_base;
    decoder_->thread_count = options.decoderThreads;
    // Frame threads hold pictures back by a frame each: fine for a file,
    // not for a camera someone is watching.
    decoder_->thread_type =
        live_ || intraOnly_ ? FF_THREAD_SLICE : FF_THREAD_FRAME | FF_THREAD_SLICE;
    r = avcodec_open2(decoder_, codec, nullptr);
    if (r < 0) {
        why = "its video cannot be decoded (" + reasonOf(r) + ")";
        close();
        return false;
    }
    const AVRational rate = av_guess_frame_rate(format_, const_cast<AVStream*>(stream), nullptr);
    frameIntervalUs_ = 40000;
    if (rate.num > 0 && rate.den > 0) {
        frameIntervalUs_ =
            std::clamp<int64_t>(av_rescale_q(1, av_inv_q(rate), AV_TIME_BASE_Q), 1000, 10000000);
    }
    checked_ = draining_ = false;
    return true;
}

StreamConnection::Got StreamConnection::next(std::string& why) {
    if (format_ == nullptr) {
        why = "not open";
        return Got::Error;
    }
    const int64_t started = nowMs();
    int withoutPicture = 0;
    while (true) {
        if (!intraOnly_ || !checked_) {
            const int r = avcodec_receive_frame(decoder_, frame_);
            if (r == 0) {
                // An intra-only stream's first picture comes decoded: it
                // shows the stream decodes at all; the rest come coded.
                checked_ = true;
                presentationUs_ = toMicroseconds(frame_->best_effort_timestamp,
                                                 format_->streams[stream_]->time_base);
                return Got::Frame;
            }
            if (r == AVERROR_EOF || (draining_ && r == AVERROR(EAGAIN))) {
                return Got::End;
            }
            // Any other failure is a picture that did not decode: the
            // stream goes on with the next.
        }
        if (draining_ || ++withoutPicture > kMaxPacketsWithoutPicture) {
            if (draining_) {
                return Got::End;
            }
            why = "its pictures do not decode";
            return Got::Error;
        }
        if (nowMs() - started > timeoutMs_) {
            why = "no picture for " + seconds(timeoutMs_);
            return Got::Error;
        }
        av_packet_unref(packet_);
        armDeadline(timeoutMs_);
        const int r = av_read_frame(format_, packet_);
        if (r < 0) {
            // A file that cannot be read on is at its end; a stream that
            // fails is lost.
            const bool stopped = quit_ != nullptr && quit_->load();
            if (!stopped && (r == AVERROR_EOF || local_)) {
                if (intraOnly_ && checked_) {
                    return Got::End;
                }
                draining_ = true;
                avcodec_send_packet(decoder_, nullptr);
                continue;
            }
            why = r == AVERROR_EOF ? "the stream ended" : reasonOf(r);
            return Got::Error;
        }
        if (packet_->stream_index != stream_) {
            continue;
        }
        if (intraOnly_ && checked_) {
            const int64_t t = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
            presentationUs_ = toMicroseconds(t, format_->streams[stream_]->time_base);
            return Got::Packet;
        }
        avcodec_send_packet(decoder_, packet_);  // one that fails is passed over
    }
}

bool StreamConnection::rewind() {
    if (format_ == nullptr) {
        return false;
    }
    const AVStream* stream = format_->streams[stream_];
    const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    armDeadline(timeoutMs_);
    if (av_seek_frame(format_, stream_, start, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(format_, -1, INT64_MIN, 0, INT64_MAX, 0) < 0) {
        return false;
    }
    avcodec_flush_buffers(decoder_);
    draining_ = false;
    return true;
}

StreamPicture::StreamPicture() {
    prepareFfmpeg();
    frame_ = av_frame_alloc();
    decoded_ = av_frame_alloc();
}

StreamPicture::~StreamPicture() {
    av_frame_free(&frame_);
    av_frame_free(&decoded_);
    avcodec_free_context(&decoder_);
    sws_freeContext(converter_);
}

void StreamPicture::takeFrame(AVFrame* frame) {
    if (frame_ == nullptr) {
        av_frame_unref(frame);
        return;
    }
    av_frame_unref(frame_);
    av_frame_move_ref(frame_, frame);
    convertedCurrent_ = false;
}

bool StreamPicture::openDecoder(const AVCodecParameters* parameters) {
    avcodec_free_context(&decoder_);
    const AVCodec* codec = parameters ? avcodec_find_decoder(parameters->codec_id) : nullptr;
    if (codec == nullptr || (decoder_ = avcodec_alloc_context3(codec)) == nullptr) {
        return false;
    }
    decoder_->max_pixels = kMaxPacketPixels;
    // Decoded while someone waits for the picture: no frame held back.
    decoder_->thread_count = 1;
    if (avcodec_parameters_to_context(decoder_, parameters) < 0 ||
        avcodec_open2(decoder_, codec, nullptr) < 0) {
        avcodec_free_context(&decoder_);
        return false;
    }
    return true;
}

void StreamPicture::takePacket(AVPacket* packet, const AVCodecParameters* parameters,
                               uint64_t generation) {
    if (!haveDecoder_ || generation != generation_) {
        openDecoder(parameters);
        haveDecoder_ = true;
        generation_ = generation;
    }
    const int sent =
        decoder_ != nullptr && decoded_ != nullptr ? avcodec_send_packet(decoder_, packet) : -1;
    av_packet_unref(packet);
    if (sent < 0) {
        return;
    }
    while (avcodec_receive_frame(decoder_, decoded_) == 0) {
        takeFrame(decoded_);
    }
}

bool StreamPicture::hasPicture() const {
    return frame_ != nullptr && frame_->data[0] != nullptr && frame_->width > 0 &&
           frame_->height > 0;
}

void StreamPicture::clear() {
    if (frame_ != nullptr) {
        av_frame_unref(frame_);
    }
    convertedCurrent_ = false;
}

void StreamPicture::sample(const Sampling& at, Picture& out) {
    Planes planes;
    if (hasPicture() && directPlanes(frame_, planes)) {
        samplePlanes(planes, at, out);
        if (fullRange(frame_)) {
            toVideoRange(out);
        }
        return;
    }
    if (hasPicture()) {
        if (!convertedCurrent_) {
            const int w = (frame_->width + 1) & ~1;
            const int h = frame_->height;
            converted_.resize(w, h);
            converter_ =
                sws_getCachedContext(converter_, frame_->width, h, AVPixelFormat(frame_->format), w,
                                     h, AV_PIX_FMT_YUV422P, SWS_POINT, nullptr, nullptr, nullptr);
            uint8_t* dst[4] = {converted_.y.data(), converted_.u.data(), converted_.v.data(),
                               nullptr};
            const int dstStride[4] = {w, w / 2, w / 2, 0};
            if (converter_ == nullptr ||
                sws_scale(converter_, frame_->data, frame_->linesize, 0, h, dst, dstStride) != h) {
                converted_.fillBlack();
            }
            convertedCurrent_ = true;
        }
        samplePlanes(planesOf(converted_), at, out);
        return;
    }
    out.resize(at.width(), at.height());
    out.fillBlack();
}

}  // namespace zelkor::vcard
