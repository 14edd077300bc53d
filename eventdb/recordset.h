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

struct sqlite3_stmt;

namespace zelkor::eventdb {

// A column value: nullopt is Null, distinct from an empty text.
using Value = std::optional<std::string>;
using FieldValues = std::vector<std::pair<std::string, Value>>;

// Told around a deleted row leaving the snapshot, once the database has let
// it go: a grid's model announces the removal to its views before and after
// the change itself, so no view asks for a row that is gone.
struct RowRemoval {
    std::function<void(int64_t index)> aboutToRemove;
    std::function<void()> removed;
};

class Recordset {
  public:
    // Absolute positions that are not rows.
    static constexpr int64_t kPosUnknown = -1;  // the current row was deleted
    static constexpr int64_t kPosBOF = -2;
    static constexpr int64_t kPosEOF = -3;

    Recordset() = default;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    ~Recordset();

    // `source` is a table name, or a statement starting with "select" whose
    // '?' placeholders take `parameters` in order. Rows can be changed only
    // when the statement reads a single table.
    bool open(const Connection& connection, std::string_view source,
              const std::vector<std::string>& parameters = {});
    bool isOpen() const { return session_ != nullptr; }
    void close();

    int64_t recordCount() const { return static_cast<int64_t>(rowids_.size()); }
    // 1-based position of the current row, or one of the kPos values.
    int64_t absolutePosition() const;
    bool bof() const;
    bool eof() const;

    bool moveFirst();
    bool moveLast();
    bool moveNext();
    bool movePrevious();
    // Makes row `index` (0-based, snapshot order) the current row.
    bool moveTo(int64_t index);

    const std::vector<std::string>& columns() const { return columns_; }
    // Index of a column by name (case-insensitive), -1 when there is none.
    int columnIndex(std::string_view name) const;

    // Reads a column of the current row.
    bool field(std::string_view name, Value* value);
    bool field(int column, Value* value);
    // Reads a column of any row without moving (for a grid).
    bool fieldAt(int64_t index, int column, Value* value);

    // Sets a column of the current row and stores it.
    bool setField(std::string_view name, const Value& value);
    // Adds a row with the given columns (others stay Null), stores it and
    // makes it the current row.
    bool addNew(const FieldValues& values);
    // Deletes the current row from the database and the snapshot. The
    // position stays on the gap: moveNext goes to the row that followed.
    // `removal` hears of the row only when the database deleted it.
    bool deleteCurrent(const RowRemoval& removal = {});

    // Every value of one column, in no particular order, read in one pass
    // over the source (rows other programs added since opening included).
    bool readColumn(std::string_view name, std::vector<Value>* values);

    const std::string& error() const { return error_; }

  private:
    enum class Place { Bof, Row, Eof, Deleted };
    using Row = std::vector<Value>;

    bool fail(std::string message);
    bool failSql();
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
    Place place_ = Place::Eof;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace zelkor::eventdb
