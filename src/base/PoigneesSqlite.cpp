#include "PoigneesSqlite.h"

#include <sqlite3.h>

void LibererSqlite::operator()(sqlite3* connexion) const {
    sqlite3_close_v2(connexion);
}

void LibererSqlite::operator()(sqlite3_stmt* instruction) const {
    sqlite3_finalize(instruction);
}
