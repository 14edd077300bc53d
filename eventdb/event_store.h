#pragma once
// What Histran needs of an event database, whatever holds it: where to go
// on in a history file, whether an event is stored, and adding events in
// groups. Each provider stores a row together with the position after its
// line, so after any interruption rows and positions agree and the next
// run goes on right after the last stored line.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::eventdb {

// The file a position belongs to. Histran gives every file it takes over a
// name of its own; the inode and size tell a different file that was put
// under that name later.
struct HistoryFileId {
    std::string name;  // without the folder
    int64_t inode = 0;
    int64_t size = 0;
};

struct HistoryEvent {
    std::string_view desc;
    std::string_view bitmap;
    std::string_view video;  // empty: the column stays Null
};

// Where to go on in a file, given what was recorded for a file under its
// name: a position recorded for another file, or one outside this file,
// cannot be this file's, so the file is read from its start.
inline int64_t ResumePosition(const HistoryFileId& file, int64_t inode, int64_t size,
                              int64_t recorded) {
    const bool same = inode == file.inode && size == file.size;
    return same && recorded >= 0 && recorded <= file.size ? recorded : 0;
}

// Rows are committed in groups, each row with its position inside the
// group: a commit per row would cost more than the row itself. A group is
// committed when it holds kGroupRows rows or is kGroupMilliseconds old, so
// other programs see new rows soon and wait for locks only briefly.
class CommitGroup {
  public:
    static constexpr int kGroupRows = 1000;
    static constexpr int kGroupMilliseconds = 200;

    void start() {
        rows_ = 0;
        started_ = std::chrono::steady_clock::now();
    }
    // Counts a row; whether the group is due for its commit.
    bool added() {
        ++rows_;
        return rows_ >= kGroupRows || std::chrono::steady_clock::now() - started_ >=
                                          std::chrono::milliseconds(kGroupMilliseconds);
    }

  private:
    int rows_ = 0;
    std::chrono::steady_clock::time_point started_;
};

class EventStore {
  public:
    EventStore() = default;
    EventStore(const EventStore&) = delete;
    EventStore& operator=(const EventStore&) = delete;
    // An open group is rolled back: only commit() stores it.
    virtual ~EventStore() = default;

    // Where to go on in `file`: just after the last line recorded for it,
    // or 0 when nothing of it is recorded.
    virtual bool position(const HistoryFileId& file, int64_t* position) = 0;

    // Whether the database holds a row with this Desc and Bitmap, stored or
    // in the open group: the bitmap path names the run's folder and the
    // event's number, so two events of the same second differ there even
    // when their descriptions are equal.
    virtual bool holds(const HistoryEvent& event, bool* held) = 0;

    // Adds the event's row and records `position` for `file`: both or
    // neither. On failure the rows and positions stored stay in agreement,
    // so the caller can stop there.
    virtual bool add(const HistoryEvent& event, const HistoryFileId& file, int64_t position) = 0;

    // Records `position` for `file` without a row (for lines set aside).
    virtual bool advance(const HistoryFileId& file, int64_t position) = 0;

    // Commits the open group, if any.
    virtual bool commit() = 0;

    // Drops the positions of every file whose name is not in `present`.
    virtual bool forgetAllBut(const std::vector<std::string>& present) = 0;

    const std::string& error() const { return error_; }

    // Rows this store added that a commit stored; rows of a group that was
    // rolled back do not count.
    uint64_t storedRows() const { return storedRows_; }

  protected:
    void rowAdded() { ++pendingRows_; }
    void groupCommitted() {
        storedRows_ += pendingRows_;
        pendingRows_ = 0;
    }
    void groupUndone() { pendingRows_ = 0; }

    std::string error_;

  private:
    uint64_t pendingRows_ = 0;
    uint64_t storedRows_ = 0;
};

}  // namespace zelkor::eventdb
