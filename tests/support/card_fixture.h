#pragma once
// A virtual card wired to a DecoderBus, as the hardware code meets it.

#include <memory>

#include "platform/fake/virtual_clock.h"
#include "vcard/card.h"
#include "vorrak/hardware/decoder_bus.h"

namespace zelkor::test {

// A source of flat grey fields at a given rate.
class FlatSource : public vcard::VideoSource {
  public:
    explicit FlatSource(int rate) : VideoSource(rate) {}
    void render(uint64_t, vcard::Picture& out) override {
        out.y.assign(out.y.size(), 120);
        out.u.assign(out.u.size(), 128);
        out.v.assign(out.v.size(), 128);
    }
};

// 0 = nothing connected.
inline std::unique_ptr<vcard::VideoSource> flat(int rate) {
    return rate == 0 ? nullptr : std::make_unique<FlatSource>(rate);
}

struct CardRig {
    platform::VirtualClock clock;
    vcard::VirtualCard card;
    vorrak::DecoderBus bus;

    explicit CardRig(const vcard::VcardConfig& config, int compositeRate = 60, int svideoRate = 0)
        : card(config, clock, flat(compositeRate), flat(svideoRate)), bus(card.ports(), clock) {}
};

inline vcard::VcardConfig cardWithChip(uint16_t vendor, uint16_t device) {
    vcard::VcardConfig c;
    c.chips = {{vendor, device}};
    return c;
}

}  // namespace zelkor::test
