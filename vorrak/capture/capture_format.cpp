#include "vorrak/capture/capture_format.h"

namespace zelkor::vorrak {

namespace vf = platform::video_format;

int SetCaptureFormat(platform::CaptureWindow& window, int mode, uint32_t bitDepth) {
    platform::CaptureStatus status;
    if (!window.getStatus(status)) {
        return 0;
    }
    const auto w = int32_t(status.uiImageWidth);
    const auto h = int32_t(status.uiImageHeight);
    if (mode == kFrameFormatMode) {
        const vf::Header frame{vf::FrameHeaderSize,
                               w,
                               h,
                               uint16_t(bitDepth),
                               vf::Rgb,
                               uint32_t(w) * uint32_t(h) * bitDepth / 8,
                               0,
                               0};
        return window.setVideoFormat(vf::encode(frame)) ? 1 : 0;
    }
    if (mode != kRecordingFormatMode) {
        return 0;
    }
    const uint32_t image = uint32_t(w) * uint32_t(h) * 3;
    if (window.setVideoFormat(vf::encode({vf::RecordingHeaderSize, w, h, 24, vf::Zkv2, image,
                                          vf::Zkv2Mode, vf::RecordingTag}))) {
        return 1;
    }
    return window.setVideoFormat(vf::encode({vf::RecordingHeaderSize, w, h, 24, vf::Zkv1, image,
                                             vf::Zkv1Mode, vf::RecordingTag}))
               ? 1
               : 0;
}

}  // namespace zelkor::vorrak
