#include "Echange.h"
#include "FichiersDeTest.h"
#include "MessagerieObservee.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::string MessageAbsent = "Le fichier de configuration n'existe pas.";

} // namespace

class TestEchange : public QObject {
    Q_OBJECT

    QTemporaryDir dossier;
    QString chemin;

private slots:
    void init() { chemin = dossier.filePath("appel.ini"); }
    void cleanup() { QFile::remove(chemin); }

    // --- Reading the starting criteria

    void chargeLesCriteres() {
        Ecrire(
            chemin,
            "[Autre]\r\nZeruzuvoCp=99999\r\n[QUILVAREST]\r\n ZeruzuvoCp = 75001 \r\nzeruzuvoville=Saint-Étienne\r\n");
        MessagerieObservee messages;
        CriteresDepart criteres;
        QVERIFY(!ChargerConfig(chemin.toStdString(), criteres, messages));
        QCOMPARE(criteres.Cp, std::string("75001"));
        QCOMPARE(criteres.Ville, std::string("Saint-Étienne"));
        QVERIFY(messages.messages.empty());
    }

    void sansSectionLesCriteresSontVides() {
        Ecrire(chemin, "[Autre]\nZeruzuvoCp=75001\n");
        MessagerieObservee messages;
        CriteresDepart criteres{"ancien", "ancien"};
        QVERIFY(!ChargerConfig(chemin.toStdString(), criteres, messages));
        QCOMPARE(criteres.Cp, std::string());
        QCOMPARE(criteres.Ville, std::string());
    }

    void fichierAbsentAuChargement() {
        MessagerieObservee messages;
        CriteresDepart criteres;
        QVERIFY(ChargerConfig(chemin.toStdString(), criteres, messages));
        QCOMPARE(messages.messages, std::vector<std::string>{MessageAbsent});
        QVERIFY(!QFile::exists(chemin));
    }

    void dossierAuLieuDuFichier() {
        MessagerieObservee messages;
        CriteresDepart criteres;
        QVERIFY(ChargerConfig(dossier.path().toStdString(), criteres, messages));
        QCOMPARE(messages.messages, std::vector<std::string>{MessageAbsent});
    }

    // --- Writing the outcome: the whole file is compared, so a byte changed
    // elsewhere is caught as surely as a wrong value. The files with accents
    // are UTF-8 by their own bytes, whatever the session's character set.

    void enregistrement_data() {
        QTest::addColumn<QByteArray>("avant");
        QTest::addColumn<QString>("entree");
        QTest::addColumn<bool>("abandon");
        QTest::addColumn<QByteArray>("apres");
        QTest::newRow("choix dans une section existante")
            << QByteArray("; fichier de l’appelant\r\n[Quilvarest]\r\nZeruzuvoCp=42\r\n\r\n[Suite]\r\nX=1\r\n")
            << "42000 - SAINT-ÉTIENNE" << false
            << QByteArray(
                   "; fichier de l’appelant\r\n[Quilvarest]\r\nZeruzuvoCp=42\r\nCp=42000\r\nVille=SAINT-ÉTIENNE\r\n"
                   "Erreur=0\r\n\r\n[Suite]\r\nX=1\r\n");
        QTest::newRow("choix remplaçant un précédent")
            << QByteArray("[Quilvarest]\nCp=13001\nVille=MARSEILLE\nErreur=1\n") << "75001 - PARIS" << false
            << QByteArray("[Quilvarest]\nCp=75001\nVille=PARIS\nErreur=0\n");
        QTest::newRow("choix sans la section")
            << QByteArray("[Autre]\nA=Hélène") << "01400 - L'ABERGEMENT-CLÉMENCIAT" << false
            << QByteArray("[Autre]\nA=Hélène\n[Quilvarest]\nCp=01400\nVille=L'ABERGEMENT-CLÉMENCIAT\nErreur=0\n");
        QTest::newRow("abandon gardant le choix précédent")
            << QByteArray("[Quilvarest]\nCp=13001\nVille=MARSEILLE\nErreur=0\n") << "75001 - PARIS" << true
            << QByteArray("[Quilvarest]\nCp=13001\nVille=MARSEILLE\nErreur=1\n");
        QTest::newRow("valider sans sélection vaut abandon") << QByteArray("[Quilvarest]\nCp=13001\n") << "" << false
                                                             << QByteArray("[Quilvarest]\nCp=13001\nErreur=1\n");
        QTest::newRow("ligne courte : code court, pas de ville")
            << QByteArray("[Quilvarest]\n") << "750" << false << QByteArray("[Quilvarest]\nCp=750\nVille=\nErreur=0\n");
    }
    void enregistrement() {
        QFETCH(QByteArray, avant);
        QFETCH(QString, entree);
        QFETCH(bool, abandon);
        QFETCH(QByteArray, apres);
        Ecrire(chemin, avant);
        MessagerieObservee messages;
        EnregistrerChoix(chemin.toStdString(), entree.toStdString(), abandon, messages);
        QCOMPARE(Lire(chemin), apres);
        QVERIFY(messages.messages.empty());
    }

    void fichierSupprimeAvantEnregistrement() {
        MessagerieObservee messages;
        EnregistrerChoix(chemin.toStdString(), "75001 - PARIS", false, messages);
        QCOMPARE(messages.messages, std::vector<std::string>{MessageAbsent});
        QVERIFY(!QFile::exists(chemin));
    }
};

QTEST_GUILESS_MAIN(TestEchange)
#include "test_echange.moc"
