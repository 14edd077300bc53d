#pragma once
// Whether the decoder has a signal, watched while Vorrak runs: an unplugged
// camera or a broken stream leaves the decoder without lock until the
// picture comes back by itself, and the user is told both ways.

#include <cstdint>
#include <iostream>
#include <ostream>
#include <string_view>

#include "vorrak/hardware/decoder_bus.h"

namespace zelkor::vorrak {

constexpr uint8_t kDecoderStatus = 0x1F;
constexpr uint8_t kStatusLocked = 0x01;
constexpr uint8_t kStatus60Hz = 0x20;

// One read of the decoder's status: whether it has locked to a signal. The
// read skips the settling wait of start-up: it runs on every scan, and the
// decoder holds the clock line itself while it is not ready.
bool DecoderLocked(DecoderBus& bus);

constexpr std::string_view kSignalLostLine = "Vorrak: no video signal\n";
constexpr std::string_view kSignalBackLine = "Vorrak: video signal back\n";

struct SignalWatch {
    bool lost = false;
    // Where a loss and a return are told.
    std::ostream* log = &std::cerr;
};

// Reads the decoder once; tells the log when the signal has gone or come
// back since the last look. Whether the decoder is locked.
bool WatchSignal(SignalWatch& watch, DecoderBus& bus);

}  // namespace zelkor::vorrak
