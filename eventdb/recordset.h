#pragma once
// A static snapshot of rows, opened on a table name or a select statement:
// the set of rows and their order are fixed when it opens; each row's values
// are read the first time they are asked for and then kept. Changes made
// through the recordset are stored in the database at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "eventdb/connection.h"
#include "eventdb/event_rows.h"
#include "eventdb/row_cursor.h"

struct sqlite3_stmt;

namespace zelkor::eventdb {

using FieldValues = std::vector<std::pair<std::string, Value>>;

class Recordset final : public EventRows {
  public:
    Recordset() = default;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    ~Recordset() override;

    // `source` is a table name, or a statement starting with "select" whose
    // '?' placeholders take `parameters` in order. Rows can be changed only
    // when the statement reads a single table.
    bool open(const Connection& connection, std::string_view source,
              const std::vector<std::string>& parameters = {});
    bool isOpen() const override { return session_ != nullptr; }
    void close() override;

    int64_t recordCount() const override { return static_cast<int64_t>(rowids_.size()); }
    // 1-based position of the current row, or one of the kPos values.
    int64_t absolutePosition() const override;
    bool bof() const override;
    bool eof() const override;

    bool moveFirst() override;
    bool moveLast() override;
    bool moveNext() override;
    bool movePrevious() override;
    // Makes row `index` (0-based, snapshot order) the current row.
    bool moveTo(int64_t index) override;

    const std::vector<std::string>& columns() const override { return columns_; }
    // Index of a column by name (case-insensitive), -1 when there is none.
    int columnIndex(std::string_view name) const;

    // Reads a column of the current row.
    bool field(std::string_view name, Value* value) override;
    bool field(int column, Value* value);
    // Reads a column of any row without moving (for a grid).
    bool fieldAt(int64_t index, int column, Value* value) override;

    // Sets a column of the current row and stores it.
    bool setField(std::string_view name, const Value& value);
    // Adds a row with the given columns (others stay Null), stores it and
    // makes it the current row.
    bool addNew(const FieldValues& values);
    // Deletes the current row from the database and the snapshot. The
    // position stays on the gap: moveNext goes to the row that followed.
    // `removal` hears of the row only when the database deleted it.
    bool deleteCurrent(const RowRemoval& removal = {}) override;

    // Every value of one column, in no particular order, read in one pass
    // over the source (rows other programs added since opening included).
    bool readColumn(std::string_view name, std::vector<Value>* values);

    const std::string& error() const override { return error_; }

  private:
    using Row = std::vector<Value>;

    bool fail(std::string message);
    bool failSql();
    bool moved(const char* refusal);
    bool usable();
    bool requireRow();
    bool requireTable();
    bool loadRow(size_t index);
    void finalizeStatements();

    std::shared_ptr<Session> session_;
    std::string base_;   // the source as a statement with a leading row id column
    std::string table_;  // where changes go; empty when the rows cannot be changed
    std::vector<std::string> parameters_;
    std::vector<std::string> columns_;
    std::vector<std::string> origins_;  // the table column behind each column
    std::vector<int64_t> rowids_;
    std::vector<std::unique_ptr<Row>> rows_;
    sqlite3_stmt* rowQuery_ = nullptr;
    RowCursor cursor_;
    std::string error_;
};

}  // namespace zelkor::eventdb
