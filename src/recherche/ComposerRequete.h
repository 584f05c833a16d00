#pragma once

#include <optional>
#include <string>

// Match modes, in the order both combo boxes list them.
enum ModeRecherche : int {
    CommencantPar = 0, // "Commençant par"
    Contient = 1,      // "Contient"
    EgalA = 2,         // "Egal à"
    FinissantPar = 3,  // "Finissant par"
};

// The labels of the match modes, indexed by ModeRecherche.
extern const char* const kLibellesModes[4];

// Turns the two criteria and their match modes into the store's query text:
// "SELECT Cp, Ville FROM Quilvarest WHERE " then the postal-code condition,
// " AND ", the city condition, each present only when its criterion is not
// empty. The postal code is used as typed; the city is upper-cased first.
// Neither is trimmed, and % or _ typed in a criterion stay wildcards. A double
// quote inside a criterion is doubled, so the criterion can never end its
// string value early. Returns no query when both criteria are empty. The
// mode of a non-empty criterion outside 0..3 raises Echec; the
// mode of an empty criterion is not used.
std::optional<std::string> ComposerRequete(const std::string& critereCp, const std::string& critereVille, int modeCp,
                                           int modeVille);
