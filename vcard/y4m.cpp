#include "vcard/y4m.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace zelkor::vcard {

namespace {

bool parseDimension(std::string_view s, int& out) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && out > 0 &&
           out <= Y4mStream::MaxDimension;
}

// The line starting at `pos` (without its '\n'), read into `buffer`; false
// if none ends within the limit or the stream's first `size` bytes.
bool lineAt(const Y4mStream::ReadAt& read, uint64_t size, uint64_t pos, std::string& buffer,
            std::string_view& line) {
    buffer.resize(size_t(std::min<uint64_t>(size - pos, Y4mStream::MaxHeaderLine)));
    buffer.resize(read(pos, {reinterpret_cast<uint8_t*>(buffer.data()), buffer.size()}));
    const size_t end = buffer.find('\n');
    if (end == std::string::npos) {
        return false;
    }
    line = std::string_view(buffer).substr(0, end);
    return true;
}

}  // namespace

bool Y4mStream::parse(std::string_view data, std::string& error) {
    return parse(
        [data](uint64_t offset, std::span<uint8_t> out) {
            if (offset >= data.size()) {
                return size_t(0);
            }
            const std::string_view part = data.substr(size_t(offset), out.size());
            std::copy(part.begin(), part.end(), out.begin());
            return part.size();
        },
        data.size(), error);
}

bool Y4mStream::parse(ReadAt read, uint64_t size, std::string& error) {
    read_ = std::move(read);
    frames_.clear();
    width_ = height_ = 0;
    chroma_ = Chroma::C420;
    std::string headerBuffer;
    std::string_view header;
    if (!lineAt(read_, size, 0, headerBuffer, header) || !header.starts_with("YUV4MPEG2")) {
        error = "not a YUV4MPEG2 file";
        return false;
    }
    std::string_view rest = header.substr(9);
    while (!rest.empty()) {
        if (rest.front() != ' ') {
            error = "bad header";
            return false;
        }
        rest.remove_prefix(1);
        const size_t end = rest.find(' ');
        const std::string_view token = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        if (token.empty()) {
            continue;
        }
        const std::string_view value = token.substr(1);
        switch (token.front()) {
            case 'W':
                if (!parseDimension(value, width_)) {
                    error = "bad width";
                    return false;
                }
                break;
            case 'H':
                if (!parseDimension(value, height_)) {
                    error = "bad height";
                    return false;
                }
                break;
            case 'C':
                if (value == "420" || value == "420jpeg" || value == "420mpeg2" ||
                    value == "420paldv") {
                    chroma_ = Chroma::C420;  // the sitings differ; nearest-neighbour ignores that
                } else if (value == "422") {
                    chroma_ = Chroma::C422;
                } else if (value == "mono") {
                    chroma_ = Chroma::Mono;
                } else {
                    error = "unsupported colour space C" + std::string(value);
                    return false;
                }
                break;
            default:
                break;  // frame rate, interlacing, aspect and extensions do not matter here
        }
    }
    if (width_ == 0 || height_ == 0) {
        error = "header without width or height";
        return false;
    }
    chromaWidth_ = chroma_ == Chroma::Mono ? 0 : (width_ + 1) / 2;
    chromaHeight_ = chroma_ == Chroma::C420   ? (height_ + 1) / 2
                    : chroma_ == Chroma::Mono ? 0
                                              : height_;
    frameBytes_ =
        size_t(width_) * size_t(height_) + 2 * size_t(chromaWidth_) * size_t(chromaHeight_);
    std::string lineBuffer;
    uint64_t pos = header.size() + 1;
    while (pos < size) {
        std::string_view line;
        if (!lineAt(read_, size, pos, lineBuffer, line) || !line.starts_with("FRAME")) {
            break;
        }
        const FrameAt frame{pos, line.size() + 1};
        pos += frame.headerBytes;
        if (size - pos < frameBytes_) {
            break;
        }
        frames_.push_back(frame);
        pos += frameBytes_;
    }
    if (frames_.empty()) {
        error = "no complete frame";
        return false;
    }
    return true;
}

bool Y4mStream::readFrame(size_t index, std::vector<uint8_t>& buffer, Planes& planes) const {
    const FrameAt& at = frames_[index];
    buffer.resize(at.headerBytes + frameBytes_);
    if (read_(at.offset, buffer) != buffer.size() ||
        !std::string_view(reinterpret_cast<const char*>(buffer.data()), at.headerBytes)
             .starts_with("FRAME") ||
        buffer[at.headerBytes - 1] != '\n') {
        return false;
    }
    const uint8_t* base = buffer.data() + at.headerBytes;
    planes = Planes{};
    planes.y = base;
    planes.width = width_;
    planes.height = height_;
    if (chroma_ != Chroma::Mono) {
        planes.u = base + size_t(width_) * size_t(height_);
        planes.v = planes.u + size_t(chromaWidth_) * size_t(chromaHeight_);
        planes.chromaWidth = chromaWidth_;
        planes.chromaHeight = chromaHeight_;
    }
    return true;
}

Y4mSource::~Y4mSource() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::unique_ptr<Y4mSource> Y4mSource::open(const std::string& path, int fieldRate,
                                           std::string& error) {
    std::unique_ptr<Y4mSource> source(new Y4mSource(fieldRate));
    // Not blocking: a FIFO given for a file must not hang the card's start.
    source->fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (source->fd_ < 0) {
        error = path + ": cannot be opened";
        return nullptr;
    }
    struct stat st {};
    if (fstat(source->fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        return nullptr;
    }
    source->file_ = FileId{uint64_t(st.st_dev), uint64_t(st.st_ino)};
    const int fd = source->fd_;
    const auto read = [fd](uint64_t offset, std::span<uint8_t> out) {
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = pread(fd, out.data() + done, out.size() - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += size_t(n);
        }
        return done;
    };
    std::string why;
    if (!source->stream_.parse(read, uint64_t(st.st_size), why)) {
        error = path + ": " + why;
        return nullptr;
    }
    return source;
}

void Y4mSource::render(uint64_t fieldIndex, Picture& out) {
    renderSampled(fieldIndex, sampleWhole(out.width, out.height), out);
}

void Y4mSource::renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out) {
    Planes planes;
    if (!stream_.readFrame(size_t((fieldIndex / 2) % stream_.frameCount()), frame_, planes)) {
        out.resize(at.width(), at.height());
        out.fillBlack();
        return;
    }
    samplePlanes(planes, at, out);
}

}  // namespace zelkor::vcard
