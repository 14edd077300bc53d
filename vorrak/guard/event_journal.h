#pragma once
// A write-ahead journal of raised events, so that an event whose bitmap is
// on disk reaches History.Log even when the program is killed before its
// line was due (during a clip, during tracing).
//
// One record is appended, and flushed to disk, when an event is raised and
// before its bitmap is written; another when its History.Log line has been
// written. An event raised and never done is pending. The journal lives in
// the working directory beside History.Log (one Vorrak per working
// directory) and is removed whenever nothing in it is pending, so it holds
// at most the events of a run that did not end.
//
// Records are text lines ended by CR LF:
//   "raised <number> <path length> <bitmap path> <description>"
//   "clip <path length> <bitmap path> <path length> <clip path>"
//   "done <path length> <bitmap path>"
// A clip record is written when the event's clip is about to be recorded.
// The bitmap path names the event; its length is given since a path may
// hold blanks.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::vorrak {

constexpr std::string_view kEventJournalName = "History.journal";

struct JournalEvent {
    uint32_t number = 0;
    std::string bitmapPath;
    std::string description;
    // The clip being recorded for it, when one was begun.
    std::string clipPath;
};

// The events raised and not done in `text`, a journal's contents, in the
// order they were raised. A record that is not whole (no CR LF after it:
// cut off by a crash) or not well-formed, with a bracket or a control
// character in a field that would break a history line, or longer than an
// event slot holds, is passed over. An event raised again under the same
// bitmap path counts once, with its newer record.
std::vector<JournalEvent> PendingJournalEvents(std::string_view text);

// The two records; `error` says why nothing was appended.
bool JournalEventRaised(const std::string& journalPath, const JournalEvent& event,
                        std::string* error);
bool JournalEventClip(const std::string& journalPath, const std::string& bitmapPath,
                      const std::string& clipPath, std::string* error);
bool JournalEventDone(const std::string& journalPath, const std::string& bitmapPath,
                      std::string* error);

// The events pending in the journal at `journalPath`; none when it is
// missing or cannot be read.
std::vector<JournalEvent> ReadPendingJournalEvents(const std::string& journalPath);

// Removes the journal when nothing in it is pending. Removal is atomic: a
// crash leaves either the old journal (all done) or none.
void CompactEventJournal(const std::string& journalPath);

}  // namespace zelkor::vorrak
