// ConstruireBase <source.txt> <base.abs>
//
// Writes the postal code store from its source text (see ConstructionBase.h
// for both formats). Exits with 0 once the store is in place, 1 with the
// reason on the error output otherwise, any previous store left untouched.

#include "ConstructionBase.h"

#include <exception>
#include <fstream>
#include <iostream>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: ConstruireBase <codes-postaux.txt> <Quilvarest.abs>\n";
        return 1;
    }
    std::ifstream source(argv[1], std::ios::binary);
    if (!source) {
        std::cerr << "ConstruireBase: cannot read " << argv[1] << "\n";
        return 1;
    }
    try {
        const std::size_t nombre = ConstruireBase(source, argv[1], argv[2]);
        std::cout << "ConstruireBase: " << nombre << " rows written to " << argv[2] << "\n";
    } catch (const std::exception& erreur) {
        std::cerr << "ConstruireBase: " << erreur.what() << '\n';
        return 1;
    }
    return 0;
}
