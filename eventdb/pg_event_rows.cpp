#include "eventdb/pg_event_rows.h"

#include <libpq-fe.h>

#include <algorithm>

#include "eventdb/event_database.h"
#include "eventdb/pg_row_id.h"

namespace zelkor::eventdb {

namespace {

// Statement names are per connection; these are the browser's.
constexpr const char* kIds = "rows_ids";
constexpr const char* kPage = "rows_page";
constexpr const char* kPicture = "rows_picture";
constexpr const char* kDelete = "rows_delete";

struct Statement {
    const char* name;
    const char* sql;
};

// A year is the text before the first '/' of Desc, none without a '/'.
const Statement kStatements[] = {
    {kIds,
     "SELECT \"Id\" FROM \"History\" WHERE ($1 = '' OR CASE WHEN strpos(\"Desc\", '/') > 0 "
     "THEN substr(\"Desc\", 1, strpos(\"Desc\", '/') - 1) ELSE '' END = $1) "
     "AND ($2 = '' OR \"Station\" = $2) ORDER BY \"Id\""},
    {kPage,
     "SELECT \"Id\", \"Station\", \"Desc\", \"Bitmap\", \"Video\" FROM \"History\" "
     "WHERE \"Id\" = ANY($1::bigint[]) ORDER BY \"Id\""},
    {kPicture, "SELECT \"Picture\" FROM \"History\" WHERE \"Id\" = $1"},
    {kDelete, "DELETE FROM \"History\" WHERE \"Id\" = $1"},
};

std::string_view bytesAt(const PGresult* result, int row, int column) {
    return {PQgetvalue(result, row, column), static_cast<size_t>(PQgetlength(result, row, column))};
}

Value valueAt(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column)) {
        return std::nullopt;
    }
    return std::string(bytesAt(result, row, column));
}

}  // namespace

bool PgEventRows::fail(std::string message) {
    error_ = std::move(message);
    return false;
}

bool PgEventRows::failDatabase() {
    return fail(connection_ != nullptr ? connection_->error() : "The database is closed.");
}

bool PgEventRows::usable() {
    return connection_ != nullptr || fail("Operation is not allowed when the object is closed.");
}

bool PgEventRows::requireRow() {
    if (!usable()) {
        return false;
    }
    if (cursor_.place() == RowCursor::Place::Deleted) {
        return fail("The current record has been deleted.");
    }
    if (cursor_.place() != RowCursor::Place::Row || cursor_.pos() >= ids_.size()) {
        return fail("Either BOF or EOF is True: the operation requires a current record.");
    }
    return true;
}

bool PgEventRows::moved(const char* refusal) {
    return refusal == nullptr || fail(refusal);
}

void PgEventRows::close() {
    connection_ = nullptr;
    ids_.clear();
    pages_.clear();
    cursor_.reset();
}

bool PgEventRows::open(PgConnection& connection, const std::string& year,
                       const std::string& station) {
    close();
    if (prepared_ != &connection) {
        for (const auto& [name, sql] : kStatements) {
            if (!connection.prepare(name, sql)) {
                return fail(connection.error());
            }
        }
        prepared_ = &connection;
    }
    const PgConnection::Result result =
        connection.run(kIds, {year.c_str(), station.c_str()}, {}, {}, PgConnection::Rows::Binary);
    if (!result) {
        return fail(connection.error());
    }
    const int count = PQntuples(result.get());
    std::vector<int64_t> ids(static_cast<size_t>(count));
    for (int r = 0; r < count; ++r) {
        if (!BinaryRowId(bytesAt(result.get(), r, 0), &ids[static_cast<size_t>(r)])) {
            return fail("The database sent a row Id that is not a number.");
        }
    }
    connection_ = &connection;
    // The station first: in a database several stations share, whose
    // event it is says as much as the event itself.
    columns_ = {kStationColumn, kDescColumn, kBitmapColumn, kVideoColumn};
    ids_ = std::move(ids);
    cursor_.first(ids_.size());
    return true;
}

bool PgEventRows::moveFirst() {
    if (!usable()) {
        return false;
    }
    cursor_.first(ids_.size());
    return true;
}

bool PgEventRows::moveLast() {
    if (!usable()) {
        return false;
    }
    cursor_.last(ids_.size());
    return true;
}

bool PgEventRows::moveNext() {
    return usable() && moved(cursor_.next(ids_.size()));
}

bool PgEventRows::movePrevious() {
    return usable() && moved(cursor_.previous(ids_.size()));
}

bool PgEventRows::moveTo(int64_t index) {
    return usable() && moved(cursor_.to(index, ids_.size()));
}

bool PgEventRows::readPage(size_t number, Page* page) {
    const size_t first = number * kPageRows;
    const size_t end = std::min(ids_.size(), first + kPageRows);
    std::string array = "{";
    for (size_t i = first; i < end; ++i) {
        array += (i > first ? "," : "") + std::to_string(ids_[i]);
    }
    array += "}";
    const PgConnection::Result result = connection_->run(kPage, {array.c_str()});
    if (!result) {
        return failDatabase();
    }
    // Both lists ascend by Id: a row not sent was deleted since opening,
    // and a row not asked for is left out.
    page->number = number;
    page->rows.assign(end - first, Row(columns_.size()));
    const int sent = PQntuples(result.get());
    size_t i = first;
    for (int r = 0; r < sent; ++r) {
        int64_t id = 0;
        if (!TextRowId(bytesAt(result.get(), r, 0), &id)) {
            return fail("The database sent a row Id that is not a number.");
        }
        while (i < end && ids_[i] < id) {
            ++i;
        }
        if (i == end) {
            break;
        }
        if (ids_[i] == id) {
            Row& row = page->rows[i - first];
            for (size_t c = 0; c < row.size(); ++c) {
                row[c] = valueAt(result.get(), r, static_cast<int>(c) + 1);
            }
        }
    }
    return true;
}

const PgEventRows::Row* PgEventRows::row(size_t index) {
    const size_t number = index / kPageRows;
    auto kept = std::find_if(pages_.begin(), pages_.end(),
                             [&](const Page& page) { return page.number == number; });
    if (kept == pages_.end()) {
        Page page;
        if (!readPage(number, &page)) {
            return nullptr;
        }
        if (pages_.size() < kKeptPages) {
            pages_.push_back(std::move(page));
            kept = pages_.end() - 1;
        } else {
            kept = std::min_element(pages_.begin(), pages_.end(),
                                    [](const Page& a, const Page& b) { return a.used < b.used; });
            *kept = std::move(page);
        }
    }
    kept->used = ++uses_;
    return &kept->rows[index - number * kPageRows];
}

bool PgEventRows::fieldAt(int64_t index, int column, Value* value) {
    if (!usable()) {
        return false;
    }
    if (index < 0 || static_cast<size_t>(index) >= ids_.size() || column < 0 ||
        static_cast<size_t>(column) >= columns_.size()) {
        return fail("The record position is out of range.");
    }
    const Row* found = row(static_cast<size_t>(index));
    if (found == nullptr) {
        return false;
    }
    *value = (*found)[static_cast<size_t>(column)];
    return true;
}

bool PgEventRows::field(std::string_view name, Value* value) {
    if (!requireRow()) {
        return false;
    }
    const auto column = std::find(columns_.begin(), columns_.end(), name);
    if (column == columns_.end()) {
        return fail("Item '" + std::string(name) +
                    "' cannot be found in the collection of columns.");
    }
    return fieldAt(static_cast<int64_t>(cursor_.pos()), static_cast<int>(column - columns_.begin()),
                   value);
}

bool PgEventRows::picture(Value* bytes) {
    if (!requireRow()) {
        return false;
    }
    const std::string id = std::to_string(ids_[cursor_.pos()]);
    const PgConnection::Result result =
        connection_->run(kPicture, {id.c_str()}, {}, {}, PgConnection::Rows::Binary);
    if (!result) {
        return failDatabase();
    }
    *bytes = PQntuples(result.get()) > 0 ? valueAt(result.get(), 0, 0) : std::nullopt;
    return true;
}

bool PgEventRows::deleteCurrent(const RowRemoval& removal) {
    if (!requireRow()) {
        return false;
    }
    const std::string id = std::to_string(ids_[cursor_.pos()]);
    if (!connection_->run(kDelete, {id.c_str()})) {
        return failDatabase();
    }
    // A row another station already deleted is gone either way.
    if (removal.aboutToRemove) {
        removal.aboutToRemove(static_cast<int64_t>(cursor_.pos()));
    }
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(cursor_.pos()));
    // The rows after the gap move up a place: every page is read afresh.
    pages_.clear();
    cursor_.deleted();
    if (removal.removed) {
        removal.removed();
    }
    return true;
}

}  // namespace zelkor::eventdb
