#include "GenerateurIni.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

QString Choisir(QRandomGenerator& gen, const QStringList& liste) {
    return liste[gen.bounded(static_cast<int>(liste.size()))];
}

// The blanks the functions trim, and the no-break space, which they keep.
QString Blancs(QRandomGenerator& gen, FamilleIni famille) {
    QStringList blancs = {"", "", "", " ", "\t", "  ", "\v", "\f", QStringLiteral("\x1A"), " \x1A\v"};
    if (famille != FamilleIni::Ascii) {
        blancs << QStringLiteral("\u00A0");
    }
    return Choisir(gen, blancs);
}

// Names with accents in one spelling only: Wine folds the case of ASCII
// letters alone, where Windows documents names as case-independent and the
// editor folds every letter (left out). ASCII files hold ASCII only.
QStringList Sections(FamilleIni famille) {
    QStringList sections = {"Quilvarest", "QUILVAREST", "quilvarest", "Autre", "Quil]varest", "a]b", "x"};
    if (famille != FamilleIni::Ascii) {
        sections << QStringLiteral("Sectión");
    }
    return sections;
}

QStringList Cles(FamilleIni famille) {
    QStringList cles = {"Cp", "CP", "cp", "Ville", "Erreur", "[Cp", "ZeruzuvoCp", "a b"};
    if (famille != FamilleIni::Ascii) {
        cles << QStringLiteral("clé");
    }
    return cles;
}

// A value the file may hold: quotes, '=', ';', brackets, accents, a NUL.
QString Valeur(QRandomGenerator& gen, FamilleIni famille) {
    const QString jeu = famille == FamilleIni::Ascii ? QStringLiteral("abcXYZ019-=;[] \"'")
                                                     : QStringLiteral("abcXYZ019-=;[] \"'éçÀÿÉ€œŒ");
    // Never two letters with accents side by side: their Windows-1252 bytes
    // may form UTF-8, the trap FichierIni.h documents, after which a second
    // WriteString call writes UTF-8 (left out: no rule can avoid it).
    QString valeur;
    for (int i = gen.bounded(8); i > 0; --i) {
        const QChar c = jeu[gen.bounded(static_cast<int>(jeu.size()))];
        if (c.unicode() < 0x80 || valeur.isEmpty() || valeur.back().unicode() < 0x80) {
            valeur += c;
        }
    }
    if (gen.bounded(6) == 0) {
        const QChar guillemet = gen.bounded(2) == 0 ? QLatin1Char('"') : QLatin1Char('\'');
        valeur = guillemet + valeur + guillemet;
    }
    if (gen.bounded(10) == 0) {
        valeur.insert(gen.bounded(static_cast<int>(valeur.size()) + 1), QChar(0));
    }
    return valeur;
}

// Bytes (or UTF-16 units) at random that keep the family what it is. No
// surrogate in UTF-16: the narrow strings the editor returns cannot hold a
// lone one (left out).
QByteArray Bruit(QRandomGenerator& gen, FamilleIni famille) {
    QByteArray octets;
    for (int n = gen.bounded(1, 6); n > 0; --n) {
        if (famille == FamilleIni::Utf16) {
            const auto unite = static_cast<char16_t>(gen.bounded(0xD800));
            octets += EncoderIni(QString(QChar(unite)), famille);
        } else {
            const bool ascii = famille == FamilleIni::Ascii || famille == FamilleIni::Utf8;
            octets += static_cast<char>(gen.bounded(ascii ? 0x80 : 0x100));
        }
    }
    return octets;
}

QString Ligne(QRandomGenerator& gen, FamilleIni famille) {
    const auto blancs = [&] { return Blancs(gen, famille); };
    switch (gen.bounded(10)) {
    case 0:
    case 1:
        return blancs() + "[" + blancs() + Choisir(gen, Sections(famille)) + blancs() + "]" +
               Choisir(gen, {"", "", " ; x", "]", "x]", " texte"});
    case 2: // no ']': not a header
        return blancs() + "[" + Choisir(gen, Sections(famille)) + Choisir(gen, {"", "=1"});
    case 3: // a key without '='
        return blancs() + Choisir(gen, Cles(famille)) + blancs();
    case 4:
        return blancs() + Choisir(gen, {";", "; Cp=commentaire", ";[Quilvarest]"});
    case 5:
        return blancs();
    default:
        return blancs() + Choisir(gen, Cles(famille)) + blancs() + "=" + blancs() + Valeur(gen, famille) + blancs();
    }
}

// A literal's bytes, NULs included.
template <std::size_t N> QByteArray Octets(const char (&texte)[N]) {
    return QByteArray(texte, N - 1);
}

QByteArray Lire(const QString& chemin) {
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

} // namespace

QByteArray EncoderIni(const QString& texte, FamilleIni famille) {
    switch (famille) {
    case FamilleIni::Utf16: {
        QByteArray octets;
        for (const QChar c : texte) {
            octets += static_cast<char>(c.unicode() & 0xFF);
            octets += static_cast<char>(c.unicode() >> 8);
        }
        return octets;
    }
    case FamilleIni::Windows1252: {
        // The test's own table of the letters it uses above 0x7F.
        static const QString haut = QStringLiteral("€œŒ");
        static const char octetsHaut[] = {'\x80', '\x9C', '\x8C'};
        QByteArray octets;
        for (const QChar c : texte) {
            const qsizetype i = haut.indexOf(c);
            octets += i >= 0 ? octetsHaut[i] : c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
        }
        return octets;
    }
    default:
        return texte.toUtf8();
    }
}

CasIni CasAleatoire(QRandomGenerator& gen, int numero) {
    const auto famille = static_cast<FamilleIni>(gen.bounded(5));
    CasIni cas;
    cas.nom = QStringLiteral("aleatoire-%1").arg(numero, 4, 10, QLatin1Char('0'));
    cas.contenu = famille == FamilleIni::Utf8Bom ? "\xEF\xBB\xBF" : famille == FamilleIni::Utf16 ? "\xFF\xFE" : "";
    for (int i = gen.bounded(14); i > 0; --i) {
        cas.contenu += gen.bounded(12) == 0 ? Bruit(gen, famille) : EncoderIni(Ligne(gen, famille), famille);
        if (i > 1 || gen.bounded(2) == 0) {
            cas.contenu += EncoderIni(Choisir(gen, {"\r\n", "\r\n", "\n", "\r"}), famille);
        }
    }
    // The writes: names the file may hold, values with accents in every
    // family (an ASCII file takes the session's set), and a character that
    // Windows-1252 lacks. No NUL, CR or LF: the functions take C strings, and
    // the editor writes CR and LF as blanks where Windows would break lines.
    const QString section = Choisir(gen, Sections(famille == FamilleIni::Ascii ? FamilleIni::Ascii : FamilleIni::Utf8));
    for (int i = gen.bounded(1, 4); i > 0; --i) {
        QString valeur = Valeur(gen, FamilleIni::Windows1252).remove(QChar(0));
        if (gen.bounded(8) == 0) {
            valeur += QStringLiteral("中");
        }
        cas.ecritures.push_back({section, Choisir(gen, Cles(FamilleIni::Utf8)).remove(QLatin1Char('[')), valeur});
    }
    cas.ensemble = gen.bounded(2) == 0;
    return cas;
}

std::vector<CasIni> CasNommes(const QString& dossierFixtures) {
    const std::vector<EcritureIni> choix = {
        {"Quilvarest", "Cp", "42000"}, {"Quilvarest", "Ville", "SAINT-ÉTIENNE"}, {"Quilvarest", "Erreur", "0"}};
    const std::vector<EcritureIni> abandon = {{"Quilvarest", "Erreur", "1"}};
    std::vector<CasIni> cas = {
        {"modèle sans =", "[Quilvarest]\r\nCp\r\nVille\r\nErreur\r\nCp=1\r\n", choix, true},
        {"crochets", "[Quilvarest]x]\r\nCp=1\r\n[Quilvarest]\r\n[note\r\nVille=a\r\n", choix, false},
        {"nuls", Octets("[Quilvarest]\r\nVille=a\0b\r\nC\0p=\"x\"\0y\r\n"), choix, true},
        {"blancs", "[Quilvarest]\r\n\v\fCp\x1A =\x1A 1\v\r\n\x1A\r\n", choix, true},
        {"ascii", "[Quilvarest]\r\nZeruzuvoCp=42\r\n", choix, true},
        {"vide", "", abandon, true},
    };
    const QDir fixtures(dossierFixtures);
    for (const QString& nom : fixtures.entryList({"*.ini"}, QDir::Files, QDir::Name)) {
        const QByteArray contenu = Lire(fixtures.filePath(nom));
        // Left out: a UTF-16 file of odd length. Its lone last byte is half a
        // unit, which Wine reads as a character of the last line and the
        // editor keeps as a byte behind the lines it adds. Windows writes
        // whole units: no caller's file ends so.
        const bool utf16Impair = contenu.startsWith("\xFF\xFE") && contenu.size() % 2 == 1;
        if (!nom.endsWith(QStringLiteral(".attendu.ini")) && !utf16Impair) {
            cas.push_back({nom + " (choix)", contenu, choix, true});
            cas.push_back({nom + " (abandon)", contenu, abandon, true});
        }
    }
    return cas;
}
