#pragma once
// Switching the driver between the frame format guard mode compares and the
// driver's own recording format.

#include <cstdint>

#include "platform/capture_driver.h"

namespace zelkor::vorrak {

constexpr int kFrameFormatMode = 10;
constexpr int kRecordingFormatMode = 101;

// Mode 10: uncompressed frames of `bitDepth` bits at the driver's image
// size. Mode 101: the driver's own format, "ZKV2", or "ZKV1" when that is
// refused. Returns the driver's answer, nonzero when accepted.
int SetCaptureFormat(platform::CaptureWindow& window, int mode, uint32_t bitDepth);

}  // namespace zelkor::vorrak
