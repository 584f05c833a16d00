#include "Echec.h"
#include "FichierIni.h"
#include "FichiersDeTest.h"
#include "SessionDeTest.h"
#include "VerrouFichier.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Defaut = QStringLiteral("(défaut)");

// The fixtures' folder; a copy in a folder of its own when the test runs
// again as nobody, who may not be allowed into the source tree.
QString DossierFixtures() {
    const QString copie = qEnvironmentVariable("QUILVAREST_FIXTURES_INI");
    return copie.isEmpty() ? QStringLiteral(QUILVAREST_FIXTURES "/ini") : copie;
}

QByteArray Fixture(const QString& nom) {
    QFile fichier(DossierFixtures() + QLatin1Char('/') + nom);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray("(fixture absente)");
}

QStringList Entrees(const QString& dossier) {
    return QDir(dossier).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

std::string Narrow(const QString& texte) {
    return texte.toStdString();
}

QString MessageAttendu(const QString& chemin) {
    return QStringLiteral("Impossible d'écrire le fichier « ") + chemin + QStringLiteral(" » : ");
}

mode_t Mode(const QString& chemin) {
    struct stat etat {};
    return ::stat(QFile::encodeName(chemin).constData(), &etat) == 0 ? (etat.st_mode & 07777) : 0;
}

// Root may write any file, so a permission case proves nothing as root: this
// test binary is started again as nobody for the current case only, with its
// temporary files in a folder nobody may use.
void RelancerCommeNobody() {
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) {
        QSKIP("setpriv absent : sous root, ce cas de droits ne prouverait rien");
    }
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    QCOMPARE(::chmod(QFile::encodeName(dossier.path()).constData(), 0777), 0);
    const QString fixtures = dossier.filePath(QStringLiteral("fixtures"));
    QVERIFY(QDir().mkpath(fixtures));
    for (const QString& nom : Entrees(DossierFixtures())) {
        QVERIFY(QFile::copy(DossierFixtures() + QLatin1Char('/') + nom, fixtures + QLatin1Char('/') + nom));
    }
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(QStringLiteral("TMPDIR"), dossier.path());
    environnement.insert(QStringLiteral("QUILVAREST_FIXTURES_INI"), fixtures);
    QProcess enfant;
    enfant.setProcessEnvironment(environnement);
    enfant.setProcessChannelMode(QProcess::MergedChannels);
    const QString fonction = QString::fromLatin1(QTest::currentTestFunction());
    const QString ligne = QString::fromUtf8(QTest::currentDataTag());
    enfant.start(setpriv,
                 {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                  QCoreApplication::applicationFilePath(), ligne.isEmpty() ? fonction : fonction + ':' + ligne});
    QVERIFY2(enfant.waitForFinished(-1), qPrintable(enfant.errorString()));
    const QString sortie = QString::fromLocal8Bit(enfant.readAll());
    QVERIFY2(enfant.exitStatus() == QProcess::NormalExit && enfant.exitCode() == 0, qPrintable(sortie));
    // Passed as nobody, not skipped there.
    QVERIFY2(sortie.contains("PASS   : TestFichierIni::" + fonction + '(' + ligne + ')'), qPrintable(sortie));
}

} // namespace

class TestFichierIni : public QObject {
    Q_OBJECT

private slots:
    // Reading
    void lecture_data();
    void lecture();

    // Whole-file round trips
    void allerRetour_data();
    void allerRetour();

    // A file that gives no clue of its encoding takes the session's set
    void fichierSansIndiceSession_data();
    void fichierSansIndiceSession();

    // Writes that must be refused, leaving everything as it was
    void ecritureRefusee_data();
    void ecritureRefusee();
    void sectionAvecCrochet();

    // Files, links and folders
    void lienSymbolique();
    void cheminRelatif();
    void grosFichier();

    // Permissions: run as nobody when the tests run as root
    void fichierProtege_data();
    void fichierProtege();
    void dossierLectureSeule();
    void ecritureDUnAutreEnCours();
};

void TestFichierIni::lecture_data() {
    QTest::addColumn<QString>("fichier");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("cle");
    QTest::addColumn<QString>("attendu");
    const auto ligne = [](const char* nom, const QString& fichier, const QString& section, const QString& cle,
                          const QString& attendu) { QTest::newRow(nom) << fichier << section << cle << attendu; };
    const auto lecture = [&](const char* nom, const QString& cle, const QString& attendu) {
        ligne(nom, "lecture.ini", "Quilvarest", cle, attendu);
    };

    lecture("blancs autour du nom et de la valeur", "cle", "valeur avec blancs");
    lecture("clé sans valeur: vide, pas le défaut", "Vide", "");
    lecture("guillemets retirés", "Guillemets", "entre guillemets");
    lecture("apostrophes retirées", "Apostrophes", "simples");
    lecture("guillemet seul gardé", "Seul", "\"");
    lecture("paire de guillemets vide", "Deux", "");
    lecture("guillemets différents gardés", "Mixtes", "\"a'");
    lecture("guillemets intérieurs gardés", "Interieur", "a \"b\" c");
    lecture("premier égal sépare", "Egal", "a=b");
    lecture("ligne commentée", "Commentee", Defaut);
    lecture("première occurrence gagne", "doublee", "premiere");
    lecture("seconde section du nom ignorée", "Ailleurs", Defaut);
    lecture("clé avant toute section", "Orpheline", Defaut);
    lecture("ligne sans égal", "sans egal", Defaut);
    lecture("octet nul: la valeur s'arrête avant", "Nul", "a");
    ligne("section sans casse", "lecture.ini", "QUILVAREST", "Accent", "é");
    ligne("casse Unicode", "lecture.ini", "SECTIÓN", "cle", "dans la section accentuée");
    ligne("section absente", "lecture.ini", "Absente", "Cle", Defaut);
    ligne("UTF-16LE", "utf16.ini", "Quilvarest", "ZeruzuvoVille", "Besançon");
    ligne("Windows-1252", "cp1252.ini", "Quilvarest", "ZeruzuvoVille", "Orléans");
    ligne("Windows-1252, octets non définis", "cp1252.ini", "Quilvarest", "Indefini",
          QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    ligne("UTF-8 invalide lu en Windows-1252", "utf8_invalide.ini", "Quilvarest", "Ville", "BesanÃ§on");
    ligne("BOM UTF-8", "bom_utf8.ini", "Quilvarest", "Ville", "Besançon");

    // What the Windows functions read where the rules above leave a doubt
    const auto windows = [&](const char* nom, const QString& section, const QString& cle, const QString& attendu) {
        ligne(nom, "windows.ini", section, cle, attendu);
    };
    windows("nom de section jusqu'au dernier ]", "Quilvarest]x", "Autre", "ailleurs");
    windows("[Quilvarest]x] n'est pas la section", "Quilvarest", "Autre", Defaut);
    windows("blancs: tabulation verticale, saut de page, Ctrl-Z", "Quilvarest", "Ville", "SAINT-ETIENNE");
    windows("[ sans ]: pas d'en-tête, la section continue", "Quilvarest", "Erreur", "0");
    windows("[ sans ]: une clé", "Quilvarest", "[Cle", "5");
    windows("clé sans =: le défaut, et la recherche s'arrête", "Quilvarest", "Cp", Defaut);
    windows("guillemets cherchés avant le nul", "Quilvarest", "Guillemets", "x");
    windows("nom de clé jusqu'au nul", "Quilvarest", "C", "nom coupe");
}

void TestFichierIni::lecture() {
    QFETCH(QString, fichier);
    QFETCH(QString, section);
    QFETCH(QString, cle);
    QFETCH(QString, attendu);
    const FichierIni ini(QUILVAREST_FIXTURES "/ini/" + Narrow(fichier));
    QCOMPARE(QByteArray::fromStdString(ini.ReadString(Narrow(section), Narrow(cle), Narrow(Defaut))), attendu.toUtf8());
}

void TestFichierIni::allerRetour_data() {
    QTest::addColumn<QString>("fichier");
    QTest::addColumn<QStringList>("ecritures"); // "Cle=Valeur", cut at the first '='
    QTest::addColumn<QStringList>("relus");

    QTest::newRow("commentaires, blancs, autres sections")
        << "commentaires" << QStringList{"Cp=13001", "Ville=Marseille", "Erreur=0", "ZeruzuvoCp=75002"}
        << QStringList{"13001", "Marseille", "0", "75002"};
    QTest::newRow("guillemets: retirés à la relecture, jamais ajoutés")
        << "guillemets" << QStringList{"Ville=Lyon", "Cp=\"69001\""} << QStringList{"Lyon", "69001"};
    QTest::newRow("clés et sections en double")
        << "doublons" << QStringList{"CP=3", "Ville=Brest"} << QStringList{"3", "Brest"};
    QTest::newRow("CRLF, sans fin de ligne finale, section ajoutée")
        << "crlf" << QStringList{"Erreur=1"} << QStringList{"1"};
    QTest::newRow("CR seuls") << "cr_seul" << QStringList{"Ville=Vannes", "Cp=56000"} << QStringList{"Vannes", "56000"};
    QTest::newRow("dernière clé sans fin de ligne")
        << "sans_fin" << QStringList{"Ville=Rennes"} << QStringList{"Rennes"};
    QTest::newRow("section sans clé, texte après ]") << "entete" << QStringList{"Erreur=0"} << QStringList{"0"};
    QTest::newRow("fins de ligne mêlées: CRLF") << "mixte" << QStringList{"Erreur=1"} << QStringList{"1"};
    QTest::newRow("BOM UTF-8") << "bom_utf8" << QStringList{"Ville=Orléans", "Cp=45000"}
                               << QStringList{"Orléans", "45000"};
    QTest::newRow("UTF-16LE") << "utf16" << QStringList{"Ville=Saint-Étienne", "Cp=中"}
                              << QStringList{"Saint-Étienne", "中"};
    QTest::newRow("UTF-16LE de longueur impaire") << "utf16_impair" << QStringList{"Erreur=1"} << QStringList{"1"};
    QTest::newRow("Windows-1252, caractère absent du jeu")
        << "cp1252" << QStringList{"Ville=Besançon €", "Cp=中"} << QStringList{"Besançon €", "?"};
    QTest::newRow("ASCII prend UTF-8") << "ascii" << QStringList{"Ville=Évry"} << QStringList{"Évry"};
    QTest::newRow("fichier vide") << "vide" << QStringList{"Erreur=1"} << QStringList{"1"};
    QTest::newRow("fins de ligne et blancs dans les valeurs")
        << "injection" << QStringList{"Ville=Paris\r\n[Piege]\r\nErreur=0", "Cp= 75001 "}
        << QStringList{"Paris  [Piege]  Erreur=0", "75001"};
    QTest::newRow("clés sans =, remplacées sur place")
        << "sans_egal" << QStringList{"Cp=42000", "Ville=SAINT-ETIENNE", "Erreur=0"}
        << QStringList{"42000", "SAINT-ETIENNE", "0"};
    QTest::newRow("en-têtes: jusqu'au dernier ], [ sans ] n'en est pas un")
        << "crochets" << QStringList{"Erreur=0", "Cp=2"} << QStringList{"0", "2"};
    QTest::newRow("blancs de Windows, nom de clé jusqu'au nul")
        << "blancs_windows" << QStringList{"Cp=2", "C=y"} << QStringList{"2", "y"};
}

void TestFichierIni::allerRetour() {
    QFETCH(QString, fichier);
    QFETCH(QStringList, ecritures);
    QFETCH(QStringList, relus);
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath(fichier + ".ini");
    std::vector<std::pair<std::string, std::string>> valeurs;
    for (const QString& ecriture : ecritures) {
        const qsizetype egal = ecriture.indexOf(QLatin1Char('='));
        valeurs.emplace_back(Narrow(ecriture.left(egal)), Narrow(ecriture.mid(egal + 1)));
    }

    // All at once, then one call per key (0 and 1 through WriteBool): same file.
    for (const bool ensemble : {true, false}) {
        Ecrire(chemin, Fixture(fichier + ".ini"));
        FichierIni ini(Narrow(chemin));
        if (ensemble) {
            ini.WriteStrings("Quilvarest", valeurs);
        } else {
            for (const auto& [cle, valeur] : valeurs) {
                if (valeur == "0" || valeur == "1") {
                    ini.WriteBool("Quilvarest", cle, valeur == "1");
                } else {
                    ini.WriteString("Quilvarest", cle, valeur);
                }
            }
        }
        QCOMPARE(Lire(chemin), Fixture(fichier + ".attendu.ini"));
        for (qsizetype i = 0; i < relus.size(); ++i) {
            QCOMPARE(QString::fromStdString(ini.ReadString("Quilvarest", valeurs[i].first, "")), relus[i]);
        }
        QCOMPARE(Entrees(dossier.path()), QStringList{fichier + ".ini"});
    }
}

void TestFichierIni::fichierSansIndiceSession_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QStringList>("ecritures"); // "Cle=Valeur", cut at the first '='
    QTest::addColumn<QByteArray>("attendu");

    const QString latin1 = QStringLiteral("fr_FR.ISO-8859-1");
    const QByteArray ascii = "[Quilvarest]\nCp=1\n";
    // Row names stay ASCII: the child gets its row on its command line.
    QTest::newRow("ISO-8859-1") << latin1 << ascii << "Quilvarest" << QStringList{"Ville=SAINT-ÉTIENNE"}
                                << ascii + "Ville=SAINT-\xC9TIENNE\n";
    QTest::newRow("ISO-8859-1, hors du jeu")
        << latin1 << ascii << "Quilvarest" << QStringList{"Ville=Œuvre €"} << ascii + "Ville=?uvre ?\n";
    QTest::newRow("Windows-1252") << "fr_FR.CP1252" << ascii << "Quilvarest" << QStringList{"Ville=Œuvre €"}
                                  << ascii + "Ville=\x8Cuvre \x80\n";
    QTest::newRow("UTF-8") << "C.UTF-8" << ascii << "Quilvarest" << QStringList{"Ville=SAINT-ÉTIENNE"}
                           << ascii + "Ville=SAINT-\xC3\x89TIENNE\n";
    QTest::newRow("C: UTF-8") << "C" << ascii << "Quilvarest" << QStringList{"Ville=SAINT-ÉTIENNE"}
                              << ascii + "Ville=SAINT-\xC3\x89TIENNE\n";
    // The second key finds the section the first one added, in the session's set.
    QTest::newRow("ISO-8859-1, fichier vide, section accentuee")
        << latin1 << QByteArray() << "Sectión" << QStringList{"a=é", "b=2"}
        << QByteArray("[Secti\xF3n]\na=\xE9\nb=2\n");
    // Files that show their encoding keep it.
    QTest::newRow("ISO-8859-1, fichier Windows-1252")
        << latin1 << QByteArray("[Quilvarest]\nA=\xE9\n") << "Quilvarest" << QStringList{"B=Œ"}
        << QByteArray("[Quilvarest]\nA=\xE9\nB=\x8C\n");
    QTest::newRow("ISO-8859-1, fichier UTF-8")
        << latin1 << QByteArray("[Quilvarest]\nA=\xC3\xA9\n") << "Quilvarest" << QStringList{"B=Œ"}
        << QByteArray("[Quilvarest]\nA=\xC3\xA9\nB=\xC5\x92\n");
}

void TestFichierIni::fichierSansIndiceSession() {
    QFETCH(QString, locale);
    QFETCH(QByteArray, contenu);
    QFETCH(QString, section);
    QFETCH(QStringList, ecritures);
    QFETCH(QByteArray, attendu);
    if (!DansSession(locale)) {
        RelancerDansSession(locale);
        return;
    }
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath("session.ini");
    Ecrire(chemin, contenu);
    std::vector<std::pair<std::string, std::string>> valeurs;
    for (const QString& ecriture : ecritures) {
        const qsizetype egal = ecriture.indexOf(QLatin1Char('='));
        valeurs.emplace_back(Narrow(ecriture.left(egal)), Narrow(ecriture.mid(egal + 1)));
    }
    FichierIni ini(Narrow(chemin));
    ini.WriteStrings(Narrow(section), valeurs);
    QCOMPARE(Lire(chemin), attendu);
}

void TestFichierIni::ecritureRefusee_data() {
    QTest::addColumn<QString>("chemin"); // relative to the temporary folder
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("cle");

    const auto ligne = [](const char* nom, const QString& chemin, const QString& section, const QString& cle) {
        QTest::newRow(nom) << chemin << section << cle;
    };

    // The folder holds "present.ini", "lien-casse.ini" -> "absent.ini", the
    // folder "dossier.ini" and the named pipe "tube.ini".
    ligne("fichier absent", "absent.ini", "Quilvarest", "Cp");
    ligne("lien vers un fichier absent", "lien-casse.ini", "Quilvarest", "Cp");
    ligne("dossier à la place du fichier", "dossier.ini", "Quilvarest", "Cp");
    ligne("tube nommé, jamais attendu", "tube.ini", "Quilvarest", "Cp");
    ligne("clé avec =", "present.ini", "Quilvarest", "C=p");
    ligne("clé en commentaire", "present.ini", "Quilvarest", ";Cp");
    ligne("clé en en-tête", "present.ini", "Quilvarest", "[Cp");
}

void TestFichierIni::ecritureRefusee() {
    QFETCH(QString, chemin);
    QFETCH(QString, section);
    QFETCH(QString, cle);
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    Ecrire(dossier.filePath("present.ini"), "[Quilvarest]\nCp=1\n");
    QVERIFY(QFile::link("absent.ini", dossier.filePath("lien-casse.ini")));
    QVERIFY(QDir(dossier.path()).mkdir("dossier.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(dossier.filePath("tube.ini")).constData(), 0600), 0);
    const QStringList avant = Entrees(dossier.path());

    FichierIni ini(Narrow(dossier.filePath(chemin)));
    if (chemin != "present.ini") {
        QCOMPARE(QString::fromStdString(ini.ReadString("Quilvarest", "Cp", Narrow(Defaut))), Defaut);
    }
    const QString message = MessageErreur([&] { ini.WriteString(Narrow(section), Narrow(cle), "2"); });
    QVERIFY2(message.startsWith(MessageAttendu(dossier.filePath(chemin))), qPrintable(message));
    QCOMPARE(Entrees(dossier.path()), avant);
    QCOMPARE(Lire(dossier.filePath("present.ini")), QByteArray("[Quilvarest]\nCp=1\n"));
    QVERIFY(QFileInfo(dossier.filePath("dossier.ini")).isDir());
}

void TestFichierIni::sectionAvecCrochet() {
    // Not refused: the header's name runs to its last ']', the one written.
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath("crochet.ini");
    Ecrire(chemin, "[Quil]\n");
    FichierIni ini(Narrow(chemin));
    ini.WriteString("Quil]varest", "Cp", "1");
    QCOMPARE(Lire(chemin), QByteArray("[Quil]\n[Quil]varest]\nCp=1\n"));
    QCOMPARE(ini.ReadString("Quil]varest", "Cp", ""), std::string("1"));
    QCOMPARE(ini.ReadString("Quil", "Cp", ""), std::string());
}

void TestFichierIni::lienSymbolique() {
    // The target lies in another folder: the new file must be made there,
    // with the target's mode, and the link must stay a link.
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    QVERIFY(QDir(dossier.path()).mkdir("vrai"));
    const QString cible = dossier.filePath("vrai/cible.ini");
    Ecrire(cible, Fixture("sans_fin.ini"));
    QCOMPARE(::chmod(QFile::encodeName(cible).constData(), 0604), 0);
    QVERIFY(QFile::link("vrai/cible.ini", dossier.filePath("lien.ini")));

    FichierIni ini(Narrow(dossier.filePath("lien.ini")));
    ini.WriteString("Quilvarest", "Ville", "Rennes");
    QCOMPARE(Lire(cible), Fixture("sans_fin.attendu.ini"));
    QCOMPARE(Mode(cible), mode_t(0604));
    QCOMPARE(QFile::symLinkTarget(dossier.filePath("lien.ini")), cible);
    QCOMPARE(Entrees(dossier.path()), (QStringList{"lien.ini", "vrai"}));
    QCOMPARE(Entrees(dossier.filePath("vrai")), QStringList{"cible.ini"});
}

void TestFichierIni::cheminRelatif() {
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    Ecrire(dossier.filePath("relatif.ini"), Fixture("sans_fin.ini"));
    const QString ancien = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dossier.path()));
    const QString message =
        MessageErreur([] { FichierIni("relatif.ini").WriteString("Quilvarest", "Ville", "Rennes"); });
    QDir::setCurrent(ancien);
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QCOMPARE(Lire(dossier.filePath("relatif.ini")), Fixture("sans_fin.attendu.ini"));
}

void TestFichierIni::grosFichier() {
    // 50 MB with a 1 MB value, a byte that is not UTF-8 and a NUL byte.
    QByteArray contenu = "[Quilvarest]\r\nLongue=" + QByteArray(1 << 20, 'x') + "\r\nNul=\xff" + "a" +
                         QByteArray(1, '\0') + "b\r\n" + QByteArray("Remplissage=0123456789\r\n").repeated(2'000'000) +
                         "Fin=1";
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath("gros.ini");
    Ecrire(chemin, contenu);
    FichierIni ini(Narrow(chemin));
    ini.WriteStrings("Quilvarest", {{"Fin", "2"}, {"Nouvelle", "v"}});
    contenu.chop(1);
    QVERIFY(Lire(chemin) == contenu + "2\r\nNouvelle=v\r\n");
    QCOMPARE(ini.ReadString("Quilvarest", "Longue", "").size(), std::size_t(1) << 20);
    QCOMPARE(ini.ReadString("Quilvarest", "Nul", ""), std::string("\xC3\xBF"
                                                                  "a"));
}

void TestFichierIni::fichierProtege_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("lu");

    // In a writable folder, where renaming over the file would succeed.
    QTest::newRow("lecture seule") << 0444 << "1";
    // Writable but unreadable: never replaced by content built from nothing.
    QTest::newRow("illisible") << 0200 << Defaut;
}

void TestFichierIni::fichierProtege() {
    QFETCH(int, mode);
    QFETCH(QString, lu);
    if (::geteuid() == 0) {
        RelancerCommeNobody();
        return;
    }
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath("protege.ini");
    Ecrire(chemin, "[Quilvarest]\nCp=1\n");
    QCOMPARE(::chmod(QFile::encodeName(chemin).constData(), mode_t(mode)), 0);
    FichierIni ini(Narrow(chemin));
    QCOMPARE(QString::fromStdString(ini.ReadString("Quilvarest", "Cp", Narrow(Defaut))), lu);
    const QString message = MessageErreur([&] { ini.WriteString("Quilvarest", "Cp", "2"); });
    QVERIFY2(message.startsWith(MessageAttendu(chemin)), qPrintable(message));
    QCOMPARE(Mode(chemin), mode_t(mode));
    QCOMPARE(Entrees(dossier.path()), QStringList{"protege.ini"});
    QCOMPARE(::chmod(QFile::encodeName(chemin).constData(), 0600), 0);
    QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\nCp=1\n"));
}

void TestFichierIni::dossierLectureSeule() {
    if (::geteuid() == 0) {
        RelancerCommeNobody();
        return;
    }
    // No temporary file can be made: the file is rewritten in place, and
    // shrinks here, so its old tail must be cut.
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath("guillemets.ini");
    Ecrire(chemin, Fixture("guillemets.ini"));
    const QByteArray nomDossier = QFile::encodeName(dossier.path());
    QCOMPARE(::chmod(nomDossier.constData(), 0555), 0);
    const QString message = MessageErreur([&] {
        FichierIni(Narrow(chemin)).WriteStrings("Quilvarest", {{"Ville", "Lyon"}, {"Cp", "\"69001\""}});
    });
    QCOMPARE(::chmod(nomDossier.constData(), 0755), 0);
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QCOMPARE(Lire(chemin), Fixture("guillemets.attendu.ini"));
    QCOMPARE(Entrees(dossier.path()), QStringList{"guillemets.ini"});
}

// Two writers at once: while another holds the file (the test's lock), a
// write waits, then fails saying the file is in use, and writes nothing;
// once the other is done, the same write goes through.
void TestFichierIni::ecritureDUnAutreEnCours() {
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath("appel.ini");
    Ecrire(chemin, "[Quilvarest]\r\nZeruzuvoCp=75001\r\n");
    VerrouFichier::DefinirAttente(std::chrono::milliseconds(100));
    FichierIni ini(Narrow(chemin));
    {
        const VerrouFichier autre(Narrow(chemin));
        const QString message = MessageErreur([&] { ini.WriteStrings("Quilvarest", {{"Cp", "42000"}}); });
        QVERIFY2(message.contains("utilisé par un autre programme"), qPrintable(message));
        QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nZeruzuvoCp=75001\r\n"));
    }
    ini.WriteStrings("Quilvarest", {{"Cp", "42000"}});
    QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nZeruzuvoCp=75001\r\nCp=42000\r\n"));
    VerrouFichier::DefinirAttente(std::chrono::milliseconds(3000));
}

QTEST_GUILESS_MAIN(TestFichierIni)
#include "test_fichier_ini.moc"
