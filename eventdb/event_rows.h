#pragma once
// The rows a browser shows, whichever database holds them: a fixed set in a
// fixed order from the moment they are opened, one of them current, read
// as they are shown.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::eventdb {

// A column value: nullopt is Null, distinct from an empty text.
using Value = std::optional<std::string>;

// Told around a deleted row leaving the set, once the database has let it
// go: a grid's model announces the removal to its views before and after
// the change itself, so no view asks for a row that is gone.
struct RowRemoval {
    std::function<void(int64_t index)> aboutToRemove;
    std::function<void()> removed;
};

class EventRows {
  public:
    // Absolute positions that are not rows.
    static constexpr int64_t kPosUnknown = -1;  // the current row was deleted
    static constexpr int64_t kPosBOF = -2;
    static constexpr int64_t kPosEOF = -3;

    virtual ~EventRows() = default;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    virtual int64_t recordCount() const = 0;
    // 1-based position of the current row, or one of the kPos values.
    virtual int64_t absolutePosition() const = 0;
    virtual bool bof() const = 0;
    virtual bool eof() const = 0;

    virtual bool moveFirst() = 0;
    virtual bool moveLast() = 0;
    virtual bool moveNext() = 0;
    virtual bool movePrevious() = 0;
    // Makes row `index` (0-based, in the set's order) the current row.
    virtual bool moveTo(int64_t index) = 0;

    virtual const std::vector<std::string>& columns() const = 0;
    // Reads a column of the current row.
    virtual bool field(std::string_view name, Value* value) = 0;
    // Reads a column of any row without moving (for a grid).
    virtual bool fieldAt(int64_t index, int column, Value* value) = 0;
    // Deletes the current row from the database and the set. The position
    // stays on the gap: moveNext goes to the row that followed. `removal`
    // hears of the row only when the database deleted it.
    virtual bool deleteCurrent(const RowRemoval& removal) = 0;

    virtual const std::string& error() const = 0;
};

}  // namespace zelkor::eventdb
