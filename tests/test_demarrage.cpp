#include "Demarrage.h"
#include "MessagerieObservee.h"
#include "UnitFicheRecherche.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The entry procedure, through the very function main calls.
class TestDemarrage : public QObject {
    Q_OBJECT

    static int Lancer(std::vector<std::string> arguments, MessagerieObservee& messages) {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        int argc = static_cast<int>(arguments.size());
        return Demarrer(argc, argv.data(), messages);
    }

private slots:
    void mauvaisNombreDArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("aucun") << QStringList{};
        QTest::newRow("deux") << QStringList{"a.ini", "b.ini"};
        QTest::newRow("trois, le premier existant") << QStringList{QCoreApplication::applicationFilePath(), "x", "y"};
    }
    void mauvaisNombreDArguments() {
        QFETCH(QStringList, arguments);
        std::vector<std::string> ligne{"Quilvarest"};
        for (const QString& argument : arguments) {
            ligne.push_back(argument.toStdString());
        }
        MessagerieObservee messages;
        QCOMPARE(Lancer(ligne, messages), 0);
        QCOMPARE(messages.messages, std::vector<std::string>{"Erreur : Fichier de configuration manquant."});
        // Nothing else was set up: no dialog, no style.
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        QVERIFY(qApp->styleSheet().isEmpty());
        QCOMPARE(FicheRechercherCpVille, nullptr);
    }

    void unArgumentOuvreLaFiche() {
        // A missing file: the dialog is created and shown, its activation
        // reports the file missing and the program ends with status 0.
        QTemporaryDir dossier;
        const std::string absent = dossier.filePath("absent.ini").toStdString();
        MessagerieObservee messages;
        bool ficheVue = false;
        QTimer::singleShot(0, [&] { ficheVue = FicheRechercherCpVille != nullptr; });
        QCOMPARE(Lancer({"Quilvarest", absent}, messages), 0);
        QVERIFY(ficheVue);
        QCOMPARE(messages.messages, std::vector<std::string>{"Le fichier de configuration n'existe pas."});
        QVERIFY(!qApp->styleSheet().isEmpty());
        QCOMPARE(FicheRechercherCpVille, nullptr);
    }
};

QTEST_MAIN(TestDemarrage)
#include "test_demarrage.moc"
