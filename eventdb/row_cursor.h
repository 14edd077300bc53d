#pragma once
// The current row of a fixed set of rows: on a row, before the first, past
// the last, or on the gap a deleted row left. The set's size is passed in,
// so the rows themselves may live anywhere.

#include <cstddef>
#include <cstdint>

#include "eventdb/event_rows.h"

namespace zelkor::eventdb {

class RowCursor {
  public:
    enum class Place { Bof, Row, Eof, Deleted };

    Place place() const { return place_; }
    size_t pos() const { return pos_; }

    int64_t absolutePosition() const {
        switch (place_) {
            case Place::Row:
                return static_cast<int64_t>(pos_) + 1;
            case Place::Bof:
                return EventRows::kPosBOF;
            case Place::Deleted:
                return EventRows::kPosUnknown;
            case Place::Eof:
                break;
        }
        return EventRows::kPosEOF;
    }
    bool bof(size_t count) const {
        return place_ == Place::Bof || (count == 0 && place_ != Place::Deleted);
    }
    bool eof(size_t count) const {
        return place_ == Place::Eof || (count == 0 && place_ != Place::Deleted);
    }
    void first(size_t count) {
        place_ = count == 0 ? Place::Eof : Place::Row;
        pos_ = 0;
    }
    void last(size_t count) {
        place_ = count == 0 ? Place::Eof : Place::Row;
        pos_ = count == 0 ? 0 : count - 1;
    }
    // The moves that can be refused return the reason, or null.
    const char* next(size_t count) {
        if (eof(count)) {
            return "Either BOF or EOF is True: there is no next record.";
        }
        size_t next = 0;
        if (place_ == Place::Row) {
            next = pos_ + 1;
        } else if (place_ == Place::Deleted) {
            next = pos_;
        }
        place_ = next < count ? Place::Row : Place::Eof;
        pos_ = next < count ? next : count;
        return nullptr;
    }
    const char* previous(size_t count) {
        if (bof(count)) {
            return "Either BOF or EOF is True: there is no previous record.";
        }
        const size_t from = place_ == Place::Eof ? count : pos_;
        place_ = from == 0 ? Place::Bof : Place::Row;
        pos_ = from == 0 ? 0 : from - 1;
        return nullptr;
    }
    const char* to(int64_t index, size_t count) {
        if (index < 0 || static_cast<size_t>(index) >= count) {
            return "The record position is out of range.";
        }
        place_ = Place::Row;
        pos_ = static_cast<size_t>(index);
        return nullptr;
    }
    // The current row left the set.
    void deleted() { place_ = Place::Deleted; }
    void reset() {
        place_ = Place::Eof;
        pos_ = 0;
    }

  private:
    Place place_ = Place::Eof;
    size_t pos_ = 0;
};

}  // namespace zelkor::eventdb
