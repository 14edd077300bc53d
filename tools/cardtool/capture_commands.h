#pragma once
// cardtool's capture commands: one frame to a bitmap, or a clip of a set
// length, through the configured card's capture driver at the size of the
// standard its input runs.

#include <string>

namespace zelkor::tools {

// The card is the one of `station` (empty: the default station).
// cardtool grab FILE
int grabCommand(const std::string& station, const std::string& file);
// cardtool record FILE SECONDS [--fps N]
int recordCommand(const std::string& station, const std::string& file, unsigned seconds,
                  unsigned fps);

}  // namespace zelkor::tools
