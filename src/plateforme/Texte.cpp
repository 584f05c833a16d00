#include "Texte.h"

#include <QChar>

namespace {

// Length of the UTF-8 sequence that starts at texte[i], or 1 for a byte that
// does not start a well-formed sequence (counted as a character of its own).
std::size_t LongueurSequence(const std::string& texte, std::size_t i) {
    const auto octet = static_cast<unsigned char>(texte[i]);
    std::size_t longueur = 1;
    if (octet >= 0xC2 && octet <= 0xDF) {
        longueur = 2;
    } else if (octet >= 0xE0 && octet <= 0xEF) {
        longueur = 3;
    } else if (octet >= 0xF0 && octet <= 0xF4) {
        longueur = 4;
    }
    if (i + longueur > texte.size()) {
        return 1;
    }
    for (std::size_t k = 1; k < longueur; ++k) {
        if ((static_cast<unsigned char>(texte[i + k]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8.
    const auto second = static_cast<unsigned char>(texte[i + 1 < texte.size() ? i + 1 : i]);
    if ((octet == 0xE0 && second < 0xA0) || (octet == 0xED && second > 0x9F) || (octet == 0xF0 && second < 0x90) ||
        (octet == 0xF4 && second > 0x8F)) {
        return 1;
    }
    return longueur;
}

// The code point of the well-formed sequence of longueur bytes at texte[i].
char32_t DecoderPoint(const std::string& texte, std::size_t i, std::size_t longueur) {
    static constexpr unsigned char Masques[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t point = static_cast<unsigned char>(texte[i]) & Masques[longueur];
    for (std::size_t k = 1; k < longueur; ++k) {
        point = (point << 6) | (static_cast<unsigned char>(texte[i + k]) & 0x3F);
    }
    return point;
}

void EncoderPoint(std::string& sortie, char32_t point) {
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

} // namespace

std::size_t NombreCaracteres(const std::string& texte) {
    std::size_t nombre = 0;
    for (std::size_t i = 0; i < texte.size(); i += LongueurSequence(texte, i)) {
        ++nombre;
    }
    return nombre;
}

std::string CopierCaracteres(const std::string& texte, std::size_t debut, std::size_t nombre) {
    if (debut == 0) {
        debut = 1;
    }
    std::size_t i = 0;
    for (std::size_t caractere = 1; caractere < debut && i < texte.size(); ++caractere) {
        i += LongueurSequence(texte, i);
    }
    std::size_t fin = i;
    for (std::size_t pris = 0; pris < nombre && fin < texte.size(); ++pris) {
        fin += LongueurSequence(texte, fin);
    }
    return texte.substr(i, fin - i);
}

std::string AnsiUpperCase(const std::string& texte) {
    // The simple mapping of QChar::toUpper keeps one character for one, where
    // QString::toUpper would apply full case mapping (ß → SS). Bytes that are
    // not valid UTF-8 are copied unchanged rather than lost.
    std::string resultat;
    resultat.reserve(texte.size());
    for (std::size_t i = 0; i < texte.size();) {
        const std::size_t longueur = LongueurSequence(texte, i);
        const auto octet = static_cast<unsigned char>(texte[i]);
        if (longueur == 1) {
            resultat += (octet >= 'a' && octet <= 'z') ? static_cast<char>(octet - 'a' + 'A') : texte[i];
        } else {
            EncoderPoint(resultat, QChar::toUpper(DecoderPoint(texte, i, longueur)));
        }
        i += longueur;
    }
    return resultat;
}

QString VersTexteWidget(const std::string& texte) {
    return QString::fromUtf8(texte.data(), static_cast<qsizetype>(texte.size()));
}

std::string DepuisTexteWidget(const QString& texte) {
    return texte.toStdString();
}
