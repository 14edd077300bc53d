// The setup tool's arguments come from whoever runs it: any words must be
// parsed without faults, and what is accepted must be storable as it
// stands: numbers within their ranges, texts within their buffers, and a
// working directory Vorrak can use.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tools/companions/companion_values.h"
#include "tools/vraksetup/setup_request.h"
#include "vorrak/resources/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor;
    // One argument per zero-separated piece.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\0', start), text.size());
        args.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const auto parsed = tools::ParseSetupArguments(args);
    if (!parsed.request) {
        if (parsed.error.empty()) {
            std::abort();
        }
        return 0;
    }
    const auto& request = *parsed.request;
    if (request.help) {
        return 0;
    }
    // A camera alone leaves the store, and with it the working directory,
    // as it is.
    const auto* workDir = tools::FindStoredValue(resources::kWorkingDirValue);
    if (!request.cameraOnly() && !tools::TextProblem(*workDir, request.workDir).empty()) {
        std::abort();
    }
    for (const auto& a : request.assignments) {
        const bool bad = a.entry->kind == vorrak::SettingKind::Number
                             ? !tools::NumberProblem(*a.entry, a.number).empty()
                             : !tools::TextProblem(*a.entry, a.text).empty();
        if (bad) {
            std::abort();
        }
    }
    return 0;
}
