// The station option comes from any command line, Vorrak's companions'
// included: any words must be read without faults, a name taken must be one
// that stays inside the store's folder, and the other words must stay, in
// their order.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/station.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace platform = zelkor::platform;
    // Words separated by NUL bytes, after the program's name.
    std::vector<std::string> words{"program"};
    words.emplace_back();
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back().push_back(char(data[i]));
        }
    }
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    int argc = int(words.size());
    std::string station;
    std::string error;
    if (!platform::takeStationArgument(argc, argv.data(), &station, &error)) {
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    if (argc < 1 || argc > int(words.size()) || argv[argc] != nullptr) {
        std::abort();
    }
    // The words kept are the input's, in order, less two at most.
    size_t next = 1;
    for (int i = 1; i < argc; ++i) {
        while (next < words.size() && argv[i] != words[next].data()) {
            ++next;
        }
        if (next == words.size()) {
            std::abort();
        }
    }
    if (words.size() - size_t(argc) > 2 || (station.empty() != (size_t(argc) == words.size()))) {
        std::abort();
    }
    if (station.empty()) {
        return 0;
    }
    const std::filesystem::path store("/cfg/zelkor/registry.reg");
    const std::filesystem::path own(platform::stationStorePath(store.string(), station));
    const std::filesystem::path card(platform::stationCardPath(own.string(), station));
    if (!platform::validStationName(station) || own.parent_path() != store.parent_path() ||
        card.parent_path() != store.parent_path() || own == store) {
        std::abort();
    }
    return 0;
}
