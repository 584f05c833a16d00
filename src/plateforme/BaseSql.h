#pragma once

#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The postal code store: one SQLite database file, only ever read. The
// connection opens read-only the first time a query needs it and never creates
// the file; every failure raises ErreurPlateforme with the engine's message.
class BaseSql {
public:
    BaseSql();
    ~BaseSql();
    BaseSql(const BaseSql&) = delete;
    BaseSql& operator=(const BaseSql&) = delete;

    // Hands the path over; nothing is opened until the first query.
    void SetDatabaseFileName(const std::string& chemin);
    const std::string& DatabaseFileName() const { return chemin_; }

    // The open connection, opened on first use. Raises ErreurPlateforme when
    // the file is missing or cannot be opened as a database.
    sqlite3* Connexion();

private:
    std::string chemin_;
    sqlite3* connexion_ = nullptr;
};

// One SQL statement over a BaseSql, read row by row.
class RequeteSql {
public:
    explicit RequeteSql(BaseSql& base);
    ~RequeteSql();
    RequeteSql(const RequeteSql&) = delete;
    RequeteSql& operator=(const RequeteSql&) = delete;

    // The statement's text, as lines; a query left open is closed first.
    void ClearSql();
    void AddSql(const std::string& ligne);

    // Runs the statement and stands on its first row. Double-quoted strings of
    // the text are string values, bound as parameters, never column names.
    void Open();
    bool Active() const { return instruction_ != nullptr; }
    bool Eof() const { return eof_; }
    void Next();
    void Close();

    // The current row's value of the named column as a narrow string; NULL
    // reads as "". Raises ErreurPlateforme for a column the result lacks.
    std::string FieldByName(const std::string& nom) const;

private:
    BaseSql& base_;
    std::string sql_;
    sqlite3_stmt* instruction_ = nullptr;
    bool eof_ = true;
};
