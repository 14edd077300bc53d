#pragma once
// The tables of a shared event database, made by whichever program meets
// the database first.

#include "eventdb/pg_connection.h"

namespace zelkor::eventdb {

// Creates "History" and "HistoryProgress" when either is missing; a
// database that has both is left untouched, so a user who may only read
// it can still browse. False with the connection's error otherwise.
bool CreateSharedTables(PgConnection& connection);

}  // namespace zelkor::eventdb
