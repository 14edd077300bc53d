#pragma once
// Every event leaves its files in this run's event folder, its record in an
// event slot, and one line in History.Log, which Histran takes over and
// stores in the event database.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/numbered_file.h"
#include "vorrak/guard/guard_state.h"

namespace zelkor::vorrak {

// History.Log as the engine writes it: each line is appended on its own,
// under the lock Histran takes, and reaches the disk before the call
// returns, so a crash loses no finished event and no line ever goes into a
// file Histran has taken over.
struct HistoryLog {
    std::string path;
    bool open = false;
};

constexpr std::string_view kHistoryOpenFailedMessage =
    "Error writting data file, Please check your working directory...\n Zelkor Oculara is "
    "abort....";

// Checks at start-up that History.Log can be appended to (creating it when
// missing); `log.open` tells the result.
bool OpenHistoryLog(HistoryLog& log, const std::string& path);

// The run's event folder, WORKINGDIR + "/" + "%d.%d.%d_%d.%d.%d" of the
// local time, made afresh: when another run holds that name, the first free
// of the name + "_2", "_3", ... When no folder can be made the event files
// go into WORKINGDIR itself rather than the file-system root. Result 1 when
// a folder was made.
int CreateEventFolder(std::string& eventFolder, const std::string& workingDir,
                      platform::Clock& clock);

// "error<n>.bmp" in the event folder: where an event's bitmap goes, or the
// first free name after it when that one is taken.
platform::NumberedName EventBitmapName(const std::string& eventFolder, uint32_t eventNumber);

// After EventNumber grew: the slot's index, description and bitmap path,
// and no clip yet; the bitmap path is also this event's picture for the
// mailer.
int FillEventSlot(GuardState& guard, const std::string& eventFolder, platform::Clock& clock,
                  std::string& eventPicture);

// The current slot's line: "[n] [description] [bitmap] [video]".
int WriteEventLine(const HistoryLog& log, const GuardState& guard);
// "[n+1] [ . End of this work at y/m/d h:m:s] [] []", once at exit.
int WriteEndOfWork(const HistoryLog& log, const GuardState& guard, platform::Clock& clock);

// The slot an event number uses: 1 ... 100 in turn, never 0.
uint32_t EventSlotIndex(uint32_t eventNumber);

}  // namespace zelkor::vorrak
