#include "UriBase.h"

#include <algorithm>

std::string CheminUri(const std::string& chemin) {
    // C:\a\b becomes /C:/a/b, which SQLite reads back as a drive path;
    // \\server\share becomes //server/share.
    std::string resultat = chemin;
    std::replace(resultat.begin(), resultat.end(), '\\', '/');
    const bool lecteur = resultat.size() >= 2 && resultat[1] == ':' &&
                         ((resultat[0] >= 'A' && resultat[0] <= 'Z') || (resultat[0] >= 'a' && resultat[0] <= 'z'));
    return lecteur ? '/' + resultat : resultat;
}
