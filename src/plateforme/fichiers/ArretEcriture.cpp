#include "ArretEcriture.h"

#include <algorithm>

namespace {

std::optional<std::size_t> reste;

} // namespace

void ArreterEcritureApres(std::optional<std::size_t> octets) {
    reste = octets;
}

std::size_t OctetsPermis(std::size_t demande) {
    if (!reste) {
        return demande;
    }
    if (*reste == 0 && demande > 0) {
        throw EcritureArretee{};
    }
    return std::min(demande, *reste);
}

void CompterOctetsEcrits(std::size_t ecrits) {
    if (reste) {
        *reste -= std::min(*reste, ecrits);
    }
}
