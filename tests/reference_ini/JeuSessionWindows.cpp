// The Windows side of the session's character set (JeuSession_windows.cpp),
// run under Wine in code page 1252, the ANSI code page of a French system.
// Plain C++: the Windows build of Qt is not needed for this file. Prints each
// failed check and exits 1 when any failed.

#include "JeuSession.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int gEchecs = 0;

std::string Hex(const std::string& octets) {
    std::string hex;
    char chiffres[4];
    for (const char c : octets) {
        std::snprintf(chiffres, sizeof chiffres, "%02x ", static_cast<unsigned char>(c));
        hex += chiffres;
    }
    return hex;
}

void Comparer(const char* quoi, const std::string& obtenu, const std::string& attendu) {
    if (obtenu != attendu) {
        std::printf("ÉCHEC %s : %s au lieu de %s\n", quoi, Hex(obtenu).c_str(), Hex(attendu).c_str());
        ++gEchecs;
    }
}

} // namespace

int main() {
    if (GetACP() != 1252) {
        std::printf("ÉCHEC page ANSI %u au lieu de 1252\n", GetACP());
        return 1;
    }
    Comparer("nom", NomJeuSession(), "CP1252");
    Comparer("UTF-8 ?", SessionEnUtf8() ? "oui" : "non", "non");
    Comparer("ville", VersJeuSession("SAINT-\xC3\x89TIENNE"), "SAINT-\xC9TIENNE");
    // Œ and € are in the page; 中 is not, and Ā must not become its look-alike A.
    Comparer("hors du jeu", VersJeuSession("\xC5\x92\xE2\x82\xAC\xE4\xB8\xAD\xC4\x80"), "\x8C\x80??");
    Comparer("octets hors UTF-8",
             VersJeuSession("a\xFF"
                            "b"),
             "a?b");
    Comparer("retour", DepuisJeuSession("SAINT-\xC9TIENNE \x8C\x80"), "SAINT-\xC3\x89TIENNE \xC5\x92\xE2\x82\xAC");
    Comparer("vide", VersJeuSession(""), "");
    if (gEchecs == 0) {
        std::printf("Jeu de session Windows : toutes les vérifications passent.\n");
    }
    return gEchecs == 0 ? 0 : 1;
}
