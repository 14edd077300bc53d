#pragma once
// The screen power-off feature shared by every Vorrak of a user (one per
// station): each switches it off while it runs, and only the last one to end
// switches it back on, to the state the first one found. Without this, the
// first station to end would switch it on under the others.

#include <memory>
#include <string>

#include "platform/power.h"

namespace zelkor::platform {

// `inner` as the programs sharing `directory` (the instance folder) see it.
// While any of them holds the feature off, or after one ended without
// switching it back (killed), the feature reads as the state first found,
// so the next program to end restores it. A holder that ends without
// switching back only gives up its hold.
std::unique_ptr<Power> sharePower(std::unique_ptr<Power> inner, std::string directory);

}  // namespace zelkor::platform
