#pragma once
// One running program per window class ("ZelkorVorrak", ...), found by the
// class name and reachable with command ids from other programs.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::platform {

// Held by the running program for as long as it owns its class name.
class InstanceClaim {
  public:
    virtual ~InstanceClaim() = default;
    // A descriptor that becomes readable when commands arrive (for an
    // event-loop notifier), and the command ids received since the last call.
    virtual int fd() const = 0;
    virtual std::vector<uint32_t> takeCommands() = 0;
};

// What became of a command sent to the holder of a class.
enum class Delivery {
    Delivered,
    NotRunning,  // nobody holds the class
    Busy,        // the holder took nothing for a second: its queue is full
    Failed,      // the folder or the socket cannot be used
};

class Instances {
  public:
    virtual ~Instances() = default;
    // Claims `className` for this process. Null when it cannot: `*error`
    // (when given) is then empty if a live process holds the name, and says
    // why otherwise (no usable folder, a folder others can write, a name
    // that does not fit a socket, ...), so a caller tells "already running"
    // from a fault it has to report.
    virtual std::unique_ptr<InstanceClaim> claim(std::string_view className,
                                                 std::string* error) = 0;
    std::unique_ptr<InstanceClaim> claim(std::string_view className) {
        return claim(className, nullptr);
    }
    // Whether a live process holds `className` (FindWindow).
    virtual bool exists(std::string_view className) = 0;
    // Sends a command id to the holder of `className`. `*reason` (when
    // given) says why for Busy and Failed, so a sender tells "nobody runs"
    // from a fault it has to report.
    virtual Delivery deliver(std::string_view className, uint32_t command, std::string* reason) = 0;
    bool send(std::string_view className, uint32_t command) {
        return deliver(className, command, nullptr) == Delivery::Delivered;
    }
};

// A class name that names one socket file in the instance folder: not
// empty, not "." or "..", and without '/' or NUL, either of which would
// put the socket somewhere else than the name says.
bool validClassName(std::string_view name);

// Unix sockets in `directory` ($XDG_RUNTIME_DIR, else /tmp/zelkor-<uid>),
// used only while the folder belongs to this user (or root) and no one else
// can write it: others could plant sockets there that pose as our programs.
std::string defaultInstanceDirectory();
std::unique_ptr<Instances> makeInstances(std::string directory);

}  // namespace zelkor::platform
