#pragma once
// Synthetic scenes: a room seen by a fixed camera with sensor noise, and
// scripted goings-on. Every field is a pure function of the scene, its seed,
// its period and the field number, so runs repeat exactly.

#include <string_view>
#include <vector>

#include "vcard/source.h"

namespace zelkor::vcard {

bool isSceneName(std::string_view name);
// The names, for messages.
std::string_view sceneNames();

class SceneSource : public VideoSource {
  public:
    enum class Kind {
        Static,    // nothing happens
        Walker,    // a person walks through once every period
        Arrival,   // after one period an object comes in and stays
        Lighting,  // the light goes down and up again every period
    };

    SceneSource(Kind kind, const SourceConfig& config);
    void render(uint64_t fieldIndex, Picture& out) override;
    void renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out) override;

  private:
    // The room without anyone in it, for a picture of this size; and its
    // luminance with the light down.
    const Picture& room(int width, int height);

    Kind kind_;
    uint32_t seed_;
    uint32_t periodMs_;
    Picture room_;
    std::vector<uint8_t> dimmedRoom_;
};

std::unique_ptr<SceneSource> makeScene(std::string_view name, const SourceConfig& config);

}  // namespace zelkor::vcard
