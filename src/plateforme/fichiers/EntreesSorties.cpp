#include "EntreesSorties.h"

#include "ArretEcriture.h"

int LireTout(Poignee poignee, std::string& octets) {
    octets.clear();
    char tampon[65536];
    for (;;) {
        std::size_t lus = 0;
        if (const int erreur = LireMorceau(poignee, tampon, sizeof tampon, lus)) {
            return erreur;
        }
        if (lus == 0) {
            return 0;
        }
        octets.append(tampon, lus);
    }
}

int LireChemin(const std::string& chemin, Lecture& lecture) {
    int erreur = 0;
    const PoigneeTenue fichier(OuvrirFichier(chemin, false, erreur));
    if (!fichier.Ouverte()) {
        return erreur;
    }
    if ((erreur = EtatDe(fichier.Valeur(), lecture.etat)) != 0) {
        return erreur;
    }
    lecture.octets.reserve(static_cast<std::size_t>(lecture.etat.taille));
    return LireTout(fichier.Valeur(), lecture.octets);
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

int EcrireDepuis(const std::string& cible, std::size_t debut, std::string_view octets) {
    int erreur = 0;
    PoigneeTenue fichier(OuvrirFichier(cible, true, erreur));
    if (!fichier.Ouverte()) {
        return erreur;
    }
    erreur = Reserver(fichier.Valeur(), octets.size());
    if (erreur == 0) {
        erreur = EcrireEn(fichier.Valeur(), octets.substr(debut), debut);
    }
    if (erreur == 0) {
        erreur = FixerTaille(fichier.Valeur(), octets.size());
    }
    if (erreur == 0) {
        erreur = Synchroniser(fichier.Valeur());
    }
    const int fermeture = fichier.Fermer();
    return erreur != 0 ? erreur : fermeture;
}
