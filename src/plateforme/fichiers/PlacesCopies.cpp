#include "PlacesCopies.h"

namespace {

bool AuSeulUtilisateur(const PoigneeTenue& dossier) {
    EtatFichier etat;
    return dossier.Ouverte() && EtatDe(dossier.Valeur(), etat) == 0 && etat.genre == Genre::Dossier && etat.aNous &&
           !etat.ouvertAuxAutres;
}

// Opens the last folder of racine, step by step from its root; why not, in
// pourquoi, when a step is not safe.
bool OuvrirPlace(const Racine& racine, bool creer, PlaceCopies& place, std::string& pourquoi) {
    int erreur = 0;
    place.chemin = racine.chemin;
    place.dossier = PoigneeTenue(OuvrirDossier(kAucunePoignee, {}, racine.chemin, creer, erreur));
    bool sur = place.dossier.Ouverte() && (!racine.aVerifier || AuSeulUtilisateur(place.dossier));
    for (std::size_t i = 0; sur && i < racine.dossiers.size(); ++i) {
        PoigneeTenue suivant(OuvrirDossier(place.dossier.Valeur(), place.chemin, racine.dossiers[i], creer, erreur));
        place.chemin += kSeparateur + racine.dossiers[i];
        place.dossier = std::move(suivant);
        sur = AuSeulUtilisateur(place.dossier);
    }
    if (!sur) {
        pourquoi += (pourquoi.empty() ? "« " : " ; « ") + place.chemin + " » " +
                    (place.dossier.Ouverte() ? "n'est pas un dossier à vous seul" : TexteSysteme(erreur));
    }
    return sur;
}

} // namespace

std::vector<PlaceCopies> PlacesCopies(bool creer, std::string& pourquoi) {
    std::vector<PlaceCopies> places;
    for (const Racine& racine : RacinesCopies()) {
        PlaceCopies place;
        if (OuvrirPlace(racine, creer, place, pourquoi)) {
            places.push_back(std::move(place));
        }
    }
    return places;
}

PoigneeTenue OuvrirCopie(const PlaceCopies& place, const std::string& nom) {
    int erreur = 0;
    PoigneeTenue copie(OuvrirDans(place.dossier.Valeur(), place.chemin, nom, false, erreur));
    EtatFichier etat;
    if (copie.Ouverte() &&
        (EtatDe(copie.Valeur(), etat) != 0 || etat.genre != Genre::Ordinaire || !etat.aNous || etat.liens != 1)) {
        return PoigneeTenue();
    }
    return copie;
}
