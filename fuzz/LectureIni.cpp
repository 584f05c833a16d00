#include "LectureIni.h"

#include "Utf8Reference.h"

#include <QList>
#include <QStringDecoder>
#include <algorithm>
#include <iterator>

namespace {

// The characters of the Windows-1252 bytes 80 to 9F; the five undefined bytes
// read as the C1 control of the same number.
constexpr char16_t kCp1252Haut[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// UTF-8 to text, a leading U+FEFF kept: QString::fromUtf8 drops it, while a
// name or a value is written verbatim and must read back whole. Stateless, so
// that a sequence cut short at the end still gives U+FFFD.
QString DepuisUtf8(const std::string& texte) {
    QStringDecoder decodeur(QStringDecoder::Utf8,
                            QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return decodeur(QByteArrayView(texte.data(), static_cast<qsizetype>(texte.size())));
}

bool EnCp1252(char32_t point) {
    return point < 0x80 || (point >= 0xA0 && point <= 0xFF) ||
           std::find(std::begin(kCp1252Haut), std::end(kCp1252Haut), point) != std::end(kCp1252Haut);
}

// Space, tab, vertical tab, form feed and Ctrl-Z.
bool EstBlanc(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\v' || u == u'\f' || u == 0x1A;
}

// texte up to its first NUL.
QString AvantNul(const QString& texte) {
    const qsizetype nul = texte.indexOf(QChar(0));
    return nul < 0 ? texte : texte.left(nul);
}

QString Rogne(const QString& texte) {
    qsizetype debut = 0;
    qsizetype fin = texte.size();
    while (debut < fin && EstBlanc(texte[debut])) {
        ++debut;
    }
    while (fin > debut && EstBlanc(texte[fin - 1])) {
        --fin;
    }
    return texte.mid(debut, fin - debut);
}

// The lines of a text, trimmed, without their line ends.
std::vector<QString> Lignes(const QString& texte) {
    std::vector<QString> lignes;
    qsizetype debut = 0;
    while (debut < texte.size()) {
        qsizetype fin = debut;
        while (fin < texte.size() && !EstCrOuLf(texte[fin].unicode())) {
            ++fin;
        }
        lignes.push_back(Rogne(texte.mid(debut, fin - debut)));
        const bool crlf =
            fin + 1 < texte.size() && texte[fin] == QLatin1Char('\r') && texte[fin + 1] == QLatin1Char('\n');
        debut = fin + (crlf ? 2 : 1);
    }
    return lignes;
}

// A "[section]" line: '[' first and a ']' further on.
bool EstEnTete(const QString& ligne) {
    return ligne[0] == QLatin1Char('[') && ligne.lastIndexOf(QLatin1Char(']')) > 0;
}

// The name of a "[section]" line: up to the last ']', trimmed.
QString NomDeSection(const QString& ligne) {
    return Rogne(ligne.mid(1, ligne.lastIndexOf(QLatin1Char(']')) - 1));
}

// The key of any other line: up to the first '=', or the whole line, trimmed.
QString NomDeCle(const QString& ligne) {
    return Rogne(ligne.left(ligne.indexOf(QLatin1Char('='))));
}

bool EstIgnoree(const QString& ligne) {
    return ligne.isEmpty() || ligne[0] == QLatin1Char(';');
}

} // namespace

Forme Analyser(const std::string& octets) {
    Forme forme;
    if (octets.compare(0, 2, "\xFF\xFE") == 0) {
        forme.encodage = EncodageIni::Utf16LE;
        forme.entete = 2;
        forme.largeur = 2;
        forme.queue = (octets.size() - 2) % 2;
    } else if (octets.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        forme.entete = 3;
    } else if (!EstUtf8(octets)) {
        forme.encodage = EncodageIni::Windows1252;
    }
    return forme;
}

std::vector<char16_t> Unites(const std::string& octets, const Forme& forme) {
    std::vector<char16_t> unites;
    const std::size_t fin = octets.size() - forme.queue;
    for (std::size_t i = forme.entete; i < fin; i += forme.largeur) {
        auto unite = static_cast<char16_t>(static_cast<unsigned char>(octets[i]));
        if (forme.largeur == 2) {
            unite = static_cast<char16_t>(unite | (static_cast<unsigned char>(octets[i + 1]) << 8));
        }
        unites.push_back(unite);
    }
    return unites;
}

QString Decoder(const std::string& octets, const Forme& forme) {
    if (forme.encodage == EncodageIni::Utf8) {
        return DepuisUtf8(octets.substr(forme.entete));
    }
    QString texte;
    for (const char16_t unite : Unites(octets, forme)) {
        const bool haut = forme.encodage == EncodageIni::Windows1252 && unite >= 0x80 && unite < 0xA0;
        texte += QChar(haut ? kCp1252Haut[unite - 0x80] : unite);
    }
    return texte;
}

QString Vue(const QString& texte, EncodageIni encodage) {
    if (encodage != EncodageIni::Windows1252) {
        return texte;
    }
    QString vue;
    for (const char32_t point : texte.toUcs4()) {
        vue += EnCp1252(point) ? QString::fromUcs4(&point, 1) : QStringLiteral("?");
    }
    return vue;
}

std::string EnWindows1252(const std::string& utf8) {
    std::string octets;
    for (const char32_t point : DepuisUtf8(utf8).toUcs4()) {
        const auto* haut = std::find(std::begin(kCp1252Haut), std::end(kCp1252Haut), point);
        if (haut != std::end(kCp1252Haut)) {
            octets += static_cast<char>(0x80 + (haut - std::begin(kCp1252Haut)));
        } else {
            octets += EnCp1252(point) ? static_cast<char>(point) : '?';
        }
    }
    return octets;
}

bool EstCrOuLf(char16_t c) {
    return c == u'\r' || c == u'\n';
}

QString SansFinDeLigne(const std::string& texte) {
    QString resultat = DepuisUtf8(texte);
    return resultat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString Nom(const std::string& nom) {
    return Rogne(AvantNul(SansFinDeLigne(nom)));
}

bool MemeNom(const QString& a, const QString& b) {
    return QString::compare(AvantNul(a), AvantNul(b), Qt::CaseInsensitive) == 0;
}

std::string Relu(const QString& valeur) {
    QString texte = AvantNul(Rogne(valeur));
    if (texte.size() >= 2 && (texte[0] == QLatin1Char('"') || texte[0] == QLatin1Char('\'')) &&
        texte.back() == texte[0]) {
        texte = texte.mid(1, texte.size() - 2);
    }
    // A lone surrogate reads as its own three bytes, not as '?'.
    std::string octets;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t unite = texte[i].unicode();
        const bool paire = QChar::isHighSurrogate(unite) && i + 1 < texte.size() && texte[i + 1].isLowSurrogate();
        if (paire) {
            octets += texte.mid(i, 2).toStdString();
            ++i;
        } else if (QChar::isSurrogate(unite)) {
            octets += static_cast<char>(0xE0 | (unite >> 12));
            octets += static_cast<char>(0x80 | ((unite >> 6) & 0x3F));
            octets += static_cast<char>(0x80 | (unite & 0x3F));
        } else {
            octets += QString(QChar(unite)).toStdString();
        }
    }
    return octets;
}

std::vector<std::pair<QString, QString>> Sondes(const QString& texte) {
    std::vector<std::pair<QString, QString>> sondes;
    QString section;
    bool dansSection = false;
    for (const QString& ligne : Lignes(texte)) {
        if (sondes.size() >= 48 || EstIgnoree(ligne)) {
            continue;
        }
        if (EstEnTete(ligne)) {
            section = NomDeSection(ligne);
            dansSection = true;
            continue;
        }
        // A key outside every section is read with the empty section name:
        // nothing may find it, and the probe says so before and after.
        sondes.emplace_back(dansSection ? section : QString(), NomDeCle(ligne));
    }
    return sondes;
}

SectionLue LireSection(const QString& texte, const QString& nom) {
    SectionLue section;
    for (const QString& ligne : Lignes(texte)) {
        if (EstIgnoree(ligne)) {
            continue;
        }
        if (EstEnTete(ligne)) {
            if (section.trouvee) {
                break;
            }
            section.trouvee = MemeNom(NomDeSection(ligne), nom);
            continue;
        }
        if (section.trouvee) {
            section.cles.push_back(NomDeCle(ligne));
        }
    }
    return section;
}

std::size_t FinsDeLigne(const std::vector<char16_t>& unites, std::size_t debut, std::size_t fin) {
    std::size_t nombre = 0;
    for (std::size_t i = debut; i < fin; ++i) {
        nombre += unites[i] == u'\r' || (unites[i] == u'\n' && (i == debut || unites[i - 1] != u'\r'));
    }
    return nombre;
}

std::size_t FinsDeLigne(const std::vector<char16_t>& unites) {
    return FinsDeLigne(unites, 0, unites.size());
}
