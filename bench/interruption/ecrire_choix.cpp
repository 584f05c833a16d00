// The program's write of a choice, without the dialog: "ecrire_choix FILE"
// does what Valider does on 42000 SAINT-ÉTIENNE (after the start-up's read,
// which undoes an earlier write cut short), "ecrire_choix FILE --lire" only the
// start-up's read. tuer.py kills it halfway.
#include "Echange.h"
#include "Echec.h"
#include "Messagerie.h"

#include <cstdio>
#include <cstring>

namespace {

class MessagerieConsole : public Messagerie {
public:
    void AfficherMessage(const std::string& message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ecrire_choix FILE [--lire]\n");
        return 2;
    }
    MessagerieConsole messagerie;
    try {
        CriteresDepart criteres;
        ChargerConfig(argv[1], criteres, messagerie);
        if (argc < 3 || std::strcmp(argv[2], "--lire") != 0) {
            EnregistrerChoix(argv[1], "42000 - SAINT-ÉTIENNE", false, messagerie);
        }
    } catch (const Echec& erreur) {
        std::fprintf(stderr, "%s\n", erreur.what());
        return 1;
    }
    return 0;
}
