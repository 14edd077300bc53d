#include "vcard/chunk_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "formats/byte_order.h"

namespace zelkor::vcard {

namespace {
using formats::le16Bytes;
using formats::le32Bytes;
}  // namespace

ChunkWriter::~ChunkWriter() {
    close();
}

bool ChunkWriter::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    ok_ = fd_ >= 0;
    position_ = 0;
    open_.clear();
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
    const auto b = le32Bytes(value);
    if (ok_ && ::pwrite(fd_, b.data(), b.size(), off_t(at)) != ssize_t(b.size())) {
        ok_ = false;
    }
}

void ChunkWriter::beginList(uint32_t listId, uint32_t type) {
    write(le32Bytes(listId));
    open_.push_back(position_);
    write(le32Bytes(0));
    write(le32Bytes(type));
}

void ChunkWriter::beginChunk(uint32_t id) {
    write(le32Bytes(id));
    open_.push_back(position_);
    write(le32Bytes(0));
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

void ChunkWriter::u16(uint16_t value) {
    write(le16Bytes(value));
}

void ChunkWriter::u32(uint32_t value) {
    write(le32Bytes(value));
}

ChunkWriter::Field ChunkWriter::field32(uint32_t value) {
    const Field field(position_);
    u32(value);
    return field;
}

void ChunkWriter::bytes(std::span<const uint8_t> data) {
    write(data);
}

void ChunkWriter::chunk(uint32_t id, std::span<const uint8_t> data) {
    // Header, data and pad leave in one write, so a crash cuts at most the
    // last chunk.
    std::vector<uint8_t> all;
    all.reserve(data.size() + 9);
    formats::appendLe32(all, id);
    formats::appendLe32(all, uint32_t(data.size()));
    all.insert(all.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        all.push_back(0);
    }
    write(all);
}

bool ChunkWriter::patch(Field field, uint32_t value) {
    if (field.at_ == Field::None) {
        // The file lacks a value its reader needs: as bad as a failed write.
        ok_ = false;
        return false;
    }
    writeAt(field.at_, value);
    return ok_;
}

}  // namespace zelkor::vcard
