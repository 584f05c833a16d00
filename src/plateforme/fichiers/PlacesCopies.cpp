#include "PlacesCopies.h"

namespace {

bool AuSeulUtilisateur(const PoigneeTenue& dossier) {
    EtatFichier etat;
    return dossier.Ouverte() && EtatDe(dossier.Valeur(), etat) == 0 && etat.genre == Genre::Dossier && etat.aNous &&
           !etat.ouvertAuxAutres;
}

// Opens the last folder of racine step by step from its root; why not, in
// pourquoi, when a step is not safe.
bool OuvrirPlace(const Racine& racine, bool creer, PlaceCopies& place, std::string* pourquoi) {
    int erreur = 0;
    place.chemin = racine.chemin;
    place.dossier = PoigneeTenue(OuvrirDans(kAucunePoignee, {}, racine.chemin, Genre::Dossier, creer, erreur));
    bool sur = place.dossier.Ouverte() && (!racine.aVerifier || AuSeulUtilisateur(place.dossier));
    for (std::size_t i = 0; sur && i < racine.dossiers.size(); ++i) {
        place.nom = racine.dossiers[i];
        PoigneeTenue suivant(
            OuvrirDans(place.dossier.Valeur(), place.chemin, place.nom, Genre::Dossier, creer, erreur));
        place.cheminParent = std::exchange(place.chemin, place.chemin + kSeparateur + place.nom);
        place.parent = std::exchange(place.dossier, std::move(suivant));
        sur = AuSeulUtilisateur(place.dossier);
    }
    if (!sur && pourquoi != nullptr) {
        *pourquoi += (pourquoi->empty() ? "« " : " ; « ") + place.chemin + " » " +
                     (place.dossier.Ouverte() ? "n'est pas un dossier à vous seul" : TexteSysteme(erreur));
    }
    return sur;
}

// Whether the file nom (nom empty: the folder itself) is in the last folder
// of racine, by one call on its path.
bool Present(const Racine& racine, const std::string& nom) {
    std::string chemin = racine.chemin;
    for (const std::string& dossier : racine.dossiers) {
        chemin += kSeparateur + dossier;
    }
    int erreur = 0;
    return PoigneeTenue(nom.empty() ? OuvrirDans(kAucunePoignee, {}, chemin, Genre::Dossier, false, erreur)
                                    : OuvrirDans(kAucunePoignee, chemin, nom, Genre::Ordinaire, false, erreur))
        .Ouverte();
}

} // namespace

std::vector<PlaceCopies> PlacesCopies(bool creer, const std::string& nom, std::string* pourquoi) {
    std::vector<PlaceCopies> places;
    for (const Racine& racine : RacinesCopies()) {
        PlaceCopies place;
        if ((creer || Present(racine, nom)) && OuvrirPlace(racine, creer, place, pourquoi)) {
            places.push_back(std::move(place));
        }
    }
    return places;
}
