#include "FichierIni.h"

#include "AccesFichier.h"
#include "EncodageIni.h"
#include "ErreurPlateforme.h"

// QSettings is not used: it rewrites the whole file (sorted keys, its own
// escapes and line ends, comments dropped), and the file belongs to a caller
// that reads it back with the Windows INI functions after we exit. Here the
// file is kept as raw code units and only the units of the lines we write
// change.

namespace {

bool EstBlanc(char16_t unite) {
    return unite == u' ' || unite == u'\t';
}

bool EstFinDeLigne(char16_t unite) {
    return unite == u'\r' || unite == u'\n';
}

// One line of the file: its text is [debut, fin), its line end (CRLF, LF, a
// lone CR or nothing on the last line) runs from fin to suivante.
struct Ligne {
    std::size_t debut = 0;
    std::size_t fin = 0;
    std::size_t suivante = 0;
};

// The line that starts at unit debut; false past the last line.
bool LireLigne(const UnitesIni& unites, std::size_t debut, Ligne& ligne) {
    const std::size_t taille = unites.Taille();
    if (debut >= taille) {
        return false;
    }
    std::size_t i = debut;
    while (i < taille && !EstFinDeLigne(unites[i])) {
        ++i;
    }
    ligne.debut = debut;
    ligne.fin = i;
    if (i < taille) {
        i += (unites[i] == u'\r' && i + 1 < taille && unites[i + 1] == u'\n') ? 2 : 1;
    }
    ligne.suivante = i;
    return true;
}

// Narrows [debut, fin) to exclude the blanks around it.
void Rogner(const UnitesIni& unites, std::size_t& debut, std::size_t& fin) {
    while (debut < fin && EstBlanc(unites[debut])) {
        ++debut;
    }
    while (fin > debut && EstBlanc(unites[fin - 1])) {
        --fin;
    }
}

// The first unit equal to cherche in [debut, fin), or fin.
std::size_t Chercher(const UnitesIni& unites, std::size_t debut, std::size_t fin, char16_t cherche) {
    while (debut < fin && unites[debut] != cherche) {
        ++debut;
    }
    return debut;
}

bool MemeNom(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// Where a key stands in the file, or where it would be added.
struct Emplacement {
    bool sectionTrouvee = false;
    bool cleTrouvee = false;
    Ligne ligneCle;           // the key's line, when found
    std::size_t cleDebut = 0; // the key's name as spelled in the file
    std::size_t cleFin = 0;
    std::size_t valeurDebut = 0; // its value, trimmed, quotes still on
    std::size_t valeurFin = 0;
    Ligne derniere; // the section's last key line, else its header
};

// Finds cle in the first section named section; later sections of the same
// name and later occurrences of the key are not looked at.
Emplacement Localiser(const UnitesIni& unites, const QString& section, const QString& cle) {
    Emplacement emplacement;
    Ligne ligne;
    for (std::size_t position = 0; LireLigne(unites, position, ligne); position = ligne.suivante) {
        std::size_t debut = ligne.debut;
        std::size_t fin = ligne.fin;
        Rogner(unites, debut, fin);
        if (debut == fin || unites[debut] == u';') {
            // A blank or comment line
            continue;
        }
        if (unites[debut] == u'[') {
            // A "[section]" line: the name runs to the first ']', what follows is ignored.
            if (emplacement.sectionTrouvee) {
                break;
            }
            std::size_t nomDebut = debut + 1;
            std::size_t nomFin = Chercher(unites, nomDebut, fin, u']');
            Rogner(unites, nomDebut, nomFin);
            if (MemeNom(unites.Decoder(nomDebut, nomFin), section)) {
                emplacement.sectionTrouvee = true;
                emplacement.derniere = ligne;
            }
            continue;
        }
        const std::size_t egal = Chercher(unites, debut, fin, u'=');
        if (!emplacement.sectionTrouvee || egal == fin) {
            // Outside our section, or a line that is neither key nor header
            continue;
        }
        // A "key=value" line of our section
        emplacement.derniere = ligne;
        std::size_t cleDebut = debut;
        std::size_t cleFin = egal;
        Rogner(unites, cleDebut, cleFin);
        if (MemeNom(unites.Decoder(cleDebut, cleFin), cle)) {
            std::size_t valeurDebut = egal + 1;
            std::size_t valeurFin = fin;
            Rogner(unites, valeurDebut, valeurFin);
            emplacement.cleTrouvee = true;
            emplacement.ligneCle = ligne;
            emplacement.cleDebut = cleDebut;
            emplacement.cleFin = cleFin;
            emplacement.valeurDebut = valeurDebut;
            emplacement.valeurFin = valeurFin;
            break;
        }
    }
    return emplacement;
}

// A narrow text as it may go into a line: CR and LF would start new lines in
// the caller's file, so each becomes a blank.
QString SansFinDeLigne(const std::string& texte) {
    QString resultat = DecoderUtf8Entier(QByteArrayView(texte.data(), static_cast<qsizetype>(texte.size())));
    resultat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return resultat;
}

// A section or key name as the file would give it back: names are read
// trimmed of blanks, so they are looked up and written trimmed too.
QString Nom(const std::string& nom) {
    const QString texte = SansFinDeLigne(nom);
    qsizetype debut = 0;
    qsizetype fin = texte.size();
    while (debut < fin && EstBlanc(texte[debut].unicode())) {
        ++debut;
    }
    while (fin > debut && EstBlanc(texte[fin - 1].unicode())) {
        --fin;
    }
    return texte.mid(debut, fin - debut);
}

// CRLF when the file has any CRLF, else LF (a file of lone CRs included).
QString FinDeLigneDuFichier(const UnitesIni& unites) {
    for (std::size_t i = 0; i + 1 < unites.Taille(); ++i) {
        if (unites[i] == u'\r' && unites[i + 1] == u'\n') {
            return QStringLiteral("\r\n");
        }
    }
    return QStringLiteral("\n");
}

// Applies one write to the units in memory.
void Ecrire(UnitesIni& unites, const QString& section, const QString& cle, const QString& valeur,
            const QString& finDeLigne) {
    const Emplacement emplacement = Localiser(unites, section, cle);
    if (emplacement.cleTrouvee) {
        // The key keeps its spelling and its line end; its indentation, the
        // blanks around '=' and the old value go.
        const Ligne& ligne = emplacement.ligneCle;
        unites.Remplacer(ligne.debut, ligne.fin,
                         unites.Copier(emplacement.cleDebut, emplacement.cleFin) +
                             unites.Encoder(QLatin1Char('=') + valeur));
        return;
    }
    const QString ligneCle = cle + QLatin1Char('=') + valeur + finDeLigne;
    if (emplacement.sectionTrouvee) {
        // After the section's last key, so that blank and comment lines that
        // close the section stay after it.
        const Ligne& apres = emplacement.derniere;
        const QString avant = apres.suivante == apres.fin ? finDeLigne : QString();
        unites.Remplacer(apres.suivante, apres.suivante, unites.Encoder(avant + ligneCle));
        return;
    }
    const std::size_t taille = unites.Taille();
    const QString avant = taille > 0 && !EstFinDeLigne(unites[taille - 1]) ? finDeLigne : QString();
    unites.Remplacer(taille, taille,
                     unites.Encoder(avant + QLatin1Char('[') + section + QLatin1Char(']') + finDeLigne + ligneCle));
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
    if (!emplacement.cleTrouvee) {
        return defaut;
    }
    std::size_t debut = emplacement.valeurDebut;
    std::size_t fin = emplacement.valeurFin;
    if (fin - debut >= 2 && (unites[debut] == u'"' || unites[debut] == u'\'') && unites[fin - 1] == unites[debut]) {
        ++debut;
        --fin;
    }
    return unites.Decoder(debut, fin).toStdString();
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
    // A name the file could not give back would write a line that reads as
    // something else: a header cut at ']', a key cut at '=', a comment.
    const QString nomSection = Nom(section);
    if (nomSection.contains(QLatin1Char(']'))) {
        throw ErreurPlateforme(MessageEcritureImpossible(chemin_, "nom de section « " + section + " » invalide"));
    }
    for (const auto& [cle, valeur] : valeurs) {
        const QString nomCle = Nom(cle);
        if (nomCle.contains(QLatin1Char('=')) || nomCle.startsWith(QLatin1Char(';')) ||
            nomCle.startsWith(QLatin1Char('['))) {
            throw ErreurPlateforme(MessageEcritureImpossible(chemin_, "nom de clé « " + cle + " » invalide"));
        }
    }

    // A file we cannot read is never replaced by content built from nothing.
    std::string octets;
    if (const int erreur = LireFichierEntier(chemin_, octets)) {
        throw ErreurPlateforme(MessageEcritureImpossible(chemin_, erreur));
    }
    UnitesIni unites(std::move(octets));
    const QString finDeLigne = FinDeLigneDuFichier(unites);
    for (const auto& [cle, valeur] : valeurs) {
        Ecrire(unites, nomSection, Nom(cle), SansFinDeLigne(valeur), finDeLigne);
    }
    RemplacerFichier(chemin_, unites.Octets());
}
