#include "Remplacement.h"

#include "EntreesSorties.h"
#include "ErreurFichier.h"

namespace {

// The folder of cible, and the name of our temporary file in it: hidden,
// marked as ours, cible's name cut to 200 bytes so that it stays a valid name.
std::pair<std::string, std::string> PlaceTemporaire(const std::string& cible) {
    const std::string::size_type barre = cible.find_last_of(std::string("/") + kSeparateur);
    return {cible.substr(0, barre == 0 ? 1 : barre), "." + cible.substr(barre + 1, 200) + ".quilvarest-ecriture"};
}

// The temporary file, removed on every exit until it has taken the
// original's place.
struct Temporaire {
    PoigneeTenue fichier;
    std::string dossier, nom;
    bool nomme = false;
    ~Temporaire() {
        if (nomme) {
            fichier.Fermer();
            SupprimerDans(kAucunePoignee, dossier, nom);
        }
    }
    // Creates the file under its name, or names the unnamed file it is.
    int Nommer() {
        Poignee poignee = fichier.Lacher();
        const int erreur = CreerSousNom(dossier + kSeparateur + nom, poignee);
        fichier = PoigneeTenue(poignee);
        nomme = erreur == 0;
        return erreur;
    }
};

// Writes nouveau into the temporary file with the original's attributes,
// and flushes it.
int Remplir(Temporaire& temporaire, Poignee original, const std::string& nouveau) {
    if (const int erreur = EcrireEn(temporaire.fichier.Valeur(), nouveau, 0)) {
        return erreur;
    }
    if (const int erreur = ReprendreAttributs(original, temporaire.fichier.Valeur())) {
        return erreur;
    }
    return Synchroniser(temporaire.fichier.Valeur());
}

} // namespace

bool TemporaireLaisse(const std::string& cible) {
    const auto [dossier, nom] = PlaceTemporaire(cible);
    int erreur = 0;
    return !cible.empty() && PoigneeTenue(OuvrirDans(kAucunePoignee, dossier, nom, false, erreur)).Ouverte();
}

void OterTemporaireLaisse(const std::string& cible) {
    const auto [dossier, nom] = PlaceTemporaire(cible);
    if (!cible.empty() && OuvrirSiANous(kAucunePoignee, dossier, nom).Ouverte()) {
        SupprimerDans(kAucunePoignee, dossier, nom);
    }
}

Remplacement RemplacerParRenommage(Poignee original, const std::string& cible, const std::string& nouveau,
                                   const std::function<bool()>& inchange) {
    Temporaire temporaire;
    std::tie(temporaire.dossier, temporaire.nom) = PlaceTemporaire(cible);
    temporaire.fichier = PoigneeTenue(CreerSansNom(temporaire.dossier));
    const bool sansNom = temporaire.fichier.Ouverte();
    int erreur = sansNom ? 0 : temporaire.Nommer();
    if (erreur == 0 && (erreur = Remplir(temporaire, original, nouveau)) != 0 && !PlaceManquante(erreur)) {
        return Remplacement::Refuse; // an attribute it cannot take: the write in place keeps them all
    }
    erreur = erreur == 0 && sansNom ? temporaire.Nommer() : erreur;
    if (erreur == 0 && !inchange()) {
        return Remplacement::Change;
    }
    erreur = erreur == 0
                 ? Substituer(temporaire.fichier.Lacher(), temporaire.dossier + kSeparateur + temporaire.nom, cible)
                 : erreur;
    // A folder refusing the new name or the rename (a sticky one, like /tmp,
    // over another user's file that we may write), or the name taken by a
    // file not ours (the repair under the lock removed any of ours): the
    // file is written in place.
    if (NomRefuse(erreur) || NomPris(erreur)) {
        return Remplacement::Refuse;
    }
    if (erreur != 0) {
        throw ErreurFichier{Etape::Renommage, erreur};
    }
    temporaire.nomme = false;
    SynchroniserDossier(temporaire.dossier);
    return Remplacement::Fait;
}
