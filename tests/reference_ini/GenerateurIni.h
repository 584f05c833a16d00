#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <vector>

// Random INI files and writes for the comparison with the Windows profile
// functions: sections, keys with and without '=', comments, blank lines, odd
// headers, NULs, every blank the functions trim and some they do not, quotes,
// random bytes, the three line ends, in each encoding a caller's file may
// have.

enum class FamilleIni { Ascii, Utf8, Utf8Bom, Windows1252, Utf16 };

// One WriteString: a key of a section set to a value.
struct EcritureIni {
    QString section;
    QString cle;
    QString valeur;
};

struct CasIni {
    QString nom;
    QByteArray contenu;
    std::vector<EcritureIni> ecritures; // all in one section
    bool ensemble = true;               // one WriteStrings, else one WriteString each
};

// A random file of a random family and one to three writes into one section.
CasIni CasAleatoire(QRandomGenerator& gen, int numero);

// The cases the reading rules were written for, and every file of
// dossierFixtures but the expected ones, each with the dialog's two outcomes:
// a choice (Cp, Ville, Erreur) and an abandon (Erreur alone).
std::vector<CasIni> CasNommes(const QString& dossierFixtures);

// texte as the family stores it: Windows-1252 with '?' for what it lacks,
// UTF-16LE without its byte order mark, UTF-8 otherwise.
QByteArray EncoderIni(const QString& texte, FamilleIni famille);
