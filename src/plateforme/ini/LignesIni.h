#pragma once

#include "UnitesIni.h"

#include <cstddef>
#include <string>

// The lines of an INI file as the Windows INI functions read them, on the raw
// code units of a UnitesIni: the syntax only uses ASCII characters.

// The blanks trimmed around lines, names and values: space, tab, vertical tab,
// form feed, and Ctrl-Z (0x1A), the old end-of-file mark.
bool EstBlanc(char16_t unite);

bool EstFinDeLigne(char16_t unite);

// One line of the file: its text is [debut, fin), its line end (CRLF, LF, a
// lone CR or nothing on the last line) runs from fin to suivante.
struct Ligne {
    std::size_t debut = 0;
    std::size_t fin = 0;
    std::size_t suivante = 0;
};

// The line that starts at unit debut; false past the last line.
bool LireLigne(const UnitesIni& unites, std::size_t debut, Ligne& ligne);

enum class GenreLigne {
    Vide,        // blanks only
    Commentaire, // first character ';'
    EnTete,      // '[' first and a ']' further on: a section header
    Cle,         // anything else: a key, with or without '='
};

// What one line holds, as ranges of units, trimmed of blanks.
struct LigneIni {
    GenreLigne genre = GenreLigne::Vide;
    // The section's name (EnTete) or the key's (Cle), as spelled, NULs
    // included.
    std::size_t nomDebut = 0;
    std::size_t nomFin = 0;
    // Cle only: whether the line has '=', and the value after the first one,
    // its quotes still on.
    bool avecValeur = false;
    std::size_t valeurDebut = 0;
    std::size_t valeurFin = 0;
};

// The end of [debut, fin) at its first NUL: the Windows functions handle
// names and values as C strings, so a name matches, and a value reads, up to
// there.
std::size_t FinAvantNul(const UnitesIni& unites, std::size_t debut, std::size_t fin);

// Reads one line. A section name runs from '[' to the last ']' of the line,
// so "[a]b]" names "a]b" and what follows that ']' is ignored; a line that
// starts with '[' and holds no ']' is not a header but a key line. A key line
// without '=' is a key with no value: its name is the whole line.
LigneIni AnalyserLigne(const UnitesIni& unites, const Ligne& ligne);

// The unit i of a text, for Rogner.
inline char16_t UniteDe(const UnitesIni& unites, std::size_t i) {
    return unites[i];
}
inline char16_t UniteDe(const std::string& texte, std::size_t i) {
    return static_cast<unsigned char>(texte[i]);
}

// Narrows [debut, fin) of texte to exclude the blanks around it. The one
// trimming rule for the file's lines and for the names the program passes.
template <typename Texte> void Rogner(const Texte& texte, std::size_t& debut, std::size_t& fin) {
    while (debut < fin && EstBlanc(UniteDe(texte, debut))) {
        ++debut;
    }
    while (fin > debut && EstBlanc(UniteDe(texte, fin - 1))) {
        --fin;
    }
}
