#include "platform/fake/fake_disk.h"

namespace zelkor::platform {

std::optional<uint64_t> FakeDisk::lookup(const Table& table, std::string_view path) {
    const std::optional<uint64_t>* best = nullptr;
    size_t bestLength = 0;
    for (const auto& [prefix, bytes] : table) {
        if (path.starts_with(prefix) && (best == nullptr || prefix.size() >= bestLength)) {
            best = &bytes;
            bestLength = prefix.size();
        }
    }
    return best != nullptr ? *best : std::nullopt;
}

}  // namespace zelkor::platform
