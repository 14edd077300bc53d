#pragma once
// Every event leaves its files in this run's event folder, its record in an
// event slot, and one line in History.Log, which Histran takes over and
// stores in the event database.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/numbered_file.h"
#include "platform/ui.h"
#include "vorrak/detection/guard_state.h"
#include "vorrak/state/history_log.h"

namespace zelkor::vorrak {

constexpr std::string_view kHistoryOpenFailedMessage =
    "Error writting data file, Please check your working directory...\n Zelkor Oculara is "
    "abort....";

// Told once per run when a history line cannot be written; followed by the
// reason.
constexpr std::string_view kHistoryWriteFailedMessage =
    "The event history cannot be written; its lines are kept and written as soon as it can be "
    "written again:\n";
// Appended to the description of an event brought back from the journal.
constexpr std::string_view kRecoveredEventText = " no release time recorded";

// Checks at start-up that History.Log can be appended to (creating it when
// missing); `log.open` tells the result. Then every event of an earlier run
// that the journal holds as pending and whose bitmap is on disk gets its
// line, unless History.Log or a file Histran took over from it holds one
// already, so recovering twice adds nothing.
bool OpenHistoryLog(HistoryLog& log, const std::string& path);

// The journal record of the current slot's event under the bitmap name
// `path`, before a file of that name is made; `taken` false withdraws it
// when the name could not be had after all.
void JournalEventName(const HistoryLog& log, const GuardState& guard, const std::string& path,
                      bool taken);
// The journal record of the clip the current slot's event begins to record.
void JournalClipStart(const HistoryLog& log, const GuardState& guard, const std::string& clipPath);

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

// The current slot's line: "[n] [description] [bitmap] [video]". The first
// line of a run that cannot be written is told on stderr, and in a box
// under `processStyle` 1, where someone follows the events.
int WriteEventLine(HistoryLog& log, const GuardState& guard, platform::Ui& ui,
                   uint32_t processStyle);
// "[n+1] [ . End of this work at y/m/d h:m:s] [] []", once at exit, after
// the lines still waiting; how many of them could not be written is told on
// stderr.
int WriteEndOfWork(HistoryLog& log, const GuardState& guard, platform::Clock& clock);

// The slot an event number uses: 1 ... 100 in turn, never 0.
uint32_t EventSlotIndex(uint32_t eventNumber);

}  // namespace zelkor::vorrak
