#pragma once
// What the Capture Video Settings dialogs decide from the user's input,
// apart from the windows: the frame rate typed, the name chosen for the
// clip, the free space shown for it, the audio format handed back by the
// format chooser.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zelkor::vorrak {

constexpr uint32_t kMinFrameRate = 1;
constexpr uint32_t kMaxFrameRate = 30;
// The recording's file name must fit the capture driver's buffer of 255
// bytes with its terminating zero.
constexpr size_t kCapturePathMax = 254;

constexpr std::string_view kNotAviMessage = "Not supported file type.";
constexpr std::string_view kPathTooLongMessage =
    "The file name is too long. A video file name can have at most 254 characters.";

// The frame rate of the typed text: above 30 gives 30; 0, an empty text or
// one that is not a plain unsigned number gives 1.
uint32_t FrameRateFromText(std::string_view text);

// The extension of a file name as a file dialog reports it: what follows
// the last dot of the last path element, empty when there is none.
std::string_view ExtensionOf(std::string_view path);
// Whether the extension is "AVI", in any case.
bool IsAviExtension(std::string_view extension);

// Where a clip's path lies, as the free space text names it: the drive of
// a Windows path ("C:"), the folder of any other ("/rec" of
// "/rec/error3.avi", "/" of "/clip.avi"), empty for a bare file name.
std::string_view FreeSpacePlace(std::string_view path);
// "Free Disk Space (C:)   812  MBytes", naming `place` in full.
std::string FreeSpaceText(std::string_view place, uint32_t freeMB);

// The bytes of a wave format record that a chooser filled into `buffer`:
// its 18 fixed bytes and the codec bytes its count names, never more than
// the buffer holds; 0 when the buffer is shorter than the fixed bytes.
size_t WaveFormatRecordBytes(std::span<const uint8_t> buffer);

}  // namespace zelkor::vorrak
