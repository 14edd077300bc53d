#pragma once
// The program's hold on History.Log, part of its state; the guard engine
// writes through it (vorrak/guard/event_history.h).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace zelkor::vorrak {

// A line that could not be written yet, with the bitmap path that names its
// event in the journal (empty for the end-of-work line).
struct UnwrittenLine {
    std::string line;
    std::string bitmapPath;
};

// At most this many lines wait in memory; more are counted as lost.
constexpr size_t kUnwrittenLinesMax = 10000;

// History.Log as the engine writes it: each line is appended on its own,
// under the lock Histran takes, and reaches the disk before the call
// returns, so a crash loses no finished event and no line ever goes into a
// file Histran has taken over. Every raised event is also in the event
// journal beside it until its line is written, so a crash before the line
// was due loses no event either.
//
// A line that cannot be written (a full disk) waits in memory and is
// written, in order, before the next line, and at exit; the user hears of
// it once per run.
struct HistoryLog {
    std::string path;
    std::string journalPath;
    bool open = false;
    std::deque<UnwrittenLine> unwritten;
    uint64_t dropped = 0;  // lines beyond kUnwrittenLinesMax
    bool failureTold = false;
};

}  // namespace zelkor::vorrak
