#include "FichierIni.h"
#include "FichiersDeTest.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// Thousands of random files, each written one to three times: every write
// changes only the lines it writes and reads back what it wrote.

namespace {

QStringList Entrees(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

std::string Narrow(const QString& texte) {
    return texte.toStdString();
}

} // namespace

class TestFichierIniAleatoire : public QObject {
    Q_OBJECT

private slots:
    void proprieteAleatoire();
};

namespace {

QString Choisir(QRandomGenerator& gen, const QStringList& liste) {
    return liste[gen.bounded(static_cast<int>(liste.size()))];
}

QString Blancs(QRandomGenerator& gen) {
    return Choisir(gen, {"", "", " ", "\t", "  \t"});
}

// A value that reads back as written in every encoding used below: no blank
// at either end, no quote, only characters Windows-1252 holds, and never two
// non-ASCII characters side by side (their Windows-1252 bytes could be UTF-8).
QString ValeurAleatoire(QRandomGenerator& gen) {
    static const QString jeu = QStringLiteral("abcXYZ019-=;[] éçÀÿÉ");
    QString valeur;
    for (int i = gen.bounded(9); i > 0; --i) {
        const QChar caractere = jeu[gen.bounded(static_cast<int>(jeu.size()))];
        if (caractere.unicode() < 0x80 || valeur.isEmpty() || valeur.back().unicode() < 0x80) {
            valeur += caractere;
        }
    }
    return valeur.trimmed();
}

QByteArray EnUtf16LE(const QString& texte) {
    QByteArray octets;
    for (const QChar caractere : texte) {
        octets += static_cast<char>(caractere.unicode() & 0xFF);
        octets += static_cast<char>(caractere.unicode() >> 8);
    }
    return octets;
}

// A random file: sections, keys, comments and blank lines with random
// spacing and line ends, and lines of random bytes, in one of four encodings.
QByteArray FichierAleatoire(QRandomGenerator& gen) {
    static const QStringList sections = {"Quilvarest", "QUILVAREST", "Autre", "Sectión", "SECTIÓN", ""};
    static const QStringList cles = {"Cp", "cp", "Ville", "Erreur", "Clé", "CLÉ"};
    const int encodage = gen.bounded(4); // UTF-8 without BOM, with BOM, Windows-1252, UTF-16LE
    const auto encoder = [encodage](const QString& texte) {
        return encodage == 3 ? EnUtf16LE(texte) : encodage == 2 ? texte.toLatin1() : texte.toUtf8();
    };
    QByteArray octets = encodage == 1 ? "\xEF\xBB\xBF" : encodage == 3 ? "\xFF\xFE" : "";
    for (int i = gen.bounded(12); i > 0; --i) {
        const int genre = gen.bounded(6);
        if (genre == 0) {
            octets += encoder(Blancs(gen) + "[" + Blancs(gen) + Choisir(gen, sections) + Blancs(gen) + "]" +
                              Choisir(gen, {"", " ; x", "]"}));
        } else if (genre <= 2) {
            octets += encoder(Blancs(gen) + Choisir(gen, cles) + Blancs(gen) + "=" + Blancs(gen) +
                              ValeurAleatoire(gen) + Blancs(gen));
        } else if (genre == 3) {
            octets += encoder(Blancs(gen) + "; Cp=commentaire");
        } else if (genre == 4) {
            octets += encoder(Blancs(gen));
        } else {
            for (int n = gen.bounded(5) * (encodage == 3 ? 2 : 1); n > 0; --n) {
                octets += static_cast<char>(gen.bounded(256));
            }
        }
        if (i > 1 || gen.bounded(2) == 0) {
            octets += encoder(Choisir(gen, {"\r\n", "\n", "\r"}));
        }
    }
    if (encodage == 3 && gen.bounded(4) == 0) {
        octets += static_cast<char>(gen.bounded(256)); // a lone last byte
    }
    return octets;
}

// The file's code units (bytes, or 16-bit units after a UTF-16LE BOM), cut
// into lines that keep their line end.
QStringList Lignes(const QByteArray& octets, bool utf16) {
    QString unites;
    for (qsizetype i = 0; i + (utf16 ? 1 : 0) < octets.size(); i += utf16 ? 2 : 1) {
        unites += QChar(utf16 ? uchar(octets[i]) | uchar(octets[i + 1]) << 8 : uchar(octets[i]));
    }
    QStringList lignes;
    qsizetype debut = 0;
    for (qsizetype i = 0; i < unites.size(); ++i) {
        if (unites[i] == '\n' || (unites[i] == '\r' && (i + 1 == unites.size() || unites[i + 1] != '\n'))) {
            lignes << unites.mid(debut, i + 1 - debut);
            debut = i + 1;
        }
    }
    if (debut < unites.size()) {
        lignes << unites.mid(debut);
    }
    return lignes;
}

QString FinDe(const QString& ligne) {
    return ligne.endsWith("\r\n") ? "\r\n" : ligne.endsWith('\n') ? "\n" : ligne.endsWith('\r') ? "\r" : "";
}

// One write changed at most one line (rewritten with its own line end), or
// added at most two lines at one place (the last line first taking the line
// end it lacked); every other line is byte-identical and in the same order.
void VerifierUneEcriture(QByteArray avant, QByteArray apres) {
    const bool utf16 = avant.startsWith("\xFF\xFE");
    // The byte order mark stays first and the lone last byte of UTF-16 last.
    const int marque = utf16 ? 2 : avant.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QCOMPARE(apres.left(marque), avant.left(marque));
    const bool impair = utf16 && avant.size() % 2 == 1;
    if (impair) {
        QCOMPARE(apres.back(), avant.back());
    }
    const QStringList a = Lignes(avant.mid(marque, avant.size() - marque - impair), utf16);
    const QStringList b = Lignes(apres.mid(marque, apres.size() - marque - impair), utf16);
    qsizetype debut = 0;
    while (debut < a.size() && debut < b.size() && a[debut] == b[debut]) {
        ++debut;
    }
    qsizetype fin = 0;
    while (fin < a.size() - debut && fin < b.size() - debut && a[a.size() - 1 - fin] == b[b.size() - 1 - fin]) {
        ++fin;
    }
    const QStringList retirees = a.mid(debut, a.size() - debut - fin);
    QStringList ajoutees = b.mid(debut, b.size() - debut - fin);
    if (retirees.size() == 1 && ajoutees.size() == 1) {
        QCOMPARE(FinDe(ajoutees[0]), FinDe(retirees[0]));
        return;
    }
    const QString finDuFichier = a.join(QString()).contains("\r\n") ? "\r\n" : "\n";
    QVERIFY(retirees.size() <= 1);
    if (retirees.size() == 1) {
        QVERIFY(FinDe(retirees[0]).isEmpty() && !ajoutees.isEmpty());
        QCOMPARE(ajoutees.takeFirst(), retirees[0] + finDuFichier);
    }
    QVERIFY(ajoutees.size() <= 2);
    for (const QString& ligne : ajoutees) {
        QCOMPARE(FinDe(ligne), finDuFichier);
    }
}

} // namespace

void TestFichierIniAleatoire::proprieteAleatoire() {
    QRandomGenerator gen(12345); // fixed start so failures repeat
    const QStringList sections = {"Quilvarest", "quilvarest", "Sectión", "sectiÓn", "", "Neuve"};
    const QStringList cles = {"Cp", "CP", "Ville", " Erreur ", "clé", "Nouvelle"};
    // In memory where the system offers it: thousands of flushes to disk would
    // test the disk, not the editor.
    QTemporaryDir dossier(QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/qv-ini-XXXXXX")
                                                                             : QDir::tempPath() + "/qv-ini-XXXXXX");
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath("aleatoire.ini");
    FichierIni ini(Narrow(chemin));
    for (int essai = 0; essai < 2000; ++essai) {
        Ecrire(chemin, FichierAleatoire(gen));
        for (int ecriture = gen.bounded(1, 4); ecriture > 0; --ecriture) {
            const std::string section = Narrow(Choisir(gen, sections));
            const std::string cle = Narrow(Choisir(gen, cles));
            const std::string valeur = Narrow(ValeurAleatoire(gen));
            const QByteArray avant = Lire(chemin);
            const QString contexte = QStringLiteral("essai %1, [%2] %3=%4, avant : %5")
                                         .arg(essai)
                                         .arg(QString::fromStdString(section), QString::fromStdString(cle),
                                              QString::fromStdString(valeur), QString::fromLatin1(avant.toHex(' ')));
            ini.WriteString(section, cle, valeur);
            VerifierUneEcriture(avant, Lire(chemin));
            QVERIFY2(!QTest::currentTestFailed(), qPrintable(contexte));
            QVERIFY2(ini.ReadString(section, cle, "(défaut)") == valeur, qPrintable(contexte));
            QVERIFY2(Entrees(dossier.path()) == QStringList{"aleatoire.ini"}, qPrintable(contexte));
        }
    }
}

QTEST_GUILESS_MAIN(TestFichierIniAleatoire)
#include "test_fichier_ini_aleatoire.moc"
