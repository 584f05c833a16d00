#include "Remplacement.h"

#include "AccesFichier.h"
#include "Echec.h"
#include "TemporaireVoisin.h"

namespace {

// The temporary file, removed on every exit until it has taken the
// original's place.
struct Temporaire {
    PoigneeTenue fichier;
    std::string chemin;
    ~Temporaire() {
        if (!chemin.empty()) {
            fichier.Fermer();
            SupprimerChemin(chemin);
        }
    }
};

// Gives the temporary file a name of ours beside nom: creates it, or names
// the unnamed file it already is.
int Nommer(const std::string& dossier, const std::string& nom, Temporaire& temporaire) {
    int erreur = 0;
    for (int essai = 0; essai < 100; ++essai) {
        const std::string chemin = dossier + kSeparateur + NomTemporaireVoisin(nom);
        Poignee poignee = kAucunePoignee;
        erreur = CreerSousNom(chemin, temporaire.fichier.Valeur(), poignee);
        if (erreur == 0) {
            temporaire.fichier.Lacher();
            temporaire.fichier = PoigneeTenue(poignee);
            temporaire.chemin = chemin;
            return 0;
        }
        if (!NomPris(erreur)) {
            break;
        }
    }
    return erreur;
}

// Writes nouveau into the temporary file with the original's attributes,
// and flushes it.
int Remplir(Temporaire& temporaire, const std::string& cible, const std::string& nouveau) {
    int erreur = EcrireEn(temporaire.fichier.Valeur(), nouveau, 0);
    if (erreur == 0) {
        const PoigneeTenue original(OuvrirFichier(cible, false, erreur));
        erreur = original.Ouverte() ? ReprendreAttributs(original.Valeur(), temporaire.fichier.Valeur()) : erreur;
    }
    return erreur != 0 ? erreur : Synchroniser(temporaire.fichier.Valeur());
}

void OterTemporairesLaisses(const std::string& dossier, const std::string& nom) {
    for (const std::string& candidat : NomsDans(dossier)) {
        if (EstTemporaireVoisin(nom, candidat)) {
            OterSiLibre(dossier, candidat);
        }
    }
}

} // namespace

Remplacement RemplacerParRenommage(const std::string& chemin, const std::string& cible, const std::string& nouveau,
                                   const std::function<bool()>& inchange) {
    const std::string::size_type barre = cible.find_last_of(std::string("/") + kSeparateur);
    const std::string dossier = cible.substr(0, barre == 0 ? 1 : barre);
    const std::string nom = cible.substr(barre + 1);
    OterTemporairesLaisses(dossier, nom);

    Temporaire temporaire;
    temporaire.fichier = PoigneeTenue(CreerSansNom(dossier));
    const bool sansNom = temporaire.fichier.Ouverte();
    int erreur = sansNom ? 0 : Nommer(dossier, nom, temporaire);
    if (erreur == 0) {
        erreur = Remplir(temporaire, cible, nouveau);
        // An attribute the new file cannot take: the write in place keeps them all.
        if (erreur != 0 && !PlaceManquante(erreur)) {
            return Remplacement::Refuse;
        }
    }
    if (erreur == 0 && sansNom) {
        erreur = Nommer(dossier, nom, temporaire);
    }
    if (NomRefuse(erreur)) {
        return Remplacement::Refuse;
    }
    if (erreur == 0 && !inchange()) {
        return Remplacement::Change;
    }
    if (erreur == 0) {
        erreur = Substituer(temporaire.fichier.Lacher(), temporaire.chemin, cible);
    }
    // A sticky folder, like /tmp, refuses the rename over another user's
    // file that we may write: that file is written in place.
    if (NomRefuse(erreur)) {
        return Remplacement::Refuse;
    }
    if (erreur != 0) {
        throw Echec(MessageEcritureImpossible(chemin, erreur));
    }
    temporaire.chemin.clear();
    SynchroniserDossier(dossier);
    return Remplacement::Fait;
}
