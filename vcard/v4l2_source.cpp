#include "vcard/v4l2_source.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "vcard/scale.h"

namespace zelkor::vcard {

namespace {

int xioctl(int fd, unsigned long request, void* arg) {
    int r;
    do {
        r = ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

constexpr int kBufferCount = 4;
constexpr int kPollMs = 200;

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void onJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

}  // namespace

void unpackYuyv(const uint8_t* data, size_t size, int width, int height, Picture& out) {
    out.resize(width, height);
    const size_t pairs = std::min(size / 4, size_t(width / 2) * size_t(height));
    out.fillBlack();
    for (size_t i = 0; i < pairs; ++i) {
        out.y[2 * i] = data[4 * i];
        out.u[i] = data[4 * i + 1];
        out.y[2 * i + 1] = data[4 * i + 2];
        out.v[i] = data[4 * i + 3];
    }
}

bool decodeJpeg(const uint8_t* data, size_t size, Picture& out) {
    jpeg_decompress_struct info{};
    JpegError err{};
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = onJpegError;
    std::vector<uint8_t> row;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_YCbCr;
    jpeg_start_decompress(&info);
    const int w = int(info.output_width) & ~1;
    const int h = int(info.output_height);
    out.resize(w, h);
    row.resize(size_t(info.output_width) * 3);
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < w; ++x) {
            out.y[size_t(y) * size_t(w) + size_t(x)] = row[size_t(x) * 3];
        }
        for (int x = 0; x < w / 2; ++x) {
            out.u[size_t(y) * size_t(w / 2) + size_t(x)] = row[size_t(2 * x) * 3 + 1];
            out.v[size_t(y) * size_t(w / 2) + size_t(x)] = row[size_t(2 * x) * 3 + 2];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

V4l2Source::V4l2Source(std::string device, int fieldRate)
    : VideoSource(fieldRate), path_(std::move(device)) {
    if (start()) {
        streaming_ = true;
        worker_ = std::thread([this] { run(); });
    } else {
        stop();
    }
}

V4l2Source::~V4l2Source() {
    quit_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
    stop();
}

bool V4l2Source::start() {
    fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        return false;
    }
    struct stat st {};
    if (fstat(fd_, &st) == 0) {
        device_ = FileId{uint64_t(st.st_dev), uint64_t(st.st_ino)};
    }
    v4l2_capability cap{};
    if (xioctl(fd_, VIDIOC_QUERYCAP, &cap) < 0 || !(cap.capabilities & V4L2_CAP_VIDEO_CAPTURE) ||
        !(cap.capabilities & V4L2_CAP_STREAMING)) {
        return false;
    }
    bool formatSet = false;
    for (uint32_t fourcc : {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_MJPEG}) {
        v4l2_format fmt{};
        fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        fmt.fmt.pix.width = 640;
        fmt.fmt.pix.height = 480;
        fmt.fmt.pix.pixelformat = fourcc;
        fmt.fmt.pix.field = V4L2_FIELD_ANY;
        if (xioctl(fd_, VIDIOC_S_FMT, &fmt) == 0 && fmt.fmt.pix.pixelformat == fourcc) {
            pixelFormat_ = fourcc;
            width_ = int(fmt.fmt.pix.width);
            height_ = int(fmt.fmt.pix.height);
            formatSet = true;
            break;
        }
    }
    if (!formatSet) {
        return false;
    }
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_REQBUFS, &req) < 0 || req.count == 0) {
        return false;
    }
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (xioctl(fd_, VIDIOC_QUERYBUF, &buf) < 0) {
            return false;
        }
        void* m = mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
        if (m == MAP_FAILED) {
            return false;
        }
        buffers_.push_back({m, buf.length});
        if (xioctl(fd_, VIDIOC_QBUF, &buf) < 0) {
            return false;
        }
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    return xioctl(fd_, VIDIOC_STREAMON, &type) == 0;
}

void V4l2Source::stop() {
    if (fd_ >= 0) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(fd_, VIDIOC_STREAMOFF, &type);
    }
    for (const Buffer& b : buffers_) {
        munmap(b.data, b.length);
    }
    buffers_.clear();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    device_.reset();
}

void V4l2Source::run() {
    std::vector<uint8_t> spare;
    while (!quit_) {
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, kPollMs);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            break;
        }
        if (r == 0) {
            continue;
        }
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        if (xioctl(fd_, VIDIOC_DQBUF, &buf) < 0) {
            if (errno == EAGAIN) {
                continue;
            }
            break;  // the camera went away
        }
        // Kept as the camera sent it: only a picture someone asks for is
        // converted.
        const auto* data = static_cast<const uint8_t*>(buffers_[buf.index].data);
        const size_t used = std::min<size_t>(buf.bytesused, buffers_[buf.index].length);
        spare.assign(data, data + used);
        {
            std::lock_guard<std::mutex> guard(lock_);
            std::swap(latestRaw_, spare);
            ++rawCount_;
        }
        if (xioctl(fd_, VIDIOC_QBUF, &buf) < 0) {
            break;
        }
    }
    std::lock_guard<std::mutex> guard(lock_);
    latestRaw_.clear();
    ++rawCount_;
    streaming_ = false;
}

void V4l2Source::render(uint64_t fieldIndex, Picture& out) {
    renderSampled(fieldIndex, sampleWhole(out.width, out.height), out);
}

void V4l2Source::renderSampled(uint64_t, const Sampling& at, Picture& out) {
    bool fresh = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (rawCount_ != convertedCount_) {
            convertedCount_ = rawCount_;
            std::swap(latestRaw_, converting_);
            fresh = true;
        }
    }
    if (fresh) {
        // Nothing sent (the camera stopped) shows black; a frame that does
        // not decode leaves the last good picture.
        if (converting_.empty()) {
            haveFrame_ = false;
        } else if (pixelFormat_ == V4L2_PIX_FMT_YUYV) {
            unpackYuyv(converting_.data(), converting_.size(), width_, height_, latest_);
            haveFrame_ = true;
        } else if (decodeJpeg(converting_.data(), converting_.size(), decoded_)) {
            std::swap(latest_, decoded_);
            haveFrame_ = true;
        }
    }
    if (!haveFrame_) {
        out.resize(at.width(), at.height());
        out.fillBlack();
        return;
    }
    samplePlanes(planesOf(latest_), at, out);
}

}  // namespace zelkor::vcard
