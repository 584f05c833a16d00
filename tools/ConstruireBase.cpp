// ConstruireBase <source.txt> <base.abs> [<autres-noms.txt>]
//
// Writes the postal code store from its source text (see ConstructionBase.h
// for both formats). Exits with 0 once the store is in place, 1 with the
// reason on the error output otherwise, any previous store left untouched.

#include "ConstructionBase.h"

#include <exception>
#include <fstream>
#include <iostream>

int main(int argc, char* argv[]) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: ConstruireBase <codes-postaux.txt> <Quilvarest.abs> [<autres-noms.txt>]\n";
        return 1;
    }
    std::ifstream source(argv[1], std::ios::binary);
    std::ifstream autres;
    if (argc == 4) {
        autres.open(argv[3], std::ios::binary);
    }
    if (!source || (argc == 4 && !autres)) {
        std::cerr << "ConstruireBase: cannot read " << (!source ? argv[1] : argv[3]) << "\n";
        return 1;
    }
    try {
        const std::size_t nombre =
            ConstruireBase(source, argv[1], argv[2], argc == 4 ? &autres : nullptr, argc == 4 ? argv[3] : "");
        std::cout << "ConstruireBase: " << nombre << " rows written to " << argv[2] << "\n";
    } catch (const std::exception& erreur) {
        std::cerr << "ConstruireBase: " << erreur.what() << '\n';
        return 1;
    }
    return 0;
}
