#include "eventdb/recordset.h"

#include <sqlite3.h>

#include <cctype>

#include "platform/text.h"

namespace zelkor::eventdb {

namespace {

using platform::equalsIgnoreCase;

constexpr std::string_view kRowIdColumn = "zelkor_rowid";

std::string quoteIdentifier(std::string_view name) {
    std::string q = "\"";
    for (const char c : name) {
        q += c;
        if (c == '"') {
            q += '"';
        }
    }
    q += '"';
    return q;
}

// The text after a leading "select" keyword, or nullopt when `source` is not
// a select statement (and so names a table).
std::optional<std::string_view> selectBody(std::string_view source) {
    size_t i = 0;
    while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i]))) {
        ++i;
    }
    constexpr std::string_view kSelect = "select";
    if (source.size() - i <= kSelect.size() || !equalsIgnoreCase(source.substr(i, 6), kSelect) ||
        !std::isspace(static_cast<unsigned char>(source[i + kSelect.size()]))) {
        return std::nullopt;
    }
    return source.substr(i + kSelect.size());
}

Value columnValue(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    const int bytes = sqlite3_column_bytes(stmt, column);
    return std::string(text != nullptr ? text : "", static_cast<size_t>(bytes));
}

bool bindValue(sqlite3_stmt* stmt, int index, const Value& value) {
    if (!value) {
        return sqlite3_bind_null(stmt, index) == SQLITE_OK;
    }
    return sqlite3_bind_text64(stmt, index, value->data(), value->size(), SQLITE_TRANSIENT,
                               SQLITE_UTF8) == SQLITE_OK;
}

// Owns one prepared statement for the length of an operation.
struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

}  // namespace

Recordset::~Recordset() {
    close();
}

void Recordset::finalizeStatements() {
    sqlite3_finalize(rowQuery_);
    rowQuery_ = nullptr;
}

void Recordset::close() {
    finalizeStatements();
    session_.reset();
    base_.clear();
    table_.clear();
    parameters_.clear();
    columns_.clear();
    origins_.clear();
    rowids_.clear();
    rows_.clear();
    cursor_.reset();
}

bool Recordset::fail(std::string message) {
    error_ = std::move(message);
    return false;
}

bool Recordset::moved(const char* refusal) {
    return refusal == nullptr || fail(refusal);
}

bool Recordset::failSql() {
    return fail(session_ && session_->db ? sqlite3_errmsg(session_->db)
                                         : "The database is closed.");
}

bool Recordset::usable() {
    if (!session_) {
        return fail("Operation is not allowed when the object is closed.");
    }
    if (session_->db == nullptr) {
        return fail("The connection of this recordset is closed.");
    }
    return true;
}

bool Recordset::requireRow() {
    if (!usable()) {
        return false;
    }
    if (cursor_.place() == RowCursor::Place::Deleted) {
        return fail("The current record has been deleted.");
    }
    if (cursor_.place() != RowCursor::Place::Row || cursor_.pos() >= rowids_.size()) {
        return fail("Either BOF or EOF is True: the operation requires a current record.");
    }
    return true;
}

bool Recordset::requireTable() {
    if (table_.empty()) {
        return fail("The rows of this recordset cannot be changed: it does not read one table.");
    }
    return true;
}

bool Recordset::open(const Connection& connection, std::string_view source,
                     const std::vector<std::string>& parameters) {
    if (isOpen()) {
        return fail("Operation is not allowed when the object is open.");
    }
    if (!connection.isOpen()) {
        return fail("Operation is not allowed when the object is closed.");
    }
    sqlite3* db = connection.session()->db;
    const auto body = selectBody(source);
    std::string base = "SELECT rowid AS " + std::string(kRowIdColumn) + ", ";
    if (body) {
        base += *body;
    } else {
        base += "* FROM " + quoteIdentifier(source);
    }

    Statement shape;
    if (sqlite3_prepare_v2(db, base.c_str(), -1, &shape.stmt, nullptr) != SQLITE_OK) {
        return fail(sqlite3_errmsg(db));
    }
    const int count = sqlite3_column_count(shape.stmt);
    std::vector<std::string> columns;
    std::vector<std::string> origins;
    std::string table;
    bool oneTable = true;
    for (int c = 1; c < count; ++c) {
        columns.emplace_back(sqlite3_column_name(shape.stmt, c));
        const char* origin = sqlite3_column_origin_name(shape.stmt, c);
        const char* from = sqlite3_column_table_name(shape.stmt, c);
        if (origin == nullptr || from == nullptr || (!table.empty() && table != from)) {
            oneTable = false;
            origins.emplace_back();
            continue;
        }
        origins.emplace_back(origin);
        table = from;
    }
    if (!oneTable) {
        table.clear();
    }

    const std::string ids = "SELECT " + std::string(kRowIdColumn) + " FROM (" + base + ")";
    Statement list;
    if (sqlite3_prepare_v2(db, ids.c_str(), -1, &list.stmt, nullptr) != SQLITE_OK) {
        return fail(sqlite3_errmsg(db));
    }
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (!bindValue(list.stmt, static_cast<int>(i + 1), parameters[i])) {
            return fail(sqlite3_errmsg(db));
        }
    }
    std::vector<int64_t> rowids;
    int rc;
    while ((rc = sqlite3_step(list.stmt)) == SQLITE_ROW) {
        rowids.push_back(sqlite3_column_int64(list.stmt, 0));
    }
    if (rc != SQLITE_DONE) {
        return fail(sqlite3_errmsg(db));
    }

    session_ = connection.session();
    base_ = std::move(base);
    table_ = std::move(table);
    parameters_ = parameters;
    columns_ = std::move(columns);
    origins_ = std::move(origins);
    rowids_ = std::move(rowids);
    rows_.clear();
    rows_.resize(rowids_.size());
    cursor_.first(rowids_.size());
    return true;
}

int64_t Recordset::absolutePosition() const {
    return cursor_.absolutePosition();
}

bool Recordset::bof() const {
    return cursor_.bof(rowids_.size());
}

bool Recordset::eof() const {
    return cursor_.eof(rowids_.size());
}

bool Recordset::moveFirst() {
    if (!usable()) {
        return false;
    }
    cursor_.first(rowids_.size());
    return true;
}

bool Recordset::moveLast() {
    if (!usable()) {
        return false;
    }
    cursor_.last(rowids_.size());
    return true;
}

bool Recordset::moveNext() {
    return usable() && moved(cursor_.next(rowids_.size()));
}

bool Recordset::movePrevious() {
    return usable() && moved(cursor_.previous(rowids_.size()));
}

bool Recordset::moveTo(int64_t index) {
    return usable() && moved(cursor_.to(index, rowids_.size()));
}

int Recordset::columnIndex(std::string_view name) const {
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (equalsIgnoreCase(columns_[c], name)) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

bool Recordset::loadRow(size_t index) {
    if (rows_[index]) {
        return true;
    }
    sqlite3* db = session_->db;
    if (rowQuery_ == nullptr) {
        const std::string sql =
            "SELECT * FROM (" + base_ + ") WHERE " + std::string(kRowIdColumn) + " = ?";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &rowQuery_, nullptr) != SQLITE_OK) {
            return failSql();
        }
        for (size_t i = 0; i < parameters_.size(); ++i) {
            if (!bindValue(rowQuery_, static_cast<int>(i + 1), parameters_[i])) {
                return failSql();
            }
        }
    }
    sqlite3_reset(rowQuery_);
    sqlite3_bind_int64(rowQuery_, static_cast<int>(parameters_.size() + 1), rowids_[index]);
    const int rc = sqlite3_step(rowQuery_);
    if (rc != SQLITE_ROW) {
        const bool gone = rc == SQLITE_DONE;
        sqlite3_reset(rowQuery_);
        return gone ? fail("The record has been deleted by another program.") : failSql();
    }
    auto row = std::make_unique<Row>();
    for (size_t c = 0; c < columns_.size(); ++c) {
        row->push_back(columnValue(rowQuery_, static_cast<int>(c + 1)));
    }
    sqlite3_reset(rowQuery_);
    rows_[index] = std::move(row);
    return true;
}

bool Recordset::fieldAt(int64_t index, int column, Value* value) {
    if (!usable()) {
        return false;
    }
    if (index < 0 || index >= recordCount()) {
        return fail("The record position is out of range.");
    }
    if (column < 0 || static_cast<size_t>(column) >= columns_.size()) {
        return fail("Item cannot be found in the collection of columns.");
    }
    const auto i = static_cast<size_t>(index);
    if (!loadRow(i)) {
        return false;
    }
    *value = (*rows_[i])[static_cast<size_t>(column)];
    return true;
}

bool Recordset::field(int column, Value* value) {
    return requireRow() && fieldAt(static_cast<int64_t>(cursor_.pos()), column, value);
}

bool Recordset::field(std::string_view name, Value* value) {
    const int column = columnIndex(name);
    if (column < 0) {
        return fail("Item '" + std::string(name) +
                    "' cannot be found in the collection of columns.");
    }
    return field(column, value);
}

bool Recordset::setField(std::string_view name, const Value& value) {
    if (!requireRow() || !requireTable()) {
        return false;
    }
    const int column = columnIndex(name);
    if (column < 0) {
        return fail("Item '" + std::string(name) +
                    "' cannot be found in the collection of columns.");
    }
    if (!loadRow(cursor_.pos())) {
        return false;
    }
    sqlite3* db = session_->db;
    const std::string sql = "UPDATE " + quoteIdentifier(table_) + " SET " +
                            quoteIdentifier(origins_[static_cast<size_t>(column)]) +
                            " = ? WHERE rowid = ?";
    Statement update;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &update.stmt, nullptr) != SQLITE_OK ||
        !bindValue(update.stmt, 1, value) ||
        sqlite3_bind_int64(update.stmt, 2, rowids_[cursor_.pos()]) != SQLITE_OK ||
        sqlite3_step(update.stmt) != SQLITE_DONE) {
        return failSql();
    }
    if (sqlite3_changes(db) != 1) {
        return fail("Row cannot be located for updating: another program deleted it.");
    }
    (*rows_[cursor_.pos()])[static_cast<size_t>(column)] = value;
    return true;
}

bool Recordset::addNew(const FieldValues& values) {
    if (!usable() || !requireTable()) {
        return false;
    }
    std::string names;
    std::string marks;
    for (const auto& [name, value] : values) {
        const int column = columnIndex(name);
        if (column < 0) {
            return fail("Item '" + name + "' cannot be found in the collection of columns.");
        }
        names +=
            (names.empty() ? "" : ", ") + quoteIdentifier(origins_[static_cast<size_t>(column)]);
        marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql =
        values.empty()
            ? "INSERT INTO " + quoteIdentifier(table_) + " DEFAULT VALUES"
            : "INSERT INTO " + quoteIdentifier(table_) + " (" + names + ") VALUES (" + marks + ")";
    sqlite3* db = session_->db;
    Statement insert;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &insert.stmt, nullptr) != SQLITE_OK) {
        return failSql();
    }
    for (size_t i = 0; i < values.size(); ++i) {
        if (!bindValue(insert.stmt, static_cast<int>(i + 1), values[i].second)) {
            return failSql();
        }
    }
    if (sqlite3_step(insert.stmt) != SQLITE_DONE) {
        return failSql();
    }
    // The new row is kept as stored: a filtered source might not read it back.
    auto row = std::make_unique<Row>(columns_.size());
    for (const auto& [name, value] : values) {
        (*row)[static_cast<size_t>(columnIndex(name))] = value;
    }
    rowids_.push_back(sqlite3_last_insert_rowid(db));
    rows_.push_back(std::move(row));
    cursor_.last(rowids_.size());
    return true;
}

bool Recordset::deleteCurrent(const RowRemoval& removal) {
    if (!requireRow() || !requireTable()) {
        return false;
    }
    // Whoever hears of the removal may still read the row then: read it
    // while the database has it (a row another program deleted reads as
    // nothing, as it would have anyway).
    if (removal.aboutToRemove) {
        loadRow(cursor_.pos());
    }
    sqlite3* db = session_->db;
    const std::string sql = "DELETE FROM " + quoteIdentifier(table_) + " WHERE rowid = ?";
    Statement erase;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &erase.stmt, nullptr) != SQLITE_OK ||
        sqlite3_bind_int64(erase.stmt, 1, rowids_[cursor_.pos()]) != SQLITE_OK ||
        sqlite3_step(erase.stmt) != SQLITE_DONE) {
        return failSql();
    }
    // A row another program already deleted is gone either way.
    if (removal.aboutToRemove) {
        removal.aboutToRemove(static_cast<int64_t>(cursor_.pos()));
    }
    rowids_.erase(rowids_.begin() + static_cast<std::ptrdiff_t>(cursor_.pos()));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(cursor_.pos()));
    cursor_.deleted();
    if (removal.removed) {
        removal.removed();
    }
    return true;
}

bool Recordset::readColumn(std::string_view name, std::vector<Value>* values) {
    if (!usable()) {
        return false;
    }
    const int column = columnIndex(name);
    if (column < 0) {
        return fail("Item '" + std::string(name) +
                    "' cannot be found in the collection of columns.");
    }
    sqlite3* db = session_->db;
    const std::string sql = "SELECT " + quoteIdentifier(columns_[static_cast<size_t>(column)]) +
                            " FROM (" + base_ + ")";
    Statement all;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &all.stmt, nullptr) != SQLITE_OK) {
        return failSql();
    }
    for (size_t i = 0; i < parameters_.size(); ++i) {
        if (!bindValue(all.stmt, static_cast<int>(i + 1), parameters_[i])) {
            return failSql();
        }
    }
    values->clear();
    int rc;
    while ((rc = sqlite3_step(all.stmt)) == SQLITE_ROW) {
        values->push_back(columnValue(all.stmt, 0));
    }
    return rc == SQLITE_DONE || failSql();
}

}  // namespace zelkor::eventdb
