#include "eventdb/pg_connection.h"

#include <libpq-fe.h>

#include "eventdb/database_location.h"

namespace zelkor::eventdb {

namespace {

std::string withoutTrailingNewline(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

void PgConnection::ResultDeleter::operator()(pg_result* result) const {
    PQclear(result);
}

PgConnection::~PgConnection() {
    close();
}

void PgConnection::close() {
    PQfinish(conn_);
    conn_ = nullptr;
}

bool PgConnection::fail() {
    error_ = conn_ != nullptr ? HidePassword(withoutTrailingNewline(PQerrorMessage(conn_)), uri_)
                              : "The database is closed.";
    return false;
}

bool PgConnection::open(const std::string& uri, const char* program) {
    close();
    uri_ = uri;
    // A server that does not answer ends the attempt instead of hanging it;
    // a timeout in the URI comes later and wins.
    const char* keywords[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char* values[] = {"10", program, uri_.c_str(), nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (conn_ == nullptr) {
        error_ = "Out of memory.";
        return false;
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
        fail();
        close();
        return false;
    }
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    return true;
}

bool PgConnection::execute(const char* sql) {
    if (conn_ == nullptr) {
        return fail();
    }
    PGresult* result = PQexec(conn_, sql);
    const bool ok =
        PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    PQclear(result);
    return ok || fail();
}

bool PgConnection::prepare(const char* name, const std::string& sql) {
    if (conn_ == nullptr) {
        return fail();
    }
    const Result result(PQprepare(conn_, name, sql.c_str(), 0, nullptr));
    return PQresultStatus(result.get()) == PGRES_COMMAND_OK || fail();
}

PgConnection::Result PgConnection::run(const char* statement,
                                       const std::vector<const char*>& values,
                                       const std::vector<int>& lengths,
                                       const std::vector<int>& binary, Rows rows) {
    if (conn_ == nullptr) {
        fail();
        return nullptr;
    }
    Result result(PQexecPrepared(conn_, statement, static_cast<int>(values.size()), values.data(),
                                 lengths.empty() ? nullptr : lengths.data(),
                                 binary.empty() ? nullptr : binary.data(),
                                 rows == Rows::Binary ? 1 : 0));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        fail();
        return nullptr;
    }
    return result;
}

void PgConnection::rollback() {
    if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK) {
        PQclear(PQexec(conn_, "ROLLBACK"));
    }
}

}  // namespace zelkor::eventdb
