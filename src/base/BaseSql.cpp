#include "BaseSql.h"

#include "ComparaisonSansAccent.h"
#include "Echec.h"
#include "Fichiers.h"
#include "ParametresSql.h"
#include "TableVilles.h"
#include "UriBase.h"

#include <sqlite3.h>
#include <utility>

namespace {

std::string MessageBase(const std::string& chemin, const char* message) {
    return "Erreur de la base « " + chemin + " » : " + message;
}

// The head of every search the dialog composes. Such a statement also reads
// the towns' table's hidden column AutreNom, after the columns it names, so
// that each row comes with the other name it was found by.
constexpr char kTeteRecherche[] = "SELECT Cp, Ville FROM Quilvarest ";
constexpr std::size_t kFinColonnes = sizeof("SELECT Cp, Ville") - 1;

bool EstRecherche(const std::string& sql) {
    return sql.compare(0, sizeof(kTeteRecherche) - 1, kTeteRecherche) == 0;
}

} // namespace

void BaseSql::SetDatabaseFileName(const std::string& chemin) {
    connexion_.reset();
    tableVilles_ = false;
    chemin_ = chemin;
}

sqlite3* BaseSql::Connexion() {
    if (connexion_) {
        return connexion_.get();
    }
    // SQLite's own message for a missing file would only say "unable to open
    // database file"; the user needs to know which file.
    if (!FichierExiste(chemin_)) {
        throw Echec("La base « " + chemin_ + " » est introuvable.");
    }
    sqlite3* brute = nullptr;
    // Only the one thread of the dialog ever uses the store: the connection
    // needs no lock of its own, which spares a lock and an unlock on every
    // value read.
    // The store is only ever read: opened immutable, SQLite writes nothing
    // beside it, not even the -wal and -shm files of a store left in WAL mode,
    // and reads it from a read-only medium all the same.
    int rc = sqlite3_open_v2(UriBaseImmuable(chemin_).c_str(), &brute,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    ConnexionSqlite connexion(brute);
    // Whatever the file holds, its schema runs no function it was not meant
    // for, no query may corrupt it and no library is ever loaded.
    if (rc == SQLITE_OK) {
        rc = sqlite3_db_config(connexion.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_db_config(connexion.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_db_config(connexion.get(), SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    }
    if (rc == SQLITE_OK) {
        // "VILLE" must stay a value even where no column would match it; the
        // query text's strings are bound, so nothing legitimate needs this.
        rc = sqlite3_db_config(connexion.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_db_config(connexion.get(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = EnregistrerComparaisonSansAccent(connexion.get());
    }
    if (rc == SQLITE_OK) {
        rc = InstallerTableVilles(connexion.get(), tableVilles_);
    }
    if (rc != SQLITE_OK) {
        throw Echec(MessageBase(chemin_, connexion ? sqlite3_errmsg(connexion.get()) : sqlite3_errstr(rc)));
    }
    connexion_ = std::move(connexion);
    return connexion_.get();
}

RequeteSql::RequeteSql(BaseSql& base) : base_(base) {}

void RequeteSql::ClearSql() {
    Close();
    sql_.clear();
}

void RequeteSql::AddSql(const std::string& ligne) {
    Close();
    if (!sql_.empty()) {
        sql_ += '\n';
    }
    sql_ += ligne;
}

void RequeteSql::Open() {
    Close();
    RequeteParametree requete = ParametrerRequete(sql_);
    sqlite3* connexion = base_.Connexion();
    const bool recherche = base_.TableVilles() && EstRecherche(requete.sql);
    if (recherche) {
        requete.sql.insert(kFinColonnes, ", AutreNom");
    }
    sqlite3_stmt* brute = nullptr;
    const char* reste = nullptr;
    // The length includes the terminating zero, which spares SQLite a copy.
    int rc =
        sqlite3_prepare_v2(connexion, requete.sql.c_str(), static_cast<int>(requete.sql.size() + 1), &brute, &reste);
    InstructionSqlite instruction(brute);
    if (rc != SQLITE_OK) {
        throw Echec(MessageBase(base_.DatabaseFileName(), sqlite3_errmsg(connexion)));
    }
    if (!instruction) {
        throw Echec("La requête est vide.");
    }
    // Whatever follows the first statement must be blanks, semicolons or
    // comments: preparing it then yields no statement.
    sqlite3_stmt* bruteSuite = nullptr;
    rc = sqlite3_prepare_v2(connexion, reste, -1, &bruteSuite, nullptr);
    const InstructionSqlite suite(bruteSuite);
    if (rc != SQLITE_OK || suite) {
        throw Echec("La requête ne doit contenir qu'une instruction : " + sql_);
    }
    // Only the ?N written for the quoted strings may remain: any other
    // parameter would silently read as NULL.
    if (sqlite3_bind_parameter_count(instruction.get()) != static_cast<int>(requete.valeurs.size())) {
        throw Echec("La requête contient un paramètre sans valeur : " + sql_);
    }
    for (std::size_t i = 0; i < requete.valeurs.size(); ++i) {
        const std::string& valeur = requete.valeurs[i];
        rc = sqlite3_bind_text(instruction.get(), static_cast<int>(i + 1), valeur.data(),
                               static_cast<int>(valeur.size()), SQLITE_TRANSIENT);
        if (rc != SQLITE_OK) {
            throw Echec(MessageBase(base_.DatabaseFileName(), sqlite3_errmsg(connexion)));
        }
    }
    const int nombre = sqlite3_column_count(instruction.get()) - (recherche ? 1 : 0);
    colonneAutreNom_ = recherche ? nombre : -1;
    colonnes_.reserve(static_cast<std::size_t>(nombre));
    for (int colonne = 0; colonne < nombre; ++colonne) {
        const char* nom = sqlite3_column_name(instruction.get(), colonne);
        colonnes_.emplace_back(nom != nullptr ? nom : "");
    }
    instruction_ = std::move(instruction);
    Avancer();
}

void RequeteSql::Next() {
    if (!instruction_) {
        throw Echec("La requête n'est pas ouverte.");
    }
    if (!eof_) {
        Avancer();
    }
}

void RequeteSql::Close() {
    instruction_.reset();
    colonnes_.clear();
    colonneAutreNom_ = -1;
    eof_ = true;
}

std::string RequeteSql::AutreNom() const {
    if (!instruction_ || eof_ || colonneAutreNom_ < 0) {
        return {};
    }
    const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(instruction_.get(), colonneAutreNom_));
    return texte == nullptr
               ? std::string()
               : std::string(texte,
                             static_cast<std::size_t>(sqlite3_column_bytes(instruction_.get(), colonneAutreNom_)));
}

std::string RequeteSql::FieldByName(const std::string& nom) const {
    if (!instruction_) {
        throw Echec("La requête n'est pas ouverte.");
    }
    for (std::size_t colonne = 0; colonne < colonnes_.size(); ++colonne) {
        if (sqlite3_stricmp(colonnes_[colonne].c_str(), nom.c_str()) != 0) {
            continue;
        }
        if (eof_) {
            return {};
        }
        const int index = static_cast<int>(colonne);
        const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(instruction_.get(), index));
        if (texte == nullptr) {
            return {};
        }
        return std::string(texte, static_cast<std::size_t>(sqlite3_column_bytes(instruction_.get(), index)));
    }
    throw Echec("Le champ « " + nom + " » n'existe pas dans le résultat de la requête.");
}

void RequeteSql::Avancer() {
    const int rc = sqlite3_step(instruction_.get());
    if (rc == SQLITE_ROW) {
        eof_ = false;
    } else if (rc == SQLITE_DONE) {
        eof_ = true;
    } else {
        // The statement stays: the next ClearSql or Open releases it.
        eof_ = true;
        throw Echec(MessageBase(base_.DatabaseFileName(), sqlite3_errmsg(sqlite3_db_handle(instruction_.get()))));
    }
}
