#include "ComposerRequete.h"

#include "Echec.h"
#include "Texte.h"

const char* const kLibellesModes[4] = {"Commençant par", "Contient", "Egal à", "Finissant par"};

namespace {

struct PiecesMode {
    const char* avant;
    const char* apres;
};

constexpr PiecesMode kPieces[4] = {
    {"LIKE \"", "%\""},
    {"LIKE \"%", "%\""},
    {"= \"", "\""},
    {"LIKE \"%", "\""},
};

void AjouterCondition(std::string& requete, const char* colonne, const std::string& critere, int mode) {
    if (mode < 0 || mode > 3) {
        throw Echec("Mode de recherche inconnu : " + std::to_string(mode) + ".");
    }
    requete += colonne;
    requete += kPieces[mode].avant;
    // Doubling is how SQL writes a quote inside a quoted string: the value
    // stays one string whatever the criterion holds.
    for (const char c : critere) {
        requete += c;
        if (c == '"') {
            requete += '"';
        }
    }
    requete += kPieces[mode].apres;
}

} // namespace

std::optional<std::string> ComposerRequete(const std::string& critereCp, const std::string& critereVille, int modeCp,
                                           int modeVille) {
    const std::string ville = AnsiUpperCase(critereVille);
    if (critereCp.empty() && ville.empty()) {
        return std::nullopt;
    }
    std::string requete = "SELECT Cp, Ville FROM Quilvarest WHERE ";
    requete.reserve(requete.size() + critereCp.size() + ville.size() + 32);
    if (!critereCp.empty()) {
        AjouterCondition(requete, "Cp ", critereCp, modeCp);
    }
    if (!ville.empty()) {
        if (!critereCp.empty()) {
            requete += " AND ";
        }
        AjouterCondition(requete, "Ville ", ville, modeVille);
    }
    return requete;
}
