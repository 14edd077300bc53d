#include "tools/vraksetup/source_probe.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "vcard/source.h"

namespace zelkor::tools {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kFieldRate = 60;

ProbeOutcome tryLocation(const std::string& location, uint32_t waitMs) {
    ProbeOutcome result;
    vcard::SourceConfig config;
    config.location = location;
    config.fieldRate = kFieldRate;
    std::string error;
    auto source = vcard::makeSource(config, error);
    if (source == nullptr) {
        result.error = error.empty() ? "there is no camera to try" : error;
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(waitMs);
    while (!source->hasPicture()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            result.error = "no picture within " + std::to_string(waitMs / 1000) + " seconds";
            return result;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    result.picture.resize(SourceProbe::ProbeWidth, SourceProbe::ProbeHeight);
    source->render(uint64_t(elapsed.count()) * uint64_t(source->fieldRate()) / 1000,
                   result.picture);
    return result;
}

}  // namespace

struct SourceProbe::Shared {
    std::mutex mutex;
    std::optional<ProbeOutcome> outcome;
};

SourceProbe::SourceProbe(const std::string& location, uint32_t waitMs)
    : shared_(std::make_shared<Shared>()) {
    // The thread keeps what it shares: a source that takes long to open may
    // outlive the probe, and then finishes for nobody.
    std::thread([shared = shared_, location, waitMs] {
        ProbeOutcome result = tryLocation(location, waitMs);
        const std::lock_guard lock(shared->mutex);
        shared->outcome = std::move(result);
    }).detach();
}

std::optional<ProbeOutcome> SourceProbe::outcome() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->outcome;
}

}  // namespace zelkor::tools
