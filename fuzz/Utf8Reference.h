#pragma once

#include <cstddef>
#include <string>

// A UTF-8 reader written apart from the project's own, so that the targets
// judge the project's decoding against the Unicode definition (table 3-7)
// rather than against itself.

// Decodes the well-formed sequence at texte[i] into point and moves i past
// it. For a byte that starts none (cut short, overlong, a surrogate, beyond
// U+10FFFF, a stray continuation byte) returns false and moves i one byte on.
inline bool LireUtf8(const std::string& texte, std::size_t& i, char32_t& point) {
    const auto octet = [&texte](std::size_t k) { return static_cast<unsigned char>(texte[k]); };
    const unsigned char premier = octet(i);
    if (premier < 0x80) {
        point = premier;
        ++i;
        return true;
    }
    std::size_t longueur = 0;
    char32_t minimum = 0;
    if (premier >= 0xC0 && premier < 0xE0) {
        longueur = 2;
        point = premier & 0x1F;
        minimum = 0x80;
    } else if (premier >= 0xE0 && premier < 0xF0) {
        longueur = 3;
        point = premier & 0x0F;
        minimum = 0x800;
    } else if (premier >= 0xF0 && premier < 0xF8) {
        longueur = 4;
        point = premier & 0x07;
        minimum = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + longueur > texte.size()) {
        ++i;
        return false;
    }
    for (std::size_t k = 1; k < longueur; ++k) {
        if ((octet(i + k) & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        point = (point << 6) | (octet(i + k) & 0x3F);
    }
    if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += longueur;
    return true;
}

// True when every byte of texte[debut..] belongs to a well-formed sequence.
inline bool EstUtf8(const std::string& texte, std::size_t debut = 0) {
    char32_t point = 0;
    for (std::size_t i = debut; i < texte.size();) {
        if (!LireUtf8(texte, i, point)) {
            return false;
        }
    }
    return true;
}
