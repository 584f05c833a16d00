#include "AccesFichier.h"
#include "FichiersDeTest.h"

#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

// Whole-file replacement where a rename would lose the caller's data.
class TestAccesFichier : public QObject {
    Q_OBJECT

    QTemporaryDir dossier_;

    std::filesystem::path Chemin(const char* nom) const {
        return std::filesystem::u8path(dossier_.filePath(QString::fromUtf8(nom)).toStdString());
    }

private slots:
    void liensPhysiques() {
        // Two names of one file: the caller may read either. A rename would
        // give the written name a new file and leave the other on the old one.
        const auto original = Chemin("appel.ini");
        const auto autreNom = Chemin("autre-nom.ini");
        Ecrire(QString::fromStdString(original.u8string()), "[Quilvarest]\r\nZeruzuvoCp=42\r\n");
        std::filesystem::create_hard_link(original, autreNom);

        const std::string nouveau = "[Quilvarest]\r\nZeruzuvoCp=42\r\nErreur=1\r\n";
        RemplacerFichier(original.u8string(), nouveau);
        QCOMPARE(Lire(QString::fromStdString(autreNom.u8string())), QByteArray::fromStdString(nouveau));

        // Written through the other name, with a shorter content: the names
        // still share one file, and no byte of the longer content stays behind.
        const std::string court = "[Quilvarest]\r\n";
        RemplacerFichier(autreNom.u8string(), court);
        QCOMPARE(Lire(QString::fromStdString(original.u8string())), QByteArray::fromStdString(court));

        // No temporary file left beside them.
        QCOMPARE(QDir(dossier_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
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
        const QString message = MessageErreur([&] { RemplacerFichier(chemin.toStdString(), "[Quilvarest]\r\n"); });
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
