#pragma once
// A bus trace (the card's value change dump) decoded by a logic analyser's
// I2C protocol decoder, sigrok-cli, as someone debugging the card would see
// it: what went over the wires, not what the card made of it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::testing {

// One transfer from a start to a stop (or a repeated start).
struct I2cTransfer {
    uint8_t address = 0;  // as the card's devices are known: the address byte, read bit clear
    bool read = false;
    std::vector<uint8_t> bytes;  // after the address
    int nacks = 0;               // bytes, the address included, nobody acknowledged
    bool stopped = false;        // ended by a stop condition
};

inline bool haveSigrok() {
    return std::system("sigrok-cli --version > /dev/null 2>&1") == 0;
}

// The transfers in the trace at `vcdPath`, whose lines are the signals
// "scl" and "sda", in order. False when sigrok-cli fails.
inline bool decodeI2cTrace(const std::string& vcdPath, std::vector<I2cTransfer>& transfers) {
    transfers.clear();
    // The trace counts in nanoseconds and nothing on the card's bus changes
    // faster than once a microsecond: sampled per microsecond, nothing is lost.
    const std::string command =
        "sigrok-cli -I vcd:downsample=1000 -i '" + vcdPath +
        "' -P i2c:scl=scl:sda=sda:address_format=unshifted -A i2c=addr-data 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    const auto hexAfter = [](std::string_view line, std::string_view label) {
        return uint8_t(std::stoul(std::string(line.substr(label.size())), nullptr, 16));
    };
    bool ok = true;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string_view line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        constexpr std::string_view prefix = "i2c-1: ";
        if (!line.starts_with(prefix)) {
            ok = false;  // sigrok-cli's own complaint
            continue;
        }
        line.remove_prefix(prefix.size());
        if (line == "Start" || line == "Start repeat") {
            transfers.emplace_back();
        } else if (transfers.empty()) {
            ok = false;  // anything before the first start is noise
        } else if (line == "Stop") {
            transfers.back().stopped = true;
        } else if (line == "NACK") {
            ++transfers.back().nacks;
        } else if (line.starts_with("Address write: ")) {
            transfers.back().address = hexAfter(line, "Address write: ");
        } else if (line.starts_with("Address read: ")) {
            transfers.back().address = hexAfter(line, "Address read: ");
            transfers.back().read = true;
        } else if (line.starts_with("Data write: ")) {
            transfers.back().bytes.push_back(hexAfter(line, "Data write: "));
        } else if (line.starts_with("Data read: ")) {
            transfers.back().bytes.push_back(hexAfter(line, "Data read: "));
        }
    }
    return pclose(pipe) == 0 && ok;
}

}  // namespace zelkor::testing
