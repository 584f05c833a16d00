#include "VerrouFichier.h"

#include "ErreurFichier.h"

#include <thread>

namespace {

std::chrono::milliseconds gAttente{3000};
constexpr std::chrono::milliseconds kPas{50};

} // namespace

void VerrouFichier::DefinirAttente(std::chrono::milliseconds attente) {
    gAttente = attente;
}

VerrouFichier::VerrouFichier(const std::string& chemin, bool ecriture, PoigneeTenue fichier)
    : fichier_(std::move(fichier)) {
    const auto limite = std::chrono::steady_clock::now() + gAttente;
    for (;;) {
        if (!fichier_.Ouverte()) {
            EtatFichier etat;
            int erreur = 0;
            fichier_ = PoigneeTenue(OuvrirFichier(chemin, ecriture, etat, erreur));
            if (!fichier_.Ouverte()) {
                throw ErreurFichier{Etape::Ouverture, erreur};
            }
        }
        bool pris = PrendreVerrou(fichier_.Valeur());
        while (!pris && std::chrono::steady_clock::now() < limite) {
            std::this_thread::sleep_for(kPas);
            pris = PrendreVerrou(fichier_.Valeur());
        }
        EtatFichier etat;
        if (pris && EtatDe(fichier_.Valeur(), etat) == 0 && Designe(chemin, etat.identite)) {
            return;
        }
        fichier_.Fermer();
        if (!pris || std::chrono::steady_clock::now() >= limite) {
            throw ErreurFichier{Etape::Verrou, kUtiliseAilleurs};
        }
    }
}
