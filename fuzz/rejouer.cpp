// rejouer <folder or file>...
//
// Runs a fuzz target without libFuzzer: every regular file named, or found
// directly in a folder named, goes once through LLVMFuzzerTestOneInput, in
// name order. A failed check aborts, as under libFuzzer. Finding no input at
// all is a failure too: an empty replay would pass while checking nothing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage : %s <dossier ou fichier>...\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> entrees;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path chemin(argv[i]);
        if (std::filesystem::is_directory(chemin)) {
            for (const auto& entree : std::filesystem::directory_iterator(chemin)) {
                if (entree.is_regular_file()) {
                    entrees.push_back(entree.path());
                }
            }
        } else if (std::filesystem::is_regular_file(chemin)) {
            entrees.push_back(chemin);
        } else {
            std::fprintf(stderr, "%s : introuvable\n", argv[i]);
            return 2;
        }
    }
    if (entrees.empty()) {
        std::fprintf(stderr, "Aucune entrée à rejouer.\n");
        return 2;
    }
    std::sort(entrees.begin(), entrees.end());

    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    for (const auto& chemin : entrees) {
        std::ifstream flux(chemin, std::ios::binary);
        if (!flux) {
            std::fprintf(stderr, "%s : illisible\n", chemin.c_str());
            return 2;
        }
        const std::vector<char> lus{std::istreambuf_iterator<char>(flux), std::istreambuf_iterator<char>()};
        // A block of exactly the input's size, as libFuzzer gives it, so that
        // AddressSanitizer sees a read past its end; new[0] has an address too.
        const std::size_t taille = lus.size();
        const std::unique_ptr<std::uint8_t[]> octets(new std::uint8_t[taille]);
        std::copy(lus.begin(), lus.end(), octets.get());
        // Named before the run, so that an abort shows which input it was.
        std::fprintf(stderr, "%s\n", chemin.c_str());
        LLVMFuzzerTestOneInput(octets.get(), taille);
    }
    std::printf("%zu entrées rejouées sans défaut.\n", entrees.size());
    return 0;
}
