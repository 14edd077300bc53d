#pragma once
// Which camera feeds the card's composite input, as the user names it: a
// synthetic scene, a video file, a camera's network address or a video
// device, made into the card's source location and checked first.

#include <string>
#include <string_view>

namespace zelkor::tools {

struct CameraSource {
    std::string location;  // the card's source location; empty when refused
    std::string error;     // why it was refused
};

// "scene:NAME", "/dev/videoN", an address "SCHEME://..." or the path of a
// video file that exists. Files become absolute: the card reads a relative
// path from its configuration's folder, not from where this ran. YUV4MPEG2
// files (.y4m) are read by the card itself, everything else as a stream.
CameraSource CameraSourceOf(std::string_view camera);

// Whether the text is an address "SCHEME://..." rather than a file.
bool IsCameraAddress(std::string_view text);

// The text with the user name and password of an address hidden
// ("rtsp://***@host/..."), fit to be shown or logged.
std::string MaskCredentials(std::string_view text);

}  // namespace zelkor::tools
