#include "SondesIni.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

bool EstBlanc(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v') || c == QLatin1Char('\f') ||
           c.unicode() == 0x1A;
}

QString Rogne(QString texte) {
    while (!texte.isEmpty() && (EstBlanc(texte.back()) || texte.back() == '\r' || texte.back() == '\n')) {
        texte.chop(1);
    }
    qsizetype debut = 0;
    while (debut < texte.size() && EstBlanc(texte[debut])) {
        ++debut;
    }
    return texte.mid(debut);
}

QString AvantNul(const QString& texte) {
    const qsizetype nul = texte.indexOf(QChar(0));
    return nul < 0 ? texte : texte.left(nul);
}

// What one line names: a section (entete true), a key, or nothing.
struct Nom {
    bool entete = false;
    bool cle = false;
    QString texte;
};

Nom NomDe(const QString& ligne) {
    const QString rognee = Rogne(ligne);
    Nom nom;
    if (rognee.isEmpty() || rognee[0] == QLatin1Char(';')) {
        return nom;
    }
    const qsizetype crochet = rognee.lastIndexOf(QLatin1Char(']'));
    if (rognee[0] == QLatin1Char('[') && crochet > 0) {
        nom.entete = true;
        nom.texte = Rogne(AvantNul(rognee.mid(1, crochet - 1)));
        return nom;
    }
    nom.cle = true;
    nom.texte = Rogne(AvantNul(rognee.left(rognee.indexOf(QLatin1Char('=')))));
    return nom;
}

bool Meme(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

bool Utf8Valide(const QByteArray& octets) {
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texte = decodeur(octets);
    return !decodeur.hasError();
}

QByteArray EncoderFin(const char* fin, bool utf16) {
    QByteArray octets;
    for (const char* p = fin; *p != '\0'; ++p) {
        octets += *p;
        if (utf16) {
            octets += '\0';
        }
    }
    return octets;
}

// The file's lines as raw bytes, each with its line end: 16-bit units after
// FF FE, bytes otherwise; a byte order mark is not part of the first line.
QList<QByteArray> LignesBrutes(const QByteArray& contenu) {
    const bool utf16 = contenu.startsWith("\xFF\xFE");
    const qsizetype largeur = utf16 ? 2 : 1;
    const qsizetype marque = utf16 ? 2 : contenu.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const auto unite = [&](qsizetype i) {
        return utf16 ? (i + 1 < contenu.size() ? uchar(contenu[i]) | uchar(contenu[i + 1]) << 8 : 0xFFFF)
                     : uchar(contenu[i]);
    };
    QList<QByteArray> lignes;
    qsizetype debut = marque;
    for (qsizetype i = marque; i < contenu.size(); i += largeur) {
        const bool crlf = unite(i) == '\r' && i + largeur < contenu.size() && unite(i + largeur) == '\n';
        if (unite(i) == '\n' || (unite(i) == '\r' && !crlf)) {
            lignes << contenu.mid(debut, i + largeur - debut);
            debut = i + largeur;
        }
    }
    if (debut < contenu.size()) {
        lignes << contenu.mid(debut);
    }
    return lignes;
}

// One line as text, enough to read the names it holds.
QString TexteDe(const QByteArray& ligne, bool utf16) {
    if (utf16) {
        QString texte;
        for (qsizetype i = 0; i + 1 < ligne.size(); i += 2) {
            texte += QChar(static_cast<char16_t>(uchar(ligne[i]) | uchar(ligne[i + 1]) << 8));
        }
        return texte;
    }
    return Utf8Valide(ligne) ? QString::fromUtf8(ligne) : QString::fromLatin1(ligne);
}

} // namespace

bool LuEnAnsi(const QByteArray& contenu) {
    const bool ascii = std::all_of(contenu.begin(), contenu.end(), [](char c) { return (c & 0x80) == 0; });
    return !contenu.startsWith("\xEF\xBB\xBF") && !contenu.startsWith("\xFF\xFE") && !ascii && Utf8Valide(contenu);
}

QStringList LignesDe(const QByteArray& contenu) {
    QStringList lignes;
    for (const QByteArray& ligne : LignesBrutes(contenu)) {
        lignes << TexteDe(ligne, contenu.startsWith("\xFF\xFE"));
    }
    return lignes;
}

std::vector<std::pair<QString, QString>> SondesDe(const QByteArray& contenu, std::size_t plafond) {
    std::vector<std::pair<QString, QString>> sondes;
    QString section;
    for (const QString& ligne : LignesDe(contenu)) {
        const Nom nom = NomDe(ligne);
        if (nom.entete) {
            section = nom.texte;
        } else if (nom.cle && !section.isEmpty() && !nom.texte.isEmpty() && sondes.size() < plafond &&
                   std::find(sondes.begin(), sondes.end(), std::make_pair(section, nom.texte)) == sondes.end()) {
            sondes.emplace_back(section, nom.texte);
        }
    }
    return sondes;
}

QString LignesHorsEcriture(const QByteArray& avant, const QByteArray& apres, const QString& section,
                           const QStringList& cles) {
    const bool utf16 = avant.startsWith("\xFF\xFE");
    const QList<QByteArray> a = LignesBrutes(avant);
    const QList<QByteArray> b = LignesBrutes(apres);
    const QList<QByteArray> fins = {EncoderFin("\r\n", utf16), EncoderFin("\n", utf16), EncoderFin("\r", utf16)};
    // Longest common run of byte-identical lines; the last line of avant
    // also matches itself followed by a line end.
    const auto egales = [&](qsizetype i, qsizetype j) {
        return a[i] == b[j] || (i == a.size() - 1 && b[j].startsWith(a[i]) && fins.contains(b[j].mid(a[i].size())));
    };
    std::vector<std::vector<int>> longueur(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (qsizetype i = a.size() - 1; i >= 0; --i) {
        for (qsizetype j = b.size() - 1; j >= 0; --j) {
            longueur[i][j] =
                egales(i, j) ? longueur[i + 1][j + 1] + 1 : std::max(longueur[i + 1][j], longueur[i][j + 1]);
        }
    }
    const auto ecrite = [&](const QByteArray& ligne, bool enteteAdmis) {
        const Nom nom = NomDe(TexteDe(ligne, utf16));
        return (nom.cle &&
                std::any_of(cles.begin(), cles.end(), [&](const QString& c) { return Meme(c, nom.texte); })) ||
               (enteteAdmis && nom.entete && Meme(nom.texte, section));
    };
    QString ecarts;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && egales(i, j)) {
            ++i;
            ++j;
        } else if (j < b.size() && (i == a.size() || longueur[i][j + 1] >= longueur[i + 1][j])) {
            if (!ecrite(b[j], true)) {
                ecarts += QStringLiteral("ligne ajoutée %1\n").arg(QString::fromLatin1(b[j].toHex(' ')));
            }
            ++j;
        } else {
            if (!ecrite(a[i], false)) {
                ecarts += QStringLiteral("ligne retirée %1\n").arg(QString::fromLatin1(a[i].toHex(' ')));
            }
            ++i;
        }
    }
    return ecarts;
}
