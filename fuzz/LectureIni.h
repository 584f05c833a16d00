#pragma once

#include "EncodageIni.h"

#include <QString>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// How the INI target expects a file to read, written from the rules
// FichierIni.h documents rather than from its code, so that the target can
// tell what the editor does from what it should do.

// A file's layout: BOM FF FE is UTF-16LE, BOM EF BB BF or well-formed UTF-8
// is UTF-8, anything else Windows-1252.
struct Forme {
    EncodageIni encodage = EncodageIni::Utf8;
    std::size_t entete = 0;  // BOM bytes
    std::size_t largeur = 1; // bytes per unit
    std::size_t queue = 0;   // a lone last byte of UTF-16
};

Forme Analyser(const std::string& octets);

// The file's code units after its BOM and before its lone last byte: bytes,
// or 16-bit units for UTF-16LE.
std::vector<char16_t> Unites(const std::string& octets, const Forme& forme);

// The whole file as text in its encoding; a U+FEFF after the BOM is kept.
QString Decoder(const std::string& octets, const Forme& forme);

// texte as a file of that encoding holds it once written: Windows-1252 has
// '?' for each character it lacks; the others hold every character.
QString Vue(const QString& texte, EncodageIni encodage);

bool EstCrOuLf(char16_t unite);

// utf8's characters as Windows-1252 bytes, '?' for those it lacks.
std::string EnWindows1252(const std::string& utf8);

// A narrow (UTF-8) text as the editor takes it: a leading U+FEFF kept, each
// CR and LF a blank.
QString SansFinDeLigne(const std::string& texte);

// A section or key name as the editor writes it: as above, up to its first
// NUL, then trimmed of blanks (space, tab, vertical tab, form feed, Ctrl-Z).
QString Nom(const std::string& nom);

// Names match without regard to case, up to their first NUL.
bool MemeNom(const QString& a, const QString& b);

// What ReadString gives back for a value written as valeur: trimmed of
// blanks, cut at its first NUL, then one pair of matching outer quotes
// (" or ') off.
std::string Relu(const QString& valeur);

// Every (section, key) pair of the text, in order, 48 at most: a line that
// starts with '[' and holds a ']' is a header whose name runs to the last
// ']'; any other line that is not blank or a comment is a key, up to its
// first '=' or the whole line; a key before any section has the empty section
// name.
std::vector<std::pair<QString, QString>> Sondes(const QString& texte);

// The keys of the first section named nom, in file order, as spelled, those
// without '=' included.
struct SectionLue {
    bool trouvee = false;
    std::vector<QString> cles;
};

SectionLue LireSection(const QString& texte, const QString& nom);

// Line ends among units [debut, fin): CRLF counts one, a lone CR or LF one.
std::size_t FinsDeLigne(const std::vector<char16_t>& unites, std::size_t debut, std::size_t fin);
std::size_t FinsDeLigne(const std::vector<char16_t>& unites);
