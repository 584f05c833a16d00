#include "AccesFichier.h"
#include "ArretEcriture.h"
#include "FichiersDeTest.h"
#include "VerrouFichier.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <filesystem>

// Whole-file replacement where a rename would lose the caller's data.
class TestAccesFichier : public QObject {
    Q_OBJECT

    QTemporaryDir dossier_;

    std::filesystem::path Chemin(const char* nom) const {
        return std::filesystem::u8path(dossier_.filePath(QString::fromUtf8(nom)).toStdString());
    }

    // A caller's file of three and a bit blocks, whose first key is "Cle".
    static QByteArray Ancien() {
        QByteArray octets = "[Quilvarest]\r\nCle=1\r\n";
        for (int i = 0; octets.size() < 3 * 4096 + 300; ++i) {
            octets += "Ligne" + QByteArray::number(i) + "=valeur de remplissage\r\n";
        }
        return octets;
    }

    // True when octets is what a write of nouveau over ancien may leave when
    // cut short: each byte the old or the new one at its place, or a zero of
    // space reserved.
    static bool MelangeDe(const QByteArray& octets, const QByteArray& ancien, const QByteArray& nouveau) {
        if (octets.size() > std::max(ancien.size(), nouveau.size())) {
            return false;
        }
        for (qsizetype i = 0; i < octets.size(); ++i) {
            if (octets[i] != '\0' && (i >= ancien.size() || octets[i] != ancien[i]) &&
                (i >= nouveau.size() || octets[i] != nouveau[i])) {
                return false;
            }
        }
        return true;
    }

    // The backup copies go to a cache of the test's own.
    QString Cache() const { return dossier_.filePath(QStringLiteral("cache")); }

    static void Remplacer(const std::string& chemin, const std::string& nouveau) {
        ModifierFichier(chemin, [&](const std::string&) { return nouveau; });
    }

    // The next run's read, which puts back a write cut short.
    static void Relire(const QString& chemin) {
        std::string octets;
        LireFichierEntier(chemin.toStdString(), octets);
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CACHE_HOME", Cache().toUtf8());
        qputenv("LOCALAPPDATA", Cache().toUtf8());
    }

    void liensPhysiques() {
        // Two names of one file: the caller may read either. A rename would
        // give the written name a new file and leave the other on the old one.
        const auto original = Chemin("appel.ini");
        const auto autreNom = Chemin("autre-nom.ini");
        Ecrire(QString::fromStdString(original.u8string()), "[Quilvarest]\r\nZeruzuvoCp=42\r\n");
        std::filesystem::create_hard_link(original, autreNom);

        const std::string nouveau = "[Quilvarest]\r\nZeruzuvoCp=42\r\nErreur=1\r\n";
        Remplacer(original.u8string(), nouveau);
        QCOMPARE(Lire(QString::fromStdString(autreNom.u8string())), QByteArray::fromStdString(nouveau));

        // Written through the other name, with a shorter content: the names
        // still share one file, and no byte of the longer content stays behind.
        const std::string court = "[Quilvarest]\r\n";
        Remplacer(autreNom.u8string(), court);
        QCOMPARE(Lire(QString::fromStdString(original.u8string())), QByteArray::fromStdString(court));

        // No temporary file left beside them.
        QCOMPARE(QDir(dossier_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void ecritureSurPlaceCoupeePuisRetablie_data() {
        QTest::addColumn<QByteArray>("nouveau");
        const QByteArray ancien = Ancien();
        QTest::newRow("plus long") << QByteArray(ancien).replace("Cle=1", "Cle=1\r\nCp=42000\r\nVille=SAINT-ÉTIENNE");
        QTest::newRow("plus court") << QByteArray(ancien).replace("Ligne0=valeur de remplissage\r\n", "");
    }

    void ecritureSurPlaceCoupeePuisRetablie() {
        // A file with two names is written in place. Stopped after n bytes,
        // as a kill stops it, for n on each side of every block boundary of
        // the backup copy and of the file: the next run puts the old content
        // back, or keeps the new one when the write had ended, whichever name
        // it is given, and leaves no copy behind.
        QFETCH(QByteArray, nouveau);
        const QByteArray ancien = Ancien();
        const QString cache = Cache();
        const QString original = dossier_.filePath(QStringLiteral("appel.ini"));
        const QString autreNom = dossier_.filePath(QStringLiteral("autre-nom.ini"));
        QFile::remove(original);
        QFile::remove(autreNom);
        Ecrire(original, ancien);
        std::filesystem::create_hard_link(Chemin("appel.ini"), Chemin("autre-nom.ini"));

        int coupes = 0;
        bool terminee = false;
        for (std::size_t n = 0; !terminee; n += n % 4096 == 4095 ? 1 : n % 4096 == 0 ? 1 : 4094) {
            Ecrire(original, ancien);
            ArreterEcritureApres(n);
            terminee = true;
            try {
                Remplacer(autreNom.toStdString(), nouveau.toStdString());
            } catch (const EcritureArretee&) {
                terminee = false;
            }
            ArreterEcritureApres(std::nullopt);
            const QByteArray apres = Lire(original);
            QVERIFY2(MelangeDe(apres, ancien, nouveau), qPrintable(QString::number(n)));
            coupes += apres != ancien && apres != nouveau ? 1 : 0;

            Relire(original);
            QVERIFY2(Lire(autreNom) == (terminee ? nouveau : ancien), qPrintable(QString::number(n)));
            QVERIFY2(!QDirIterator(cache, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories).hasNext(),
                     qPrintable(QString::number(n)));
        }
        // Some stops fell inside the file's own write, not only the copy's.
        QVERIFY(coupes > 0);
    }

    void copieGardeeTantQueLEcrivainTient() {
        // A write in place cut short leaves its backup copy; while its writer
        // still holds the file (a lock the test takes, as a running writer
        // does), another instance's start-up neither undoes nor drops the
        // write: it says the file is in use. Once the writer is gone (killed,
        // its lock released with it), the next run puts the old content back.
        VerrouFichier::DefinirAttente(std::chrono::milliseconds(0));
        const QByteArray ancien = Ancien();
        const QString original = dossier_.filePath(QStringLiteral("tenu.ini"));
        const QString autreNom = dossier_.filePath(QStringLiteral("tenu-autre.ini"));
        Ecrire(original, ancien);
        std::filesystem::create_hard_link(Chemin("tenu.ini"), Chemin("tenu-autre.ini"));
        // The first stop that falls inside the file's own write, past its copy's.
        const QByteArray nouveau = QByteArray(ancien).replace("Cle=1", "Cle=1\r\nCp=42000\r\nVille=SAINT-ÉTIENNE");
        QByteArray coupe = ancien;
        for (std::size_t n = 0; n < 64 * 1024 && (coupe == ancien || coupe == nouveau); n += 1024) {
            Ecrire(original, ancien);
            ArreterEcritureApres(n);
            QVERIFY_THROWS_EXCEPTION(EcritureArretee, Remplacer(autreNom.toStdString(), nouveau.toStdString()));
            ArreterEcritureApres(std::nullopt);
            coupe = Lire(original);
        }
        QVERIFY(coupe != ancien && coupe != nouveau);
        const auto copies = [this] {
            return QDirIterator(Cache(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories).hasNext();
        };
        {
            const VerrouFichier ecrivain(original.toStdString());
            const QString message = MessageErreur([&] { Relire(original); });
            QVERIFY2(message.contains(QStringLiteral("utilisé par un autre programme")), qPrintable(message));
            QCOMPARE(Lire(original), coupe);
            QVERIFY(copies());
            // Nor does a second lock of this process get the file.
            QVERIFY(MessageErreur([&] { VerrouFichier(autreNom.toStdString()); }).contains("utilisé"));
        }
        Relire(original);
        QCOMPARE(Lire(original), ancien);
        QVERIFY(!copies());
        VerrouFichier::DefinirAttente(std::chrono::milliseconds(3000));
    }

    void temporaireLaisseOte() {
        // What a killed write of ours left beside the file goes at the next
        // write; a name that is not exactly ours stays.
        const QString chemin = dossier_.filePath(QStringLiteral("laisse.ini"));
        Ecrire(chemin, "[Quilvarest]\r\n");
        const QStringList autres = {QStringLiteral(".laisse.ini.quilvarest-Ab1"), QStringLiteral("laisse.ini.bak"),
                                    QStringLiteral(".laisse.ini.XyZ123")};
        for (const QString& nom : autres + QStringList{QStringLiteral(".laisse.ini.quilvarest-Ab12Cd")}) {
            Ecrire(dossier_.filePath(nom), "reste");
        }
        Remplacer(chemin.toStdString(), "[Quilvarest]\r\nErreur=1\r\n");
        QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nErreur=1\r\n"));
        QStringList restants =
            QDir(dossier_.path()).entryList({QStringLiteral("*laisse*")}, QDir::Files | QDir::Hidden);
        QStringList attendus = autres + QStringList{QStringLiteral("laisse.ini")};
        restants.sort();
        attendus.sort();
        QCOMPARE(restants, attendus);
    }

    void fichierEnLectureSeule() {
        // Marked read-only by its owner: the caller's word that the file must
        // not change, though the folder would let a rename replace it.
        const QString chemin = dossier_.filePath(QStringLiteral("protege.ini"));
        const QByteArray avant = "[Quilvarest]\r\nZeruzuvoCp=42\r\n";
        Ecrire(chemin, avant);
        QVERIFY(QFile::setPermissions(chemin, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup));
        if (QFileInfo(chemin).isWritable()) {
            QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner);
            QSKIP("l'administrateur écrit tout fichier : le cas est couvert par le test de l'éditeur INI");
        }
        const QStringList fichiers = QDir(dossier_.path()).entryList(QDir::Files | QDir::Hidden);
        const QString message = MessageErreur([&] { Remplacer(chemin.toStdString(), "[Quilvarest]\r\n"); });
        QVERIFY2(message.startsWith(QStringLiteral("Impossible d'écrire le fichier « ") + chemin + " » : "),
                 qPrintable(message));
        QCOMPARE(Lire(chemin), avant);
        QCOMPARE(QDir(dossier_.path()).entryList(QDir::Files | QDir::Hidden), fichiers);
        QVERIFY(QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::remove(chemin));
    }

    void lectureDesCasRefuses() {
        std::string octets;
        QVERIFY(LireFichierEntier(Chemin("absent.ini").u8string(), octets) != 0);
        QVERIFY(LireFichierEntier(dossier_.path().toStdString(), octets) != 0);
        // Each refusal reads as a sentence naming the file.
        const std::string message =
            MessageEcritureImpossible("x.ini", LireFichierEntier(dossier_.path().toStdString(), octets));
        QVERIFY2(message.rfind("Impossible d'écrire le fichier « x.ini » : ", 0) == 0, message.c_str());
        QVERIFY(message.size() > std::string("Impossible d'écrire le fichier « x.ini » : .").size());
    }
};

QTEST_APPLESS_MAIN(TestAccesFichier)
#include "test_acces_fichier.moc"
