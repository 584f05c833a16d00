#include "UriBase.h"

std::string CheminUri(const std::string& chemin) {
    return chemin;
}
