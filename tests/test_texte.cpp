#include "Fichiers.h"
#include "FichiersDeTest.h"
#include "Texte.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

class TestTexte : public QObject {
    Q_OBJECT

private slots:
    void majuscules_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("ascii") << "saint-etienne"
                               << "SAINT-ETIENNE";
        QTest::newRow("accents") << "saint-étienne à l'île"
                                 << "SAINT-ÉTIENNE À L'ÎLE";
        QTest::newRow("ligature oe") << "cœur"
                                     << "CŒUR";
        QTest::newRow("y tréma") << "l'haÿ-les-roses"
                                 << "L'HAŸ-LES-ROSES";
        QTest::newRow("ß reste un caractère") << "straße"
                                              << "STRAßE";
        QTest::newRow("chiffres et signes inchangés") << "75001 %_\""
                                                      << "75001 %_\"";
        QTest::newRow("vide") << ""
                              << "";
    }
    void majuscules() {
        QFETCH(QString, texte);
        QFETCH(QString, attendu);
        const std::string resultat = AnsiUpperCase(texte.toStdString());
        QCOMPARE(QString::fromStdString(resultat), attendu);
        QCOMPARE(NombreCaracteres(resultat), NombreCaracteres(texte.toStdString()));
    }

    void majusculesGardentLesOctetsInvalides() {
        // Windows-1252 "é" (0xE9) is not UTF-8: it must come back as it was.
        const std::string brut = std::string("caf") + '\xE9' + "-x";
        const std::string resultat = AnsiUpperCase(brut);
        QCOMPARE(resultat, std::string("CAF") + '\xE9' + "-X");
    }

    void caracteresInvisiblesOtes_data() {
        QTest::addColumn<QByteArray>("texte");
        QTest::addColumn<QByteArray>("attendu");
        QTest::newRow("retour arrière") << QByteArray("\b75") << QByteArray("75");
        QTest::newRow("C0, tabulation et DEL") << QByteArray("a\x01\tb\x1b\x7f\r\n") << QByteArray("ab");
        QTest::newRow("C1 encodés") << QByteArray("\xc2\x80PARIS\xc2\x9f") << QByteArray("PARIS");
        QTest::newRow("octet invalide") << QByteArray("\xe9PARIS") << QByteArray("PARIS");
        QTest::newRow("surrogate seul") << QByteArray("\xed\xa0\x80PARIS") << QByteArray("PARIS");
        QTest::newRow("visibles gardés") << QByteArray("SAINT-ÉTIENNE \xc2\xa0😀 %_")
                                         << QByteArray("SAINT-ÉTIENNE \xc2\xa0😀 %_");
    }
    void caracteresInvisiblesOtes() {
        QFETCH(QByteArray, texte);
        QFETCH(QByteArray, attendu);
        QCOMPARE(QByteArray::fromStdString(SansCaracteresInvisibles(texte.toStdString())), attendu);
    }

    void copieParCaracteres_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("debut");
        QTest::addColumn<int>("nombre");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("code postal") << "42000 - SAINT-ÉTIENNE" << 1 << 5 << "42000";
        QTest::newRow("ville après des accents") << "42000 - SAINT-ÉTIENNE" << 9 << -1 << "SAINT-ÉTIENNE";
        QTest::newRow("accent avant la coupure") << "ÉÉÉÉÉ - X" << 9 << -1 << "X";
        QTest::newRow("plus court que le début") << "7500" << 9 << -1 << "";
        QTest::newRow("plus court que le nombre") << "750" << 1 << 5 << "750";
        QTest::newRow("caractère de quatre octets") << "a😀b" << 2 << 1 << "😀";
    }
    void copieParCaracteres() {
        QFETCH(QString, texte);
        QFETCH(int, debut);
        QFETCH(int, nombre);
        QFETCH(QString, attendu);
        const std::size_t compte = nombre < 0 ? std::string::npos : static_cast<std::size_t>(nombre);
        QCOMPARE(QString::fromStdString(CopierCaracteres(texte.toStdString(), debut, compte)), attendu);
    }

    void testDeFichierSuitLesLiens() {
        // Symbolic links, not shortcuts (QFile::link makes .lnk files on
        // Windows): a link to a file counts, a dangling one does not.
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        const auto chemin = [&](const char* nom) {
            return std::filesystem::u8path(dossier.filePath(nom).toStdString());
        };
        Ecrire(dossier.filePath("config.ini"), "[Quilvarest]\n");
        try {
            std::filesystem::create_symlink(chemin("config.ini"), chemin("lien.ini"));
            std::filesystem::create_symlink(chemin("absent.ini"), chemin("lien-mort.ini"));
            std::filesystem::create_directory_symlink(dossier.path().toStdString(), chemin("lien-dossier.ini"));
        } catch (const std::filesystem::filesystem_error& erreur) {
            QSKIP(qPrintable(QStringLiteral("liens symboliques refusés ici : ") + erreur.what()));
        }
        QVERIFY(FichierExiste(chemin("lien.ini").u8string()));
        QVERIFY(!FichierExiste(chemin("lien-mort.ini").u8string()));
        QVERIFY(!FichierExiste(chemin("lien-dossier.ini").u8string()));
    }

    void testDeFichier() {
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        const QString fichier = dossier.filePath("config.ini");
        QFile f(fichier);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(QDir(dossier.path()).mkdir("dossier.ini"));

        QVERIFY(FichierExiste(fichier.toStdString()));
        QVERIFY(!FichierExiste(dossier.filePath("dossier.ini").toStdString()));
        QVERIFY(!FichierExiste(dossier.filePath("absent.ini").toStdString()));
        QVERIFY(!FichierExiste(""));

        // A relative path is resolved against the current folder.
        const QString avant = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dossier.path()));
        const bool relatif = FichierExiste("config.ini");
        QDir::setCurrent(avant);
        QVERIFY(relatif);
    }
};

QTEST_GUILESS_MAIN(TestTexte)
#include "test_texte.moc"
