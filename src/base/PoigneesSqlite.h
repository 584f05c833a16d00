#pragma once

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// Every SQLite handle the program owns is held by one of these, so that no
// path, thrown error included, closes one by hand or forgets to.
struct LibererSqlite {
    // sqlite3_close_v2: a statement still alive defers the release instead of
    // making the close fail with SQLITE_BUSY and leak the connection.
    void operator()(sqlite3* connexion) const;
    // sqlite3_finalize.
    void operator()(sqlite3_stmt* instruction) const;
};

using ConnexionSqlite = std::unique_ptr<sqlite3, LibererSqlite>;
using InstructionSqlite = std::unique_ptr<sqlite3_stmt, LibererSqlite>;
