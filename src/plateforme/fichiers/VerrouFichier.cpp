#include "VerrouFichier.h"

#include "AccesFichier.h"
#include "Echec.h"
#include "PrimitivesFichier.h"

#include <thread>

namespace {

std::chrono::milliseconds gAttente{3000};
constexpr std::chrono::milliseconds kPas{50};

} // namespace

void VerrouFichier::DefinirAttente(std::chrono::milliseconds attente) {
    gAttente = attente;
}

VerrouFichier::VerrouFichier(const std::string& chemin) {
    const auto limite = std::chrono::steady_clock::now() + gAttente;
    for (;;) {
        int erreur = 0;
        poignee_ = OuvrirFichier(chemin, false, erreur);
        if (poignee_ == kAucunePoignee) {
            throw Echec(MessageEcritureImpossible(chemin, erreur));
        }
        bool pris = PrendreVerrou(poignee_);
        while (!pris && std::chrono::steady_clock::now() < limite) {
            std::this_thread::sleep_for(kPas);
            pris = PrendreVerrou(poignee_);
        }
        if (pris && DesigneEncore(poignee_, chemin)) {
            return;
        }
        FermerPoignee(poignee_);
        if (!pris || std::chrono::steady_clock::now() >= limite) {
            throw Echec(MessageEcritureImpossible(
                chemin, "il est utilisé par un autre programme ; rien n'y a été écrit, réessayez dans un instant"));
        }
    }
}

VerrouFichier::~VerrouFichier() {
    FermerPoignee(poignee_);
}
