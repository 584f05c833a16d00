#include "TemporaireVoisin.h"

#include <random>

namespace {

const std::string kMarque = ".quilvarest-";
const std::string kSymboles = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kLongueurTirage = 6;
constexpr std::size_t kLongueurNom = 200;

std::string Prefixe(const std::string& nom) {
    return "." + nom.substr(0, kLongueurNom) + kMarque;
}

} // namespace

std::string NomTemporaireVoisin(const std::string& nom) {
    static std::mt19937 tirage{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> symbole(0, kSymboles.size() - 1);
    std::string resultat = Prefixe(nom);
    for (std::size_t i = 0; i < kLongueurTirage; ++i) {
        resultat += kSymboles[symbole(tirage)];
    }
    return resultat;
}

bool EstTemporaireVoisin(const std::string& nom, const std::string& candidat) {
    const std::string prefixe = Prefixe(nom);
    if (candidat.size() != prefixe.size() + kLongueurTirage || candidat.compare(0, prefixe.size(), prefixe) != 0) {
        return false;
    }
    return candidat.find_first_not_of(kSymboles, prefixe.size()) == std::string::npos;
}
