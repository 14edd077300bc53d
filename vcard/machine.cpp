#include "vcard/machine.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace zelkor::vcard {

namespace {

// A sysfs id file holds "0x10de\n".
bool readId(const std::filesystem::path& file, uint16_t& id) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text) || !text.starts_with("0x")) {
        return false;
    }
    const auto r = std::from_chars(text.data() + 2, text.data() + text.size(), id, 16);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

#if defined(__x86_64__) || defined(__i386__)
class RealPorts : public platform::Ports {
  public:
    uint8_t in(uint16_t port) override { return inb(port); }
    void out(uint16_t port, uint8_t value) override { outb(value, port); }
};
#endif

}  // namespace

bool SystemPci::findDevice(uint16_t vendorId, uint16_t deviceId, int index) {
    std::error_code ec;
    std::filesystem::directory_iterator it(root_, ec);
    if (ec) {
        return false;
    }
    // Sorted by bus address, so the index means the same on every call.
    std::vector<std::filesystem::path> devices;
    for (const auto& entry : it) {
        devices.push_back(entry.path());
    }
    std::sort(devices.begin(), devices.end());
    int seen = 0;
    for (const auto& dev : devices) {
        uint16_t vendor = 0;
        uint16_t device = 0;
        if (readId(dev / "vendor", vendor) && readId(dev / "device", device) &&
            vendor == vendorId && device == deviceId && seen++ == index) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<platform::Ports> openRealPorts(std::string& error) {
#if defined(__x86_64__) || defined(__i386__)
    // The VGA registers and the delay port; the rest stays closed.
    if (ioperm(0x80, 1, 1) != 0 || ioperm(0x3C4, 2, 1) != 0 || ioperm(0x3D4, 2, 1) != 0) {
        error = "real ports need root (ioperm was refused)";
        return nullptr;
    }
    return std::make_unique<RealPorts>();
#else
    error = "real ports exist only on x86";
    return nullptr;
#endif
}

}  // namespace zelkor::vcard
