#include "Utf8.h"

std::uint32_t DecoderUtf8(const unsigned char*& p, const unsigned char* fin) {
    const std::uint32_t octet = *p;
    if (octet < 0x80) {
        ++p;
        return octet;
    }
    int suite = 0;
    std::uint32_t point = 0;
    std::uint32_t minSecond = 0x80;
    std::uint32_t maxSecond = 0xBF;
    if (octet >= 0xC2 && octet <= 0xDF) {
        suite = 1;
        point = octet & 0x1F;
    } else if (octet >= 0xE0 && octet <= 0xEF) {
        suite = 2;
        point = octet & 0x0F;
        // Overlong forms below U+0800 and the surrogates.
        minSecond = octet == 0xE0 ? 0xA0 : 0x80;
        maxSecond = octet == 0xED ? 0x9F : 0xBF;
    } else if (octet >= 0xF0 && octet <= 0xF4) {
        suite = 3;
        point = octet & 0x07;
        // Overlong forms below U+10000 and code points past U+10FFFF.
        minSecond = octet == 0xF0 ? 0x90 : 0x80;
        maxSecond = octet == 0xF4 ? 0x8F : 0xBF;
    }
    if (suite == 0 || fin - p <= suite || p[1] < minSecond || p[1] > maxSecond) {
        ++p;
        return kOctetInvalide + octet;
    }
    for (int k = 1; k <= suite; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
            ++p;
            return kOctetInvalide + octet;
        }
        point = (point << 6) | (p[k] & 0x3F);
    }
    p += suite + 1;
    return point;
}

std::string RemplacerOctetsInvalides(const std::string& texte, const std::string& remplacement) {
    std::string resultat;
    resultat.reserve(texte.size());
    const auto* p = reinterpret_cast<const unsigned char*>(texte.data());
    const unsigned char* fin = p + texte.size();
    while (p < fin) {
        const unsigned char* debut = p;
        if (EstOctetInvalide(DecoderUtf8(p, fin))) {
            resultat += remplacement;
        } else {
            resultat.append(reinterpret_cast<const char*>(debut), static_cast<std::size_t>(p - debut));
        }
    }
    return resultat;
}

void EncoderUtf8(std::string& sortie, char32_t point) {
    if (point < 0x80) {
        sortie += static_cast<char>(point);
    } else if (point < 0x800) {
        sortie += static_cast<char>(0xC0 | (point >> 6));
        sortie += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        sortie += static_cast<char>(0xE0 | (point >> 12));
        sortie += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        sortie += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        sortie += static_cast<char>(0xF0 | (point >> 18));
        sortie += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        sortie += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        sortie += static_cast<char>(0x80 | (point & 0x3F));
    }
}
