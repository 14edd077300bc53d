#pragma once
// The rows of a shared event database's table History, for browsing: the
// row Ids are fixed when the rows open, in "Id" order, and the rows are
// read by pages of Ids as they are shown, a few pages kept. Rows added
// meanwhile show at the next opening; a row another station deleted reads
// as Null in every column, never as another row.

#include <cstdint>
#include <string>
#include <vector>

#include "eventdb/event_rows.h"
#include "eventdb/pg_connection.h"
#include "eventdb/row_cursor.h"

namespace zelkor::eventdb {

inline constexpr const char* kStationColumn = "Station";

class PgEventRows final : public EventRows {
  public:
    // Rows read at once, and how many such pages are kept.
    static constexpr size_t kPageRows = 200;
    static constexpr size_t kKeptPages = 16;

    // Opens on every row of `connection`'s History, or those of `year` (the
    // text before the first '/' of Desc) and of `station`, either when not empty.
    bool open(PgConnection& connection, const std::string& year, const std::string& station);
    bool isOpen() const override { return connection_ != nullptr; }
    void close() override;

    int64_t recordCount() const override { return static_cast<int64_t>(ids_.size()); }
    int64_t absolutePosition() const override { return cursor_.absolutePosition(); }
    bool bof() const override { return cursor_.bof(ids_.size()); }
    bool eof() const override { return cursor_.eof(ids_.size()); }

    bool moveFirst() override;
    bool moveLast() override;
    bool moveNext() override;
    bool movePrevious() override;
    bool moveTo(int64_t index) override;

    // Station, Desc, Bitmap and Video; the picture's bytes only on request.
    const std::vector<std::string>& columns() const override { return columns_; }
    bool field(std::string_view name, Value* value) override;
    bool fieldAt(int64_t index, int column, Value* value) override;
    // The current row's picture bytes, Null when the database has none.
    bool picture(Value* bytes);
    bool deleteCurrent(const RowRemoval& removal) override;

    const std::string& error() const override { return error_; }

  private:
    using Row = std::vector<Value>;
    struct Page {
        size_t number = 0;
        uint64_t used = 0;
        std::vector<Row> rows;
    };

    bool fail(std::string message);
    bool failDatabase();
    bool usable();
    bool requireRow();
    bool moved(const char* refusal);
    // The row at `index`, read with its page when not kept; null on failure.
    const Row* row(size_t index);
    bool readPage(size_t number, Page* page);

    PgConnection* connection_ = nullptr;
    PgConnection* prepared_ = nullptr;  // the connection the statements are prepared on
    std::vector<std::string> columns_;
    std::vector<int64_t> ids_;
    std::vector<Page> pages_;
    uint64_t uses_ = 0;
    RowCursor cursor_;
    std::string error_;
};

}  // namespace zelkor::eventdb
