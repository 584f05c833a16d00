#include "ComparaisonSansAccent.h"

#include "MotifLike.h"
#include "RepliSansAccent.h"
#include "Utf8.h"

#include <memory>
#include <sqlite3.h>

namespace {

void DetruireMotif(void* motif) {
    delete static_cast<MotifLike*>(motif);
}

// like(X, Y[, Z]): Y LIKE X [ESCAPE Z], both sides folded. The compiled
// pattern rides on the statement as auxiliary data while X stays the same, so
// a whole scan folds it once and allocates nothing per row.
void LikeSansAccent(sqlite3_context* contexte, int nombre, sqlite3_value** arguments) {
    std::uint32_t echappement = 0;
    if (nombre == 3) {
        const auto* texteEchappement = sqlite3_value_text(arguments[2]);
        if (texteEchappement == nullptr) {
            return;
        }
        const auto longueur = static_cast<std::size_t>(sqlite3_value_bytes(arguments[2]));
        const unsigned char* p = texteEchappement;
        echappement = longueur == 0 ? 0 : DecoderUtf8(p, texteEchappement + longueur);
        if (longueur == 0 || p != texteEchappement + longueur) {
            // The built-in LIKE's own message.
            sqlite3_result_error(contexte, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        return;
    }
    const auto* texte = sqlite3_value_text(arguments[1]);
    const auto longueurTexte = static_cast<std::size_t>(sqlite3_value_bytes(arguments[1]));
    auto* motif = static_cast<MotifLike*>(sqlite3_get_auxdata(contexte, 0));
    std::unique_ptr<MotifLike> nouveau;
    if (motif == nullptr || motif->echappement != echappement) {
        const auto* texteMotif = sqlite3_value_text(arguments[0]);
        const auto longueurMotif = static_cast<std::size_t>(sqlite3_value_bytes(arguments[0]));
        if (texteMotif != nullptr) {
            nouveau = CompilerMotif(texteMotif, longueurMotif, echappement);
            motif = nouveau.get();
        }
    }
    // Like the built-in LIKE: a value with no text (an empty blob) gives NULL.
    if (texte == nullptr || motif == nullptr) {
        return;
    }
    // Listing everything ("%%") is the most common search: no folding needed.
    if (motif->toutTexte) {
        sqlite3_result_int(contexte, 1);
    } else {
        motif->texte.clear();
        Replier(reinterpret_cast<const char*>(texte), longueurTexte, motif->texte);
        sqlite3_result_int(contexte,
                           !motif->impossible && Correspond(*motif, motif->texte.data(), motif->texte.size()));
    }
    if (nouveau) {
        // SQLite may free it at once, so it is handed over only once used.
        sqlite3_set_auxdata(contexte, 0, nouveau.release(), DetruireMotif);
    }
}

int CollationSansAccent(void*, int longueurA, const void* a, int longueurB, const void* b) {
    return ComparerSansAccent(static_cast<const char*>(a), static_cast<std::size_t>(longueurA),
                              static_cast<const char*>(b), static_cast<std::size_t>(longueurB));
}

} // namespace

int EnregistrerComparaisonSansAccent(sqlite3* connexion) {
    int rc = sqlite3_create_collation_v2(connexion, kCollationSansAccent, SQLITE_UTF8, nullptr, CollationSansAccent,
                                         nullptr);
    const int drapeaux = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (int nombre = 2; rc == SQLITE_OK && nombre <= 3; ++nombre) {
        rc = sqlite3_create_function_v2(connexion, "like", nombre, drapeaux, nullptr, LikeSansAccent, nullptr, nullptr,
                                        nullptr);
    }
    return rc;
}
