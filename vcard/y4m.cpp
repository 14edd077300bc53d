#include "vcard/y4m.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>

namespace zelkor::vcard {

namespace {

bool parseDimension(std::string_view s, int& out) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && out > 0 &&
           out <= Y4mStream::MaxDimension;
}

// The line starting at `pos` (without its '\n'); false if none ends within
// the limit.
bool lineAt(std::string_view data, size_t pos, std::string_view& line) {
    const size_t limit = std::min(data.size(), pos + Y4mStream::MaxHeaderLine);
    for (size_t i = pos; i < limit; ++i) {
        if (data[i] == '\n') {
            line = data.substr(pos, i - pos);
            return true;
        }
    }
    return false;
}

}  // namespace

bool Y4mStream::parse(std::string_view data, std::string& error) {
    data_ = data;
    frames_.clear();
    width_ = height_ = 0;
    chroma_ = Chroma::C420;
    std::string_view header;
    if (!data.starts_with("YUV4MPEG2") || !lineAt(data, 0, header)) {
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
    const size_t frameSize =
        size_t(width_) * size_t(height_) + 2 * size_t(chromaWidth_) * size_t(chromaHeight_);
    size_t pos = header.size() + 1;
    while (pos < data.size()) {
        std::string_view line;
        if (!data.substr(pos).starts_with("FRAME") || !lineAt(data, pos, line)) {
            break;
        }
        pos += line.size() + 1;
        if (data.size() - pos < frameSize) {
            break;
        }
        frames_.push_back(pos);
        pos += frameSize;
    }
    if (frames_.empty()) {
        error = "no complete frame";
        return false;
    }
    return true;
}

Planes Y4mStream::frame(size_t index) const {
    const auto* base = reinterpret_cast<const uint8_t*>(data_.data()) + frames_[index];
    Planes p;
    p.y = base;
    p.width = width_;
    p.height = height_;
    if (chroma_ != Chroma::Mono) {
        p.u = base + size_t(width_) * size_t(height_);
        p.v = p.u + size_t(chromaWidth_) * size_t(chromaHeight_);
        p.chromaWidth = chromaWidth_;
        p.chromaHeight = chromaHeight_;
    }
    return p;
}

Y4mSource::~Y4mSource() {
    if (map_ != nullptr) {
        munmap(map_, size_);
    }
}

std::unique_ptr<Y4mSource> Y4mSource::open(const std::string& path, int fieldRate,
                                           std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": cannot be opened";
        return nullptr;
    }
    struct stat st {};
    std::unique_ptr<Y4mSource> source(new Y4mSource(fieldRate));
    if (fstat(fd, &st) == 0 && st.st_size > 0) {
        source->size_ = size_t(st.st_size);
        void* m = mmap(nullptr, source->size_, PROT_READ, MAP_PRIVATE, fd, 0);
        source->map_ = m == MAP_FAILED ? nullptr : m;
    }
    ::close(fd);
    if (source->map_ == nullptr) {
        error = path + ": cannot be read";
        return nullptr;
    }
    std::string why;
    if (!source->stream_.parse({static_cast<const char*>(source->map_), source->size_}, why)) {
        error = path + ": " + why;
        return nullptr;
    }
    return source;
}

void Y4mSource::render(uint64_t fieldIndex, Picture& out) {
    scalePlanes(stream_.frame(size_t((fieldIndex / 2) % stream_.frameCount())), out);
}

}  // namespace zelkor::vcard
