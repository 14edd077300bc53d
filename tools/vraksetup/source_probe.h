#pragma once
// A camera tried out before it is set up: its source built as the card
// builds it, then a few seconds for a first picture. It all runs on a
// thread of its own, so a camera that does not answer holds nobody up;
// asking for the outcome never waits.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "vcard/picture.h"

namespace zelkor::tools {

struct ProbeOutcome {
    std::string error;       // why there is no picture; empty with one
    vcard::Picture picture;  // the first picture, at ProbeWidth x ProbeHeight
};

class SourceProbe {
  public:
    static constexpr int ProbeWidth = 352;
    static constexpr int ProbeHeight = 240;

    // Starts trying `location` (a card source location); a picture must
    // come within `waitMs`.
    SourceProbe(const std::string& location, uint32_t waitMs);
    SourceProbe(const SourceProbe&) = delete;
    SourceProbe& operator=(const SourceProbe&) = delete;

    // The outcome once the try is over.
    std::optional<ProbeOutcome> outcome() const;

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace zelkor::tools
