#include "vorrak/hardware/signal_watch.h"

#include "vorrak/hardware/picture_controls.h"

namespace zelkor::vorrak {

bool DecoderLocked(DecoderBus& bus) {
    return (bus.ReadRegister(bus_address::Decoder, kDecoderStatus, 0) & kStatusLocked) != 0;
}

bool WatchSignal(SignalWatch& watch, DecoderBus& bus) {
    const bool locked = DecoderLocked(bus);
    if (locked == watch.lost) {
        watch.lost = !locked;
        *watch.log << (locked ? kSignalBackLine : kSignalLostLine) << std::flush;
    }
    return locked;
}

}  // namespace zelkor::vorrak
