#pragma once
// A value change dump of the bus lines (signals "scl" and "sda"), readable by
// logic-analyser and waveform software.

#include <cstdint>
#include <fstream>
#include <string>

namespace zelkor::vcard {

class VcdTrace {
  public:
    // Starts the file with both lines high at time 0; false if it cannot be
    // written.
    bool open(const std::string& path);
    // Records the levels at `timeNs` (never earlier than the last change).
    void change(uint64_t timeNs, bool scl, bool sda);
    // Ends the file with a time stamp after the last change and closes it.
    // A reader takes the levels after the last stamp for zero length: without
    // this one it would never see the lines' last levels, such as the final
    // stop condition.
    void finish(uint64_t timeNs);

  private:
    std::ofstream out_;
    uint64_t lastTime_ = 0;
    bool scl_ = true;
    bool sda_ = true;
};

}  // namespace zelkor::vcard
