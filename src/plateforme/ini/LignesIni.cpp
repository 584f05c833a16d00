#include "LignesIni.h"

namespace {

// The first unit equal to cherche in [debut, fin), or fin.
std::size_t Chercher(const UnitesIni& unites, std::size_t debut, std::size_t fin, char16_t cherche) {
    while (debut < fin && unites[debut] != cherche) {
        ++debut;
    }
    return debut;
}

// The last unit equal to cherche in [debut, fin), or fin.
std::size_t ChercherDernier(const UnitesIni& unites, std::size_t debut, std::size_t fin, char16_t cherche) {
    for (std::size_t i = fin; i > debut; --i) {
        if (unites[i - 1] == cherche) {
            return i - 1;
        }
    }
    return fin;
}

} // namespace

bool EstBlanc(char16_t unite) {
    return unite == u' ' || unite == u'\t' || unite == u'\v' || unite == u'\f' || unite == u'\x1A';
}

bool EstFinDeLigne(char16_t unite) {
    return unite == u'\r' || unite == u'\n';
}

std::size_t FinAvantNul(const UnitesIni& unites, std::size_t debut, std::size_t fin) {
    return Chercher(unites, debut, fin, u'\0');
}

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

LigneIni AnalyserLigne(const UnitesIni& unites, const Ligne& ligne) {
    LigneIni lue;
    std::size_t debut = ligne.debut;
    std::size_t fin = ligne.fin;
    Rogner(unites, debut, fin);
    if (debut == fin) {
        return lue;
    }
    if (unites[debut] == u';') {
        lue.genre = GenreLigne::Commentaire;
        return lue;
    }
    if (unites[debut] == u'[') {
        const std::size_t crochet = ChercherDernier(unites, debut + 1, fin, u']');
        if (crochet != fin) {
            lue.genre = GenreLigne::EnTete;
            lue.nomDebut = debut + 1;
            lue.nomFin = crochet;
            Rogner(unites, lue.nomDebut, lue.nomFin);
            return lue;
        }
    }
    lue.genre = GenreLigne::Cle;
    const std::size_t egal = Chercher(unites, debut, fin, u'=');
    lue.nomDebut = debut;
    lue.nomFin = egal;
    Rogner(unites, lue.nomDebut, lue.nomFin);
    lue.avecValeur = egal != fin;
    if (lue.avecValeur) {
        lue.valeurDebut = egal + 1;
        lue.valeurFin = fin;
        Rogner(unites, lue.valeurDebut, lue.valeurFin);
    }
    return lue;
}
