#include "vcard/mjpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace zelkor::vcard {

namespace {

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

// Runs the library over the frame; the memory destination's buffer is
// handed back through `buffer` and `size` even on failure, for freeing.
bool compress(const CaptureFrame& frame, bool grey, int quality, uint8_t* row,
              unsigned char** buffer, unsigned long* size) {
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
    cinfo.image_width = JDIMENSION(frame.width);
    cinfo.image_height = JDIMENSION(frame.height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_YCbCr;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    const size_t cw = size_t(frame.width / 2);
    while (cinfo.next_scanline < cinfo.image_height) {
        const size_t line = cinfo.next_scanline;
        const uint8_t* y = frame.y.data() + line * size_t(frame.width);
        JSAMPROW rows[1];
        if (grey) {
            rows[0] = const_cast<JSAMPROW>(y);
        } else {
            const uint8_t* u = frame.u.data() + line * cw;
            const uint8_t* v = frame.v.data() + line * cw;
            for (size_t x = 0; x < size_t(frame.width); ++x) {
                row[x * 3] = y[x];
                row[x * 3 + 1] = u[x / 2];
                row[x * 3 + 2] = v[x / 2];
            }
            rows[0] = row;
        }
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

bool encodeJpeg(const CaptureFrame& frame, bool grey, int quality, std::vector<uint8_t>& out) {
    out.clear();
    if (frame.width <= 0 || frame.height <= 0 || frame.width % 2 != 0 ||
        frame.y.size() < size_t(frame.width) * size_t(frame.height)) {
        return false;
    }
    std::vector<uint8_t> row(size_t(frame.width) * 3);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = compress(frame, grey, quality, row.data(), &buffer, &size);
    if (ok && buffer != nullptr) {
        out.assign(buffer, buffer + size);
    }
    std::free(buffer);
    return ok && !out.empty();
}

}  // namespace zelkor::vcard
