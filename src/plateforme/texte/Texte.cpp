#include "Texte.h"

#include "Utf8.h"

#include <QChar>

namespace {

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
            EncoderUtf8(resultat, QChar::toUpper(point));
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

QString VersTexteWidget(const std::string& texte) {
    return QString::fromUtf8(texte.data(), static_cast<qsizetype>(texte.size()));
}

std::string DepuisTexteWidget(const QString& texte) {
    return texte.toStdString();
}
