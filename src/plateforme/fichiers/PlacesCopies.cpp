#include "PlacesCopies.h"

#include <algorithm>

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
        place.cheminParent = place.chemin;
        place.nom = racine.dossiers[i];
        place.chemin += kSeparateur + racine.dossiers[i];
        place.parent = std::move(place.dossier);
        place.dossier = std::move(suivant);
        sur = AuSeulUtilisateur(place.dossier);
    }
    if (!sur) {
        pourquoi += (pourquoi.empty() ? "« " : " ; « ") + place.chemin + " » " +
                    (place.dossier.Ouverte() ? "n'est pas un dossier à vous seul" : TexteSysteme(erreur));
    }
    return sur;
}

// Whether the file nom (or, nom being empty, the folder itself) is in the
// last folder of racine, by one call on its path.
bool Present(const Racine& racine, const std::string& nom) {
    std::string chemin = racine.chemin;
    for (const std::string& dossier : racine.dossiers) {
        chemin += kSeparateur + dossier;
    }
    int erreur = 0;
    return PoigneeTenue(nom.empty() ? OuvrirDossier(kAucunePoignee, {}, chemin, false, erreur)
                                    : OuvrirDans(kAucunePoignee, chemin, nom, false, erreur))
        .Ouverte();
}

// Made first when creer is set; else only those holding nom.
std::vector<PlaceCopies> Places(bool creer, const std::string& nom, std::string& pourquoi) {
    std::vector<PlaceCopies> places;
    for (const Racine& racine : RacinesCopies()) {
        PlaceCopies place;
        if ((creer || Present(racine, nom)) && OuvrirPlace(racine, creer, place, pourquoi)) {
            places.push_back(std::move(place));
        }
    }
    return places;
}

} // namespace

std::vector<PlaceCopies> PlacesCopies(std::string& pourquoi) {
    return Places(true, {}, pourquoi);
}

bool CopiePresente(const std::string& nom) {
    const std::vector<Racine> racines = RacinesCopies();
    return std::any_of(racines.begin(), racines.end(), [&](const Racine& racine) { return Present(racine, nom); });
}

std::vector<PlaceCopies> PlacesOu(const std::string& nom) {
    std::string pourquoi;
    return Places(false, nom, pourquoi);
}
