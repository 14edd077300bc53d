#include "vcard/source.h"

#include "vcard/scene.h"
#include "vcard/v4l2_source.h"
#include "vcard/y4m.h"

namespace zelkor::vcard {

std::unique_ptr<VideoSource> makeSource(const SourceConfig& config, std::string& error) {
    const std::string_view spec = config.spec;
    if (spec.starts_with("scene:")) {
        auto scene = makeScene(spec.substr(6), config);
        if (!scene) {
            error = "unknown scene " + std::string(spec.substr(6));
        }
        return scene;
    }
    if (spec.starts_with("y4m:")) {
        return Y4mSource::open(std::string(spec.substr(4)), config.fieldRate, error);
    }
    if (spec.starts_with("v4l2:")) {
        return std::make_unique<V4l2Source>(std::string(spec.substr(5)), config.fieldRate);
    }
    return nullptr;
}

}  // namespace zelkor::vcard
