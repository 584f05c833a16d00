#include "CreationApplication.h"
#include "Demarrage.h"
#include "FichiersDeTest.h"
#include "MessagerieObservee.h"
#include "UnitFicheRecherche.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
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

    void sansAffichageUneLigneEtStatutZero_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environnement");
        QTest::addColumn<QString>("raison");
        const QString connexion = QStringLiteral("could not connect to display");
        QTest::newRow("sans DISPLAY") << QStringList{"appel.ini"} << QStringList{} << connexion;
        QTest::newRow("serveur X qui refuse")
            << QStringList{"appel.ini"} << QStringList{"DISPLAY=:4242"} << connexion + " :4242";
        QTest::newRow("session Wayland sans greffon Wayland ni X")
            << QStringList{"appel.ini"}
            << QStringList{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0", "XDG_RUNTIME_DIR=."}
            << QStringLiteral("no Qt platform plugin could be initialized");
        QTest::newRow("sans argument") << QStringList{} << QStringList{} << connexion;
    }
    void sansAffichageUneLigneEtStatutZero() {
        // The real executable, where no display can be reached: Qt would abort
        // with status 134. The caller's file and its folder stay as they were.
        if (QSysInfo::productType() == "windows") {
            QSKIP("a Windows session always has its display");
        }
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environnement);
        QFETCH(QString, raison);
        QTemporaryDir dossier;
        const QByteArray contenu("[Quilvarest]\r\nZeruzuvoCp=75001\r\n");
        Ecrire(dossier.filePath("appel.ini"), contenu);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* nom : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"}) {
            env.remove(nom);
        }
        for (const QString& variable : environnement) {
            env.insert(variable.section('=', 0, 0), variable.section('=', 1));
        }
        QProcess quilvarest;
        quilvarest.setProcessEnvironment(env);
        quilvarest.setWorkingDirectory(dossier.path());
        quilvarest.start(QUILVAREST_EXECUTABLE, arguments);
        QVERIFY(quilvarest.waitForFinished(60000));
        QCOMPARE(quilvarest.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quilvarest.exitCode(), 0);
        // One line, which carries Qt's reason after ours.
        const QString erreurs = QString::fromUtf8(quilvarest.readAllStandardError());
        QVERIFY2(erreurs.startsWith(QString::fromUtf8(kMessageSansAffichage) + " (Qt : ") && erreurs.endsWith(")\n") &&
                     erreurs.count('\n') == 1 && erreurs.contains(raison),
                 qPrintable(erreurs));
        QCOMPARE(quilvarest.readAllStandardOutput(), QByteArray());
        QCOMPARE(Lire(dossier.filePath("appel.ini")), contenu);
        QCOMPARE(QDir(dossier.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"appel.ini"});
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

    void entreeDeMenu() {
        // Started by applications, never from a menu: the entry is hidden and
        // sits in one main category. The window carries the entry's name
        // (the Wayland app id, the X11 class), so docks find its icon.
        QFile fichier(QUILVAREST_ENTREE_BUREAU);
        QVERIFY(fichier.open(QIODevice::ReadOnly | QIODevice::Text));
        QMap<QString, QString> cles;
        const QStringList lignes = QString::fromUtf8(fichier.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lignes.value(0), QString("[Desktop Entry]"));
        for (const QString& ligne : lignes.mid(1)) {
            QVERIFY2(!ligne.startsWith('[') && ligne.contains('='), qPrintable(ligne));
            cles.insert(ligne.section('=', 0, 0), ligne.section('=', 1));
        }
        QCOMPARE(cles.value("Type"), QString("Application"));
        QCOMPARE(cles.value("NoDisplay"), QString("true"));
        QCOMPARE(cles.value("Exec").section(' ', 0, 0), QString("Quilvarest"));
        const QStringList principales{"AudioVideo", "Audio",    "Video",   "Development", "Education",
                                      "Game",       "Graphics", "Network", "Office",      "Science",
                                      "Settings",   "System",   "Utility"};
        const QStringList categories = cles.value("Categories").split(';', Qt::SkipEmptyParts);
        QCOMPARE(std::count_if(categories.begin(), categories.end(),
                               [&](const QString& categorie) { return principales.contains(categorie); }),
                 1);

        MessagerieObservee messages;
        PreparerApplication(messages);
        const QString nom = QFileInfo(fichier).completeBaseName();
        QCOMPARE(QGuiApplication::desktopFileName(), nom);
        QCOMPARE(QCoreApplication::applicationName(), nom); // the X11 class
        QCOMPARE(cles.value("Icon"), nom);
    }
};

QTEST_MAIN(TestDemarrage)
#include "test_demarrage.moc"
