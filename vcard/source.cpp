#include "vcard/source.h"

#include "vcard/scene.h"
#include "vcard/stream_source.h"
#include "vcard/v4l2_source.h"
#include "vcard/y4m.h"

namespace zelkor::vcard {

void VideoSource::renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out) {
    whole_.resize(at.fullWidth, at.fullHeight);
    render(fieldIndex, whole_);
    samplePlanes(planesOf(whole_), at, out);
}

std::unique_ptr<VideoSource> makeSource(const SourceConfig& config, std::string& error) {
    const std::string_view location = config.location;
    if (location.starts_with("scene:")) {
        auto scene = makeScene(location.substr(6), config);
        if (!scene) {
            error = "unknown scene " + std::string(location.substr(6));
        }
        return scene;
    }
    if (location.starts_with("y4m:")) {
        return Y4mSource::open(std::string(location.substr(4)), config.fieldRate, error);
    }
    if (location.starts_with("v4l2:")) {
        return std::make_unique<V4l2Source>(std::string(location.substr(5)), config.fieldRate);
    }
    if (location.starts_with("stream:")) {
        return StreamSource::open(config, error);
    }
    return nullptr;
}

}  // namespace zelkor::vcard
