#include "vorrak/detection/frame_bitmap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/bmp_file.h"
#include "formats/byte_order.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

constexpr const char* kWriteFailedText = "Error write bitmap file...";

using formats::BitmapInfoHeaderSize;
using formats::BmpFileHeaderSize;

// Checks the 14-byte file header; on success `blockSize` is what follows it.
uint32_t checkFileHeader(std::span<const uint8_t> fileHeader, size_t& blockSize) {
    const auto header = formats::decodeBmpFileHeader(fileHeader);
    if (!header) {
        return kFrameBadFormat;
    }
    const uint32_t fileSize = header->fileSize;
    if (fileSize < BmpFileHeaderSize + BitmapInfoHeaderSize || fileSize > kMaxFrameFileSize) {
        return kFrameBadFormat;
    }
    blockSize = fileSize - BmpFileHeaderSize;
    return kFrameReadOk;
}

// Validates a block read from a file and, when it fits together, hands it to
// `frame` and publishes it in `last`. Every offset used later is checked here
// against the block, so neither the reader nor its callers run past it.
uint32_t adoptBlock(std::unique_ptr<uint8_t[]> block, size_t blockSize, FrameImage& frame,
                    LastFrameRead& last) {
    const std::span<uint8_t> bytes(block.get(), blockSize);
    const auto header = formats::decodeBitmapInfoHeader(bytes);
    if (!header) {
        return kFrameBadFormat;
    }
    const uint32_t headerSize = header->size;
    const int32_t width = header->width;
    const int32_t height = header->height;
    if (width <= 0 || width > kMaxFrameWidth || height <= 0 || height > kMaxFrameHeight) {
        return kFrameBadFormat;
    }
    const uint16_t bitCount = header->bitCount;
    const uint32_t coloursUsed = header->clrUsed;
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
    const uint64_t rowBytes = formats::bmpRowBytes(static_cast<uint32_t>(width), bitCount);
    if (rowBytes * static_cast<uint32_t>(height) > pixelSpace) {
        return kFrameBadFormat;
    }
    const uint32_t imageSize = header->sizeImage;
    if (imageSize > pixelSpace) {
        return kFrameBadFormat;
    }

    // Zero colours-used and image-size fields are filled in, so whoever
    // reads the header after us sees the values the frame was read with.
    namespace field = formats::bitmap_field;
    const bool filledIn =
        (coloursUsed != 0 || formats::putLe32(bytes, field::ClrUsed, colourCount)) &&
        (imageSize != 0 ||
         formats::putLe32(bytes, field::SizeImage, static_cast<uint32_t>(width * height)));
    if (!filledIn) {
        return kFrameBadFormat;
    }

    frame.block = std::move(block);
    frame.blockSize = blockSize;
    frame.colourTableOffset = headerSize;
    frame.pixelOffset = static_cast<size_t>(pixelOffset);
    frame.width = width;
    frame.height = height;
    frame.colourCount = colourCount;

    std::memcpy(last.header.data(), frame.header(), BitmapInfoHeaderSize);
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
    if (file.size() < BmpFileHeaderSize) {
        return kFrameReadFailed;
    }
    size_t blockSize = 0;
    if (const uint32_t code = checkFileHeader(file, blockSize); code != kFrameReadOk) {
        return code;
    }
    if (file.size() - BmpFileHeaderSize < blockSize) {
        return kFrameReadFailed;
    }
    auto block = std::make_unique_for_overwrite<uint8_t[]>(blockSize);
    std::memcpy(block.get(), file.data() + BmpFileHeaderSize, blockSize);
    return adoptBlock(std::move(block), blockSize, frame, last);
}

uint32_t ReadFrameBitmap(const std::string& path, FrameImage& frame, LastFrameRead& last) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return kFrameOpenFailed;
    }
    std::array<uint8_t, BmpFileHeaderSize> fileHeader;
    if (!readAll(fd.get(), fileHeader.data(), fileHeader.size())) {
        return kFrameReadFailed;
    }
    size_t blockSize = 0;
    if (const uint32_t code = checkFileHeader(fileHeader, blockSize); code != kFrameReadOk) {
        return code;
    }
    // A half-written work file is caught before anything is allocated.
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) < BmpFileHeaderSize + blockSize) {
        return kFrameReadFailed;
    }
    auto block = std::make_unique_for_overwrite<uint8_t[]>(blockSize);
    if (!readAll(fd.get(), block.get(), blockSize)) {
        return kFrameReadFailed;
    }
    fd.close();
    return adoptBlock(std::move(block), blockSize, frame, last);
}

std::optional<std::string> WriteEventBitmap(platform::NumberedName name,
                                            std::span<const uint8_t> earlier,
                                            std::span<const uint8_t> newer,
                                            const LastFrameRead& last, uint32_t frameWidth,
                                            uint32_t frameHeight, platform::Ui& ui,
                                            const platform::NameClaim& claim) {
    const auto fail = [&ui] {
        ui.messageBox(kWriteFailedText, resources::kTitle,
                      platform::mb::ICONHAND | platform::mb::TOPMOST);
        return std::nullopt;
    };
    const size_t frameBytes =
        last.valid ? size_t{static_cast<uint32_t>(last.width)} * static_cast<uint32_t>(last.height)
                   : 0;
    const auto copied = last.valid ? formats::readBitmapInfoHeader(last.header) : std::nullopt;
    if (!copied || earlier.size() < frameBytes || newer.size() < frameBytes) {
        return fail();
    }

    formats::BitmapInfoHeader info = *copied;
    // Only 40 header bytes are written, so the copy must say so; a larger
    // size kept from a V4/V5 frame would make readers skip into the colours.
    info.size = BitmapInfoHeaderSize;
    info.width = static_cast<int32_t>(frameWidth);
    info.height = static_cast<int32_t>(2 * frameHeight);
    info.sizeImage = 2 * info.sizeImage;
    std::vector<uint8_t> file =
        formats::encodeBmpHead(info, last.colourTable, static_cast<uint32_t>(2 * frameBytes));
    // Bottom-up rows: the newer frame first puts it in the lower half.
    file.insert(file.end(), newer.begin(), newer.begin() + std::ptrdiff_t(frameBytes));
    file.insert(file.end(), earlier.begin(), earlier.begin() + std::ptrdiff_t(frameBytes));

    std::string error;
    const auto path = platform::createNumberedFile(name, &error, claim);
    if (!path) {
        return fail();
    }
    if (!platform::replaceFile(*path, {reinterpret_cast<const char*>(file.data()), file.size()},
                               &error, platform::Durability::Synced)) {
        return fail();
    }
    return path;
}

}  // namespace zelkor::vorrak
