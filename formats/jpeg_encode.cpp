#include "formats/jpeg_encode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace zelkor::formats {

namespace {

// The format's largest side.
constexpr uint32_t kMaxSide = 65500;

// The library reports fatal errors by calling error_exit, which must not
// return; it jumps back to the encoder instead of ending the program.
struct ErrorJump {
    jpeg_error_mgr base;
    std::jmp_buf back;
};

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->back, 1);
}

void onMessage(j_common_ptr, int) {}

J_COLOR_SPACE colourSpace(JpegColour colour) {
    switch (colour) {
        case JpegColour::Grey:
            return JCS_GRAYSCALE;
        case JpegColour::Rgb:
            return JCS_RGB;
        case JpegColour::YCbCr:
            break;
    }
    return JCS_YCbCr;
}

// Runs the library over the rows; the memory destination's buffer is
// handed back through `buffer` and `size` even on failure, for freeing.
bool compress(uint32_t width, uint32_t height, JpegColour colour, int quality, const JpegRow& row,
              uint8_t* scratch, unsigned char** buffer, unsigned long* size) {
    jpeg_compress_struct cinfo;
    ErrorJump err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.emit_message = onMessage;
    if (setjmp(err.back) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = colour == JpegColour::Grey ? 1 : 3;
    cinfo.in_color_space = colourSpace(colour);
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(row(cinfo.next_scanline, scratch))};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

bool encodeJpeg(uint32_t width, uint32_t height, JpegColour colour, int quality, const JpegRow& row,
                std::vector<uint8_t>& out) {
    out.clear();
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    std::vector<uint8_t> scratch(size_t(width) * 3);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = compress(width, height, colour, quality, row, scratch.data(), &buffer, &size);
    if (ok && buffer != nullptr) {
        out.assign(buffer, buffer + size);
    }
    std::free(buffer);
    return ok && !out.empty();
}

}  // namespace zelkor::formats
