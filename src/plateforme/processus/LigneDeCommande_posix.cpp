#include "LigneDeCommande.h"

std::vector<std::string> ArgumentsProgramme(int argc, char** argv) {
    // The bytes as the caller gave them: UTF-8 on every desktop session.
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}
