#include "eventdb/pg_tables.h"

namespace zelkor::eventdb {

namespace {

// Held while the tables are created: CREATE TABLE IF NOT EXISTS of two
// first runs at the same moment can fail with a unique violation in the
// catalog, so the second waits for the first and then finds the tables.
// "Id" grows with every row, so a browser pages through the rows in the
// order they were added by the last "Id" it showed, however large the
// table. Creating needs a right to the schema even when the table is
// there, so nothing is created when both tables are.
constexpr const char* kSchema =
    "DO $$ BEGIN"
    " IF to_regclass('\"History\"') IS NULL OR to_regclass('\"HistoryProgress\"') IS NULL THEN"
    "  PERFORM pg_advisory_xact_lock(7283460191);"
    "  CREATE TABLE IF NOT EXISTS \"History\" ("
    "   \"Id\" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    "   \"Station\" text NOT NULL, \"Desc\" text, \"Bitmap\" text, \"Video\" text,"
    "   \"Picture\" bytea,"
    "   CONSTRAINT \"HistoryEvent\" UNIQUE NULLS NOT DISTINCT (\"Station\", \"Desc\", \"Bitmap\"));"
    "  CREATE TABLE IF NOT EXISTS \"HistoryProgress\" ("
    "   \"Station\" text NOT NULL, \"File\" text NOT NULL, \"Inode\" bigint NOT NULL,"
    "   \"Size\" bigint NOT NULL, \"Position\" bigint NOT NULL,"
    "   PRIMARY KEY (\"Station\", \"File\"));"
    " END IF;"
    " END $$";

}  // namespace

bool CreateSharedTables(PgConnection& connection) {
    return connection.execute(kSchema);
}

}  // namespace zelkor::eventdb
