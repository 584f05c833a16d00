#include "UriBase.h"

std::string UriBaseImmuable(const std::string& chemin) {
    static const char kHexa[] = "0123456789ABCDEF";
    const std::string cheminUri = CheminUri(chemin);
    std::string encode;
    encode.reserve(cheminUri.size());
    for (const char caractere : cheminUri) {
        const auto octet = static_cast<unsigned char>(caractere);
        if (octet == '%' || octet == '?' || octet == '#' || octet < 0x20 || octet >= 0x7F) {
            encode += '%';
            encode += kHexa[octet >> 4];
            encode += kHexa[octet & 0x0F];
        } else {
            encode += caractere;
        }
    }
    // An absolute path takes an empty authority, so that a path starting
    // with "//" is never read as a host name.
    return (!encode.empty() && encode[0] == '/' ? "file://" : "file:") + encode + "?immutable=1";
}
