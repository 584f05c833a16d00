#include "VerrouFichier.h"

#include "ErreurFichier.h"

#include <thread>

namespace {

std::chrono::milliseconds gAttente{3000};

} // namespace

void VerrouFichier::DefinirAttente(std::chrono::milliseconds attente) {
    gAttente = attente;
}

VerrouFichier::VerrouFichier(const std::string& chemin, bool ecriture, PoigneeTenue fichier)
    : fichier_(std::move(fichier)) {
    const auto limite = std::chrono::steady_clock::now() + gAttente;
    EtatFichier etat;
    int erreur = 0;
    for (;;) {
        if (!fichier_.Ouverte() &&
            !(fichier_ = PoigneeTenue(OuvrirFichier(chemin, ecriture, etat, erreur))).Ouverte()) {
            throw ErreurFichier{Etape::Ouverture, erreur};
        }
        bool pris = false;
        while (!(pris = PrendreVerrou(fichier_.Valeur())) && std::chrono::steady_clock::now() < limite) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (pris && EtatDe(fichier_.Valeur(), etat) == 0 && Designe(chemin, etat.identite)) {
            return;
        }
        fichier_.Fermer();
        if (!pris || std::chrono::steady_clock::now() >= limite) {
            throw ErreurFichier{Etape::Verrou, kUtiliseAilleurs};
        }
    }
}
