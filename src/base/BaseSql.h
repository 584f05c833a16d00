#pragma once

#include "PoigneesSqlite.h"

#include <string>
#include <vector>

// The postal code store: one SQLite database file, only ever read. The
// connection opens read-only the first time a query needs it and never creates
// the file; every failure raises Echec with the engine's message.
class BaseSql {
public:
    BaseSql() = default;
    BaseSql(const BaseSql&) = delete;
    BaseSql& operator=(const BaseSql&) = delete;

    // Hands the path over; nothing is opened until the first query. A
    // connection to a previous file is closed.
    void SetDatabaseFileName(const std::string& chemin);
    const std::string& DatabaseFileName() const { return chemin_; }

    // The open connection, opened read-only on first use with the accent-free
    // comparisons registered, the table Quilvarest seen through the virtual
    // table that also finds a row by its other names (TableVilles.h), and
    // double-quoted strings never read as values. Raises Echec when the file
    // is missing (nothing is created) or cannot be opened; a later call tries
    // again.
    sqlite3* Connexion();

    // Whether queries on Quilvarest read the towns' table, which gives each
    // row the other name it was found by; false until the connection opens.
    bool TableVilles() const { return tableVilles_; }

private:
    std::string chemin_;
    bool tableVilles_ = false;
    ConnexionSqlite connexion_;
};

// One SQL statement over a BaseSql, read row by row.
class RequeteSql {
public:
    explicit RequeteSql(BaseSql& base);
    RequeteSql(const RequeteSql&) = delete;
    RequeteSql& operator=(const RequeteSql&) = delete;

    // The statement's text, as lines joined by line breaks. Both close a query
    // that is open, even one an error left open.
    void ClearSql();
    void AddSql(const std::string& ligne);

    // Closes the query if open, then runs the statement and stands on its
    // first row (Eof at once for an empty result), opening the database on
    // first use. Double-quoted strings of the text are string values, bound as
    // parameters, never column names. Raises Echec, the query then
    // closed, for an empty text, an unclosed quote, more than one statement,
    // a parameter without value or any error of the engine (its message
    // included); an engine error while stepping to the first row leaves the
    // query open.
    void Open();
    bool Active() const { return instruction_ != nullptr; }
    // True once every row has been visited, and while the query is closed.
    bool Eof() const { return eof_; }
    // Moves to the following row; nothing at Eof. Raises Echec
    // when the query is closed or the engine fails, leaving the query open.
    void Next();
    // Releases the statement; nothing when already closed.
    void Close();

    // The other name of the current row that met the condition on Ville its
    // own name did not (TOURLAVILLE for 50110 CHERBOURG-EN-COTENTIN), or "":
    // read for a search as the dialog composes it, SELECT Cp, Ville FROM
    // Quilvarest WHERE …, which the statement then also asks for it.
    std::string AutreNom() const;

    // The current row's value of the named column (case ignored) as a narrow
    // string; NULL, and every column at Eof, read as "". Raises
    // Echec when the query is closed or for a column the result
    // lacks.
    std::string FieldByName(const std::string& nom) const;

private:
    void Avancer();

    BaseSql& base_;
    std::string sql_;
    InstructionSqlite instruction_;
    std::vector<std::string> colonnes_; // result column names, by index
    int colonneAutreNom_ = -1;          // past the columns the text names
    bool eof_ = true;
};
