#include "EntreesSorties.h"

#include "ArretEcriture.h"
#include "ErreurFichier.h"

Poignee OuvrirFichier(const std::string& chemin, bool ecriture, EtatFichier& etat, int& erreur) {
    PoigneeTenue fichier(OuvrirChemin(chemin, ecriture, erreur));
    if (fichier.Ouverte() && (erreur = EtatDe(fichier.Valeur(), etat)) == 0 && etat.genre != Genre::Ordinaire) {
        erreur = kPasUnFichierOrdinaire;
    }
    return erreur == 0 ? fichier.Lacher() : kAucunePoignee;
}

int LireTout(Poignee poignee, std::string& octets) {
    octets.clear();
    char tampon[65536];
    for (;;) {
        std::size_t lus = 0;
        if (const int erreur = LireMorceau(poignee, octets.size(), tampon, sizeof tampon, lus)) {
            return erreur;
        }
        if (lus == 0) {
            return 0;
        }
        octets.append(tampon, lus);
    }
}

PoigneeTenue OuvrirSiANous(Poignee dossier, const std::string& cheminDossier, const std::string& nom) {
    int erreur = 0;
    PoigneeTenue fichier(OuvrirDans(dossier, cheminDossier, nom, false, erreur));
    EtatFichier etat;
    if (fichier.Ouverte() &&
        (EtatDe(fichier.Valeur(), etat) != 0 || etat.genre != Genre::Ordinaire || !etat.aNous || etat.liens != 1)) {
        return PoigneeTenue();
    }
    return fichier;
}

int EcrireEn(Poignee poignee, std::string_view octets, std::uint64_t position) {
    // One call at most 1 GiB, which every system takes.
    constexpr std::size_t kMorceau = std::size_t{1} << 30;
    while (!octets.empty()) {
        std::size_t ecrits = 0;
        const std::size_t permis = OctetsPermis(octets.size() < kMorceau ? octets.size() : kMorceau);
        if (const int erreur = EcrireMorceau(poignee, octets.data(), permis, position, ecrits)) {
            return erreur;
        }
        CompterOctetsEcrits(ecrits);
        octets.remove_prefix(ecrits);
        position += ecrits;
    }
    return 0;
}

int EcrireDepuis(Poignee fichier, std::size_t debut, std::string_view octets) {
    if (const int erreur = Reserver(fichier, octets.size())) {
        return erreur;
    }
    if (const int erreur = EcrireEn(fichier, octets.substr(debut), debut)) {
        return erreur;
    }
    if (const int erreur = FixerTaille(fichier, octets.size())) {
        return erreur;
    }
    return Synchroniser(fichier);
}
