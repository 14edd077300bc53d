#include "vcard/chunk_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace zelkor::vcard {

namespace {
std::array<uint8_t, 4> le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
}  // namespace

ChunkWriter::~ChunkWriter() {
    close();
}

bool ChunkWriter::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ok_ = fd_ >= 0;
    position_ = 0;
    open_.clear();
    fields_.clear();
    return ok_;
}

bool ChunkWriter::close() {
    if (fd_ < 0) {
        return false;
    }
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    ok_ = ok_ && closed;
    return ok_;
}

void ChunkWriter::write(std::span<const uint8_t> data) {
    size_t done = 0;
    while (ok_ && done < data.size()) {
        const ssize_t n =
            ::pwrite(fd_, data.data() + done, data.size() - done, off_t(position_ + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok_ = false;
            break;
        }
        done += size_t(n);
    }
    position_ += done;
}

void ChunkWriter::writeAt(uint64_t at, uint32_t value) {
    const auto b = le32(value);
    if (ok_ && ::pwrite(fd_, b.data(), b.size(), off_t(at)) != ssize_t(b.size())) {
        ok_ = false;
    }
}

void ChunkWriter::beginList(uint32_t listId, uint32_t type) {
    write(le32(listId));
    open_.push_back(position_);
    write(le32(0));
    write(le32(type));
}

void ChunkWriter::beginChunk(uint32_t id) {
    write(le32(id));
    open_.push_back(position_);
    write(le32(0));
}

void ChunkWriter::end() {
    if (open_.empty()) {
        return;
    }
    const uint64_t sizeAt = open_.back();
    open_.pop_back();
    writeAt(sizeAt, uint32_t(position_ - sizeAt - 4));
    if (position_ % 2 != 0) {
        const uint8_t pad = 0;
        write({&pad, 1});
    }
}

void ChunkWriter::patchOpenSizes() {
    for (uint64_t sizeAt : open_) {
        writeAt(sizeAt, uint32_t(position_ - sizeAt - 4));
    }
}

void ChunkWriter::u16(std::string_view name, uint16_t value) {
    fields_[std::string(name)] = position_;
    const std::array<uint8_t, 2> b{uint8_t(value), uint8_t(value >> 8)};
    write(b);
}

void ChunkWriter::u32(std::string_view name, uint32_t value) {
    fields_[std::string(name)] = position_;
    write(le32(value));
}

void ChunkWriter::bytes(std::string_view name, std::span<const uint8_t> data) {
    fields_[std::string(name)] = position_;
    write(data);
}

void ChunkWriter::chunk(uint32_t id, std::span<const uint8_t> data) {
    // Header, data and pad leave in one write, so a crash cuts at most the
    // last chunk.
    std::vector<uint8_t> all;
    all.reserve(data.size() + 9);
    const auto h = le32(id);
    const auto s = le32(uint32_t(data.size()));
    all.insert(all.end(), h.begin(), h.end());
    all.insert(all.end(), s.begin(), s.end());
    all.insert(all.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        all.push_back(0);
    }
    write(all);
}

bool ChunkWriter::patch(std::string_view name, uint32_t value) {
    const auto it = fields_.find(name);
    if (it == fields_.end()) {
        return false;
    }
    writeAt(it->second, value);
    return true;
}

int64_t ChunkWriter::offsetOf(std::string_view name) const {
    const auto it = fields_.find(name);
    return it == fields_.end() ? -1 : int64_t(it->second);
}

}  // namespace zelkor::vcard
