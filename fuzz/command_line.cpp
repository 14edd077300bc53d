// Command lines come from the settings (the viewer, the alarm program): any
// bytes must split without faults, and the readings offered to start them
// must be the ones the rules allow: the first is the plain split, each
// later program is a longer prefix of the line without a quote, and no
// reading takes more characters than the line holds.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using zelkor::platform::splitCommandLine;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto split = splitCommandLine(line);
    size_t offered = 0;
    std::string lastProgram;
    const bool taken =
        zelkor::platform::tryCommandLineReadings(line, [&](const std::vector<std::string>& words) {
            size_t characters = 0;
            for (const auto& w : words) {
                characters += w.size();
            }
            if (words.empty() || characters > size || (offered == 0 && words != split)) {
                std::abort();
            }
            if (offered > 0) {
                const auto& program = words[0];
                const size_t start = line.find_first_not_of(" \t");
                if (program.size() <= lastProgram.size() ||
                    program.find('"') != std::string::npos ||
                    line.substr(start, program.size()) != program) {
                    std::abort();
                }
            }
            lastProgram = words[0];
            ++offered;
            // Take a reading chosen by the input, so every stop is reached.
            return size > 0 && offered == size_t(data[0] % 8);
        });
    if (taken != (size > 0 && offered == size_t(data[0] % 8) && offered > 0)) {
        std::abort();
    }
    return 0;
}
