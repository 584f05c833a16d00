#include "EntreesSorties.h"

#include "ArretEcriture.h"
#include "ErreurFichier.h"

#include <algorithm>

namespace {

std::optional<std::size_t> gReste; // what the test seam still lets through

// How many of demande bytes the next write may write; throws EcritureArretee
// once the seam lets none through.
std::size_t OctetsPermis(std::size_t demande) {
    if (gReste && *gReste == 0 && demande > 0) {
        throw EcritureArretee{};
    }
    const std::size_t permis = gReste ? std::min(demande, *gReste) : demande;
    if (gReste) {
        *gReste -= permis;
    }
    return permis;
}

} // namespace

void ArreterEcritureApres(std::optional<std::size_t> octets) {
    gReste = octets;
}

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
    std::size_t lus = 0;
    do {
        if (const int erreur = LireMorceau(poignee, octets.size(), tampon, sizeof tampon, lus)) {
            return erreur;
        }
        octets.append(tampon, lus);
    } while (lus != 0);
    return 0;
}

PoigneeTenue OuvrirSiANous(Poignee dossier, const std::string& cheminDossier, const std::string& nom) {
    int erreur = 0;
    PoigneeTenue fichier(OuvrirDans(dossier, cheminDossier, nom, Genre::Ordinaire, false, erreur));
    EtatFichier etat;
    const bool aNous = fichier.Ouverte() && EtatDe(fichier.Valeur(), etat) == 0 && etat.genre == Genre::Ordinaire &&
                       etat.aNous && etat.liens == 1;
    return aNous ? std::move(fichier) : PoigneeTenue();
}

int EcrireEn(Poignee poignee, std::string_view octets, std::uint64_t position) {
    while (!octets.empty()) {
        // One call at most 1 GiB, which every system takes.
        const std::size_t permis = OctetsPermis(std::min(octets.size(), std::size_t{1} << 30));
        std::size_t ecrits = 0;
        if (const int erreur = EcrireMorceau(poignee, octets.data(), permis, position, ecrits)) {
            return erreur;
        }
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
