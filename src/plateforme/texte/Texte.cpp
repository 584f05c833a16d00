#include "Texte.h"

#include "Utf8.h"

#include <QChar>

namespace {

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

const unsigned char* Debut(const std::string& texte) {
    return reinterpret_cast<const unsigned char*>(texte.data());
}

} // namespace

std::size_t NombreCaracteres(const std::string& texte) {
    std::size_t nombre = 0;
    const unsigned char* fin = Debut(texte) + texte.size();
    for (const unsigned char* p = Debut(texte); p < fin; DecoderUtf8(p, fin)) {
        ++nombre;
    }
    return nombre;
}

std::string CopierCaracteres(const std::string& texte, std::size_t debut, std::size_t nombre) {
    const unsigned char* p = Debut(texte);
    const unsigned char* fin = p + texte.size();
    for (std::size_t caractere = 1; caractere < debut && p < fin; ++caractere) {
        DecoderUtf8(p, fin);
    }
    const unsigned char* dernier = p;
    for (std::size_t pris = 0; pris < nombre && dernier < fin; ++pris) {
        DecoderUtf8(dernier, fin);
    }
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(dernier - p));
}

std::string AnsiUpperCase(const std::string& texte) {
    // The simple mapping of QChar::toUpper keeps one character for one, where
    // QString::toUpper would apply full case mapping (ß → SS). Bytes that are
    // not valid UTF-8 are copied unchanged rather than lost.
    std::string resultat;
    resultat.reserve(texte.size());
    const unsigned char* fin = Debut(texte) + texte.size();
    for (const unsigned char* p = Debut(texte); p < fin;) {
        const std::uint32_t point = DecoderUtf8(p, fin);
        if (EstOctetInvalide(point)) {
            resultat += static_cast<char>(point - kOctetInvalide);
        } else {
            EncoderPoint(resultat, QChar::toUpper(point));
        }
    }
    return resultat;
}

std::string SansCaracteresInvisibles(const std::string& texte) {
    std::string resultat;
    resultat.reserve(texte.size());
    const unsigned char* fin = Debut(texte) + texte.size();
    for (const unsigned char* p = Debut(texte); p < fin;) {
        const unsigned char* debut = p;
        const std::uint32_t point = DecoderUtf8(p, fin);
        const bool controle = point < 0x20 || (point >= 0x7F && point <= 0x9F);
        if (!controle && !EstOctetInvalide(point)) {
            resultat.append(reinterpret_cast<const char*>(debut), static_cast<std::size_t>(p - debut));
        }
    }
    return resultat;
}

std::string VersUtf8SansPerte(const QString& texte) {
    std::string resultat;
    resultat.reserve(static_cast<std::size_t>(texte.size()));
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t unite = texte[i].unicode();
        if (QChar::isHighSurrogate(unite) && i + 1 < texte.size() && QChar::isLowSurrogate(texte[i + 1].unicode())) {
            EncoderPoint(resultat, QChar::surrogateToUcs4(unite, texte[i + 1].unicode()));
            ++i;
        } else {
            // A lone surrogate goes through the three-byte form as any other
            // unit of the basic plane.
            EncoderPoint(resultat, unite);
        }
    }
    return resultat;
}

QString VersTexteWidget(const std::string& texte) {
    return QString::fromUtf8(texte.data(), static_cast<qsizetype>(texte.size()));
}

std::string DepuisTexteWidget(const QString& texte) {
    return texte.toStdString();
}
