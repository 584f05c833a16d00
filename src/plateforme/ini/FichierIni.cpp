#include "FichierIni.h"

#include "AccesFichier.h"
#include "Echec.h"
#include "LignesIni.h"
#include "UnitesIni.h"
#include "Utf8.h"

#include <QChar>
#include <algorithm>

// QSettings is not used: it rewrites the whole file (sorted keys, its own
// escapes and line ends, comments dropped), and the file belongs to a caller
// that reads it back with the Windows INI functions after we exit. Here the
// file is kept as raw code units and only the units of the lines we write
// change.

namespace {

// Names match without regard to case: code point by code point, each folded
// by Unicode's simple case folding.
bool MemeNom(const std::string& a, const std::string& b) {
    const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
    const unsigned char* finA = pa + a.size();
    const unsigned char* finB = pb + b.size();
    while (pa < finA && pb < finB) {
        if (QChar::toCaseFolded(DecoderUtf8(pa, finA)) != QChar::toCaseFolded(DecoderUtf8(pb, finB))) {
            return false;
        }
    }
    return pa == finA && pb == finB;
}

// The name a header or key line gives, up to its first NUL.
std::string NomLu(const UnitesIni& unites, const LigneIni& lue) {
    return unites.Decoder(lue.nomDebut, FinAvantNul(unites, lue.nomDebut, lue.nomFin));
}

// Where a key stands in the file, or where it would be added.
struct Emplacement {
    bool sectionTrouvee = false;
    bool cleTrouvee = false;
    Ligne ligneCle; // the key's line, when found
    LigneIni cle;   // what that line holds
    Ligne derniere; // the section's last key line, else its header
};

// Finds cle in the first section named section; later sections of the same
// name and later occurrences of the key are not looked at. A key line without
// '=' counts as the key: the search stops there, as the Windows functions do.
Emplacement Localiser(const UnitesIni& unites, const std::string& section, const std::string& cle) {
    Emplacement emplacement;
    Ligne ligne;
    for (std::size_t position = 0; LireLigne(unites, position, ligne); position = ligne.suivante) {
        const LigneIni lue = AnalyserLigne(unites, ligne);
        if (lue.genre == GenreLigne::EnTete) {
            if (emplacement.sectionTrouvee) {
                break;
            }
            if (MemeNom(NomLu(unites, lue), section)) {
                emplacement.sectionTrouvee = true;
                emplacement.derniere = ligne;
            }
            continue;
        }
        if (lue.genre != GenreLigne::Cle || !emplacement.sectionTrouvee) {
            // A blank or comment line, or a key outside our section
            continue;
        }
        emplacement.derniere = ligne;
        if (MemeNom(NomLu(unites, lue), cle)) {
            emplacement.cleTrouvee = true;
            emplacement.ligneCle = ligne;
            emplacement.cle = lue;
            break;
        }
    }
    return emplacement;
}

// A narrow text as it may go into a line: CR and LF would start new lines in
// the caller's file, so each becomes a blank.
std::string SansFinDeLigne(std::string texte) {
    std::replace(texte.begin(), texte.end(), '\r', ' ');
    std::replace(texte.begin(), texte.end(), '\n', ' ');
    return texte;
}

// A section or key name as the file would give it back: names are read
// trimmed of blanks, so they are looked up and written trimmed too. Like the
// Windows functions, which take C strings, a name ends at its first NUL.
std::string Nom(const std::string& nom) {
    const std::string texte = SansFinDeLigne(nom.substr(0, nom.find('\0')));
    std::size_t debut = 0;
    std::size_t fin = texte.size();
    Rogner(texte, debut, fin);
    return texte.substr(debut, fin - debut);
}

// CRLF when the file has any CRLF, else LF (a file of lone CRs included).
std::string FinDeLigneDuFichier(const UnitesIni& unites) {
    for (std::size_t i = 0; i + 1 < unites.Taille(); ++i) {
        if (unites[i] == u'\r' && unites[i + 1] == u'\n') {
            return "\r\n";
        }
    }
    return "\n";
}

// Applies one write to the units in memory.
void Ecrire(UnitesIni& unites, const std::string& section, const std::string& cle, const std::string& valeur,
            const std::string& finDeLigne) {
    const Emplacement emplacement = Localiser(unites, section, cle);
    if (emplacement.cleTrouvee) {
        // The key keeps its spelling and its line end; its indentation, the
        // blanks around '=' and the old value go. A key line without '='
        // gains one.
        const Ligne& ligne = emplacement.ligneCle;
        unites.Remplacer(ligne.debut, ligne.fin,
                         unites.Copier(emplacement.cle.nomDebut, emplacement.cle.nomFin) +
                             unites.Encoder('=' + valeur));
        return;
    }
    const std::string ligneCle = cle + '=' + valeur + finDeLigne;
    if (emplacement.sectionTrouvee) {
        // After the section's last key, so that blank and comment lines that
        // close the section stay after it.
        const Ligne& apres = emplacement.derniere;
        const std::string avant = apres.suivante == apres.fin ? finDeLigne : std::string();
        unites.Remplacer(apres.suivante, apres.suivante, unites.Encoder(avant + ligneCle));
        return;
    }
    const std::size_t taille = unites.Taille();
    const std::string avant = taille > 0 && !EstFinDeLigne(unites[taille - 1]) ? finDeLigne : std::string();
    unites.Remplacer(taille, taille, unites.Encoder(avant + '[' + section + ']' + finDeLigne + ligneCle));
}

} // namespace

FichierIni::FichierIni(std::string chemin) : chemin_(std::move(chemin)) {}

std::string FichierIni::ReadString(const std::string& section, const std::string& cle,
                                   const std::string& defaut) const {
    std::string octets;
    if (LireFichierEntier(chemin_, octets) != 0) {
        return defaut;
    }
    const UnitesIni unites(std::move(octets));
    const Emplacement emplacement = Localiser(unites, Nom(section), Nom(cle));
    if (!emplacement.cleTrouvee || !emplacement.cle.avecValeur) {
        return defaut;
    }
    // The Windows functions hand the value over as a C string: it ends at
    // its first NUL, and the quotes are looked for on what is left.
    std::size_t debut = emplacement.cle.valeurDebut;
    std::size_t fin = FinAvantNul(unites, debut, emplacement.cle.valeurFin);
    if (fin - debut >= 2 && (unites[debut] == u'"' || unites[debut] == u'\'') && unites[fin - 1] == unites[debut]) {
        ++debut;
        --fin;
    }
    return unites.Decoder(debut, fin);
}

void FichierIni::WriteString(const std::string& section, const std::string& cle, const std::string& valeur) {
    WriteStrings(section, {{cle, valeur}});
}

void FichierIni::WriteBool(const std::string& section, const std::string& cle, bool valeur) {
    WriteStrings(section, {{cle, valeur ? "1" : "0"}});
}

void FichierIni::WriteStrings(const std::string& section,
                              const std::vector<std::pair<std::string, std::string>>& valeurs) {
    if (valeurs.empty()) {
        return;
    }
    // A key name the file could not give back would write a line that reads
    // as something else: a key cut at '=', a comment, or a header once the
    // value holds a ']'. Any section name reads back: the header's name runs
    // to its last ']', the one written after it.
    const std::string nomSection = Nom(section);
    for (const auto& [cle, valeur] : valeurs) {
        const std::string nomCle = Nom(cle);
        if (nomCle.find('=') != std::string::npos || (!nomCle.empty() && (nomCle[0] == ';' || nomCle[0] == '['))) {
            throw Echec(MessageEcritureImpossible(chemin_, "nom de clé « " + cle + " » invalide"));
        }
    }

    // The keys are applied to the file as read under its lock, and again to
    // its new content should another program change it meanwhile.
    ModifierFichier(chemin_, [&](const std::string& octets) {
        UnitesIni unites(octets);
        const std::string finDeLigne = FinDeLigneDuFichier(unites);
        for (const auto& [cle, valeur] : valeurs) {
            Ecrire(unites, nomSection, Nom(cle), SansFinDeLigne(valeur), finDeLigne);
        }
        return unites.Octets();
    });
}
