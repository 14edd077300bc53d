// Store files come from disk and may be edited by hand: the parser must
// refuse anything it cannot read without reading out of bounds, and what it
// accepts must survive a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/regedit_format.h"

namespace {

bool sameKeys(const std::vector<zelkor::platform::RegKeyData>& a,
              const std::vector<zelkor::platform::RegKeyData>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t k = 0; k < a.size(); ++k) {
        const auto& x = a[k];
        const auto& y = b[k];
        if (x.path != y.path || x.values.size() != y.values.size()) {
            return false;
        }
        for (size_t v = 0; v < x.values.size(); ++v) {
            if (x.values[v].name != y.values[v].name || x.values[v].type != y.values[v].type ||
                x.values[v].data != y.values[v].data) {
                return false;
            }
        }
    }
    return true;
}

bool sameStore(const zelkor::platform::RegistryData& a, const zelkor::platform::RegistryData& b) {
    return sameKeys(a.keys, b.keys) && sameKeys(a.otherKeys, b.otherKeys);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor::platform;
    const auto first = parseRegedit(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!first.ok) {
        if (first.errorLine < 1 || first.errorReason.empty()) {
            std::abort();
        }
        return 0;
    }
    const auto text = formatRegedit(first.data);
    const auto second = parseRegedit(text);
    if (!second.ok || !sameStore(first.data, second.data) || formatRegedit(second.data) != text) {
        std::abort();
    }
    return 0;
}
