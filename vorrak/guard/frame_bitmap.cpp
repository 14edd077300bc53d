#include "vorrak/guard/frame_bitmap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

constexpr uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr const char* kWriteFailedText = "Error write bitmap file...";

uint16_t getU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t getU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void putU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// Checks the 14-byte file header; on success `blockSize` is what follows it.
uint32_t checkFileHeader(const uint8_t* fileHeader, size_t& blockSize) {
    if (getU16(fileHeader) != kBitmapType) {
        return kFrameBadFormat;
    }
    const uint32_t fileSize = getU32(fileHeader + 2);
    if (fileSize < kBitmapFileHeaderSize + kBitmapInfoHeaderSize || fileSize > kMaxFrameFileSize) {
        return kFrameBadFormat;
    }
    blockSize = fileSize - kBitmapFileHeaderSize;
    return kFrameReadOk;
}

// Validates a block read from a file and, when it fits together, hands it to
// `frame` and publishes it in `last`. Every offset used later is checked here
// against the block, so neither the reader nor its callers run past it.
uint32_t adoptBlock(std::unique_ptr<uint8_t[]> block, size_t blockSize, FrameImage& frame,
                    LastFrameRead& last) {
    uint8_t* header = block.get();
    const uint32_t headerSize = getU32(header + bih::Size);
    if (headerSize < kBitmapInfoHeaderSize || headerSize > blockSize) {
        return kFrameBadFormat;
    }
    const auto width = static_cast<int32_t>(getU32(header + bih::Width));
    const auto height = static_cast<int32_t>(getU32(header + bih::Height));
    if (width <= 0 || width > kMaxFrameWidth || height <= 0 || height > kMaxFrameHeight) {
        return kFrameBadFormat;
    }
    const uint16_t bitCount = getU16(header + bih::BitCount);
    const uint32_t coloursUsed = getU32(header + bih::ClrUsed);
    uint32_t colourCount = coloursUsed;
    if (coloursUsed == 0 && bitCount < 9) {
        switch (bitCount) {
            case 1:
                colourCount = 2;
                break;
            case 4:
                colourCount = 16;
                break;
            case 8:
                colourCount = 256;
                break;
            default:
                // Other small bit counts keep the count of the previous frame.
                colourCount = last.colourCount;
                break;
        }
    }
    const uint64_t pixelOffset = uint64_t{headerSize} + 4 * uint64_t{colourCount};
    if (pixelOffset > blockSize) {
        return kFrameBadFormat;
    }
    const uint64_t pixelSpace = blockSize - pixelOffset;
    const uint64_t rowBytes = (uint64_t{static_cast<uint32_t>(width)} * bitCount + 31) / 32 * 4;
    if (rowBytes * static_cast<uint32_t>(height) > pixelSpace) {
        return kFrameBadFormat;
    }
    const uint32_t imageSize = getU32(header + bih::SizeImage);
    if (imageSize > pixelSpace) {
        return kFrameBadFormat;
    }

    if (coloursUsed == 0) {
        putU32(header + bih::ClrUsed, colourCount);
    }
    if (imageSize == 0) {
        putU32(header + bih::SizeImage, static_cast<uint32_t>(width * height));
    }

    frame.block = std::move(block);
    frame.blockSize = blockSize;
    frame.colourTableOffset = headerSize;
    frame.pixelOffset = static_cast<size_t>(pixelOffset);
    frame.width = width;
    frame.height = height;
    frame.colourCount = colourCount;

    std::memcpy(last.header.data(), frame.header(), kBitmapInfoHeaderSize);
    const uint8_t* table = frame.block.get() + headerSize;
    last.colourTable.assign(table, table + 4 * size_t{colourCount});
    last.width = width;
    last.height = height;
    last.colourCount = colourCount;
    last.valid = true;
    return kFrameReadOk;
}

// Repeats `io` (read or write) until `size` bytes have moved; false when the
// file ends or fails first.
template <typename Byte, typename Io>
bool transferAll(int fd, Byte* at, size_t size, Io io) {
    while (size > 0) {
        const ssize_t n = io(fd, at, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        at += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, uint8_t* to, size_t size) {
    return transferAll(fd, to, size, ::read);
}

bool writeAll(int fd, const uint8_t* from, size_t size) {
    return transferAll(fd, from, size, ::write);
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded (buffered write
    // errors can surface here).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

}  // namespace

uint32_t ParseFrameBitmap(std::span<const uint8_t> file, FrameImage& frame, LastFrameRead& last) {
    if (file.size() < kBitmapFileHeaderSize) {
        return kFrameReadFailed;
    }
    size_t blockSize = 0;
    if (const uint32_t code = checkFileHeader(file.data(), blockSize); code != kFrameReadOk) {
        return code;
    }
    if (file.size() - kBitmapFileHeaderSize < blockSize) {
        return kFrameReadFailed;
    }
    auto block = std::make_unique_for_overwrite<uint8_t[]>(blockSize);
    std::memcpy(block.get(), file.data() + kBitmapFileHeaderSize, blockSize);
    return adoptBlock(std::move(block), blockSize, frame, last);
}

uint32_t ReadFrameBitmap(const std::string& path, FrameImage& frame, LastFrameRead& last) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return kFrameOpenFailed;
    }
    uint8_t fileHeader[kBitmapFileHeaderSize];
    if (!readAll(fd.get(), fileHeader, sizeof fileHeader)) {
        return kFrameReadFailed;
    }
    size_t blockSize = 0;
    if (const uint32_t code = checkFileHeader(fileHeader, blockSize); code != kFrameReadOk) {
        return code;
    }
    // A half-written work file is caught before anything is allocated.
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) < kBitmapFileHeaderSize + blockSize) {
        return kFrameReadFailed;
    }
    auto block = std::make_unique_for_overwrite<uint8_t[]>(blockSize);
    if (!readAll(fd.get(), block.get(), blockSize)) {
        return kFrameReadFailed;
    }
    fd.close();
    return adoptBlock(std::move(block), blockSize, frame, last);
}

bool WriteEventBitmap(const std::string& path, std::span<const uint8_t> earlier,
                      std::span<const uint8_t> newer, const LastFrameRead& last,
                      uint32_t frameWidth, uint32_t frameHeight, platform::Ui& ui) {
    const auto fail = [&ui] {
        ui.messageBox(kWriteFailedText, resources::kTitle,
                      platform::mb::ICONHAND | platform::mb::TOPMOST);
        return false;
    };
    const size_t frameBytes =
        last.valid ? size_t{static_cast<uint32_t>(last.width)} * static_cast<uint32_t>(last.height)
                   : 0;
    if (!last.valid || earlier.size() < frameBytes || newer.size() < frameBytes) {
        return fail();
    }

    const size_t tableBytes = 4 * size_t{last.colourCount};
    const auto pixelOffset =
        static_cast<uint32_t>(kBitmapFileHeaderSize + kBitmapInfoHeaderSize + tableBytes);
    std::vector<uint8_t> head(pixelOffset);
    putU16(head.data(), kBitmapType);
    putU32(head.data() + 2, static_cast<uint32_t>(pixelOffset + 2 * frameBytes));
    putU32(head.data() + 10, pixelOffset);
    uint8_t* info = head.data() + kBitmapFileHeaderSize;
    std::memcpy(info, last.header.data(), kBitmapInfoHeaderSize);
    // Only 40 header bytes are written, so the copy must say so; a larger
    // size kept from a V4/V5 frame would make readers skip into the colours.
    putU32(info + bih::Size, kBitmapInfoHeaderSize);
    putU32(info + bih::Width, frameWidth);
    putU32(info + bih::Height, 2 * frameHeight);
    putU32(info + bih::SizeImage, 2 * getU32(last.header.data() + bih::SizeImage));
    std::memcpy(info + kBitmapInfoHeaderSize, last.colourTable.data(), tableBytes);

    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        return fail();
    }
    // Bottom-up rows: the newer frame first puts it in the lower half.
    const bool written = writeAll(fd.get(), head.data(), head.size()) &&
                         writeAll(fd.get(), newer.data(), frameBytes) &&
                         writeAll(fd.get(), earlier.data(), frameBytes);
    struct stat st {};
    const bool regular = ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
    if (!fd.close() || !written) {
        // A cut-off picture must not stand in for the event's frames.
        if (regular) {
            ::unlink(path.c_str());
        }
        return fail();
    }
    return true;
}

}  // namespace zelkor::vorrak
