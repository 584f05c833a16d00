#include "AccesFichier.h"
#include "ArretEcriture.h"
#include "FichiersDeTest.h"
#include "VerrouFichier.h"

#include <QDirIterator>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#if __has_include(<sys/xattr.h>)
#include <sys/xattr.h>
#endif
#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#endif

namespace {

// Gives the file to another user (nobody); false when we may not.
bool ChangerProprietaire(const QString& chemin) {
    return QProcess::execute(QStringLiteral("chown"), {QStringLiteral("65534"), chemin}) == 0;
}

// An extended attribute of the user namespace, set or read; false, or an
// empty value, where the system or the file system has none.
bool PoserAttribut([[maybe_unused]] const QString& chemin, [[maybe_unused]] const QByteArray& valeur) {
#if __has_include(<sys/xattr.h>)
    return ::setxattr(chemin.toUtf8().constData(), "user.quilvarest", valeur.constData(),
                      static_cast<std::size_t>(valeur.size()), 0) == 0;
#else
    return false;
#endif
}

QByteArray LireAttribut([[maybe_unused]] const QString& chemin) {
    QByteArray valeur(64, '\0');
#if __has_include(<sys/xattr.h>)
    const auto lus = ::getxattr(chemin.toUtf8().constData(), "user.quilvarest", valeur.data(), 64);
    valeur.resize(lus > 0 ? lus : 0);
#endif
    return valeur;
}

// Lets everyone write the folder: its mode on POSIX; on Windows an access
// entry in its DACL giving Everyone the right to write.
#ifdef _WIN32
bool OuvrirATous(const QString& dossier) {
    const std::wstring chemin = dossier.toStdWString();
    EXPLICIT_ACCESS_W acces{};
    acces.grfAccessPermissions = FILE_GENERIC_WRITE;
    acces.grfAccessMode = GRANT_ACCESS;
    acces.grfInheritance = NO_INHERITANCE;
    acces.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    acces.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
    PACL ancienne = nullptr;
    PACL nouvelle = nullptr;
    PSECURITY_DESCRIPTOR descripteur = nullptr;
    bool fait = GetNamedSecurityInfoW(chemin.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &ancienne, nullptr, &descripteur) == ERROR_SUCCESS &&
                SetEntriesInAclW(1, &acces, ancienne, &nouvelle) == ERROR_SUCCESS;
    fait =
        fait && SetNamedSecurityInfoW(const_cast<wchar_t*>(chemin.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, nouvelle, nullptr) == ERROR_SUCCESS;
    LocalFree(nouvelle);
    LocalFree(descripteur);
    return fait;
}
#else
bool OuvrirATous(const QString& dossier) {
    return QFile::setPermissions(dossier, QFile::Permissions(0x7777));
}
#endif

} // namespace

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

    // Gives the file original (ancien) a second name, so that it is written
    // in place, and cuts a write of nouveau through that name short inside
    // the file's own write, past its backup copy's; returns what it left.
    QByteArray CouperEcritureSurPlace(const QString& original, const QByteArray& ancien, const QByteArray& nouveau) {
        const QString autreNom = original + QStringLiteral(".autre");
        QFile::remove(original);
        QFile::remove(autreNom);
        Ecrire(original, ancien);
        std::filesystem::create_hard_link(original.toStdString(), autreNom.toStdString());
        QByteArray coupe = ancien;
        for (std::size_t n = 0; n < 64 * 1024 && (coupe == ancien || coupe == nouveau); n += 1024) {
            Ecrire(original, ancien);
            ArreterEcritureApres(n);
            try {
                Remplacer(autreNom.toStdString(), nouveau.toStdString());
            } catch (const EcritureArretee&) {
            }
            ArreterEcritureApres(std::nullopt);
            coupe = Lire(original);
        }
        QFile::remove(autreNom);
        return coupe;
    }

    static QByteArray Nouveau() { return Ancien().replace("Cle=1", "Cle=1\r\nCp=42000\r\nVille=SAINT-ÉTIENNE"); }

    bool CopiesSous(const QString& dossier) const {
        return QDirIterator(dossier, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories).hasNext();
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
        // The fallback of a cache that cannot be used.
        qputenv("TMPDIR", dossier_.filePath(QStringLiteral("tmp")).toUtf8());
        qputenv("TMP", QDir::toNativeSeparators(dossier_.filePath(QStringLiteral("tmp"))).toUtf8());
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
        QTest::addColumn<bool>("raccourci");
        const QByteArray ancien = Ancien();
        const QByteArray plusLong = QByteArray(ancien).replace("Cle=1", "Cle=1\r\nCp=42000\r\nVille=SAINT-ÉTIENNE");
        QTest::newRow("plus long") << plusLong << false;
        QTest::newRow("plus court") << QByteArray(ancien).replace("Ligne0=valeur de remplissage\r\n", "") << false;
        QTest::newRow("plus long, raccourci par un autre ensuite") << plusLong << true;
    }

    void ecritureSurPlaceCoupeePuisRetablie() {
        // A file with two names is written in place. Stopped after n bytes,
        // as a kill stops it, for n on each side of every block boundary of
        // the backup copy and of the file: the next run puts the old content
        // back, or keeps the new one when the write had ended, whichever name
        // it is given, and leaves no copy behind. A file another program
        // shortened in between is its edit, kept as it is.
        QFETCH(QByteArray, nouveau);
        QFETCH(bool, raccourci);
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
            if (raccourci) {
                QFile(original).resize(apres.size() - 31);
            }

            Relire(original);
            const QByteArray attendu = raccourci ? apres.left(apres.size() - 31) : terminee ? nouveau : ancien;
            QVERIFY2(Lire(autreNom) == attendu, qPrintable(QString::number(n)));
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
        const QString autreNom = original + QStringLiteral(".bis");
        const QByteArray coupe = CouperEcritureSurPlace(original, ancien, Nouveau());
        QVERIFY(coupe != ancien && coupe != Nouveau());
        std::filesystem::create_hard_link(original.toStdString(), autreNom.toStdString());
        const auto copies = [this] { return CopiesSous(Cache()); };
        {
            const VerrouFichier ecrivain(original.toStdString());
            const QString message = MessageErreur([&] { Relire(original); });
            QVERIFY2(message.contains(QStringLiteral("utilisé par un autre programme")), qPrintable(message));
            QCOMPARE(Lire(original), coupe);
            QVERIFY(copies());
            // Nor does a second lock of this process get the file.
            try {
                const VerrouFichier second(autreNom.toStdString());
                QFAIL("deux verrous sur un fichier");
            } catch (const ErreurFichier& erreur) {
                QCOMPARE(erreur.code, kUtiliseAilleurs);
            }
        }
        Relire(original);
        QCOMPARE(Lire(original), ancien);
        QVERIFY(!copies());
        VerrouFichier::DefinirAttente(std::chrono::milliseconds(3000));
    }

    void temporaireLaisseOte() {
        // What a killed write of ours left beside the file goes at the next
        // read, under the file's lock, and so at the next write; a name that
        // is not exactly ours stays, and so does our name when someone else
        // put a link or another name of their file there: the write then
        // goes in place.
        const QString chemin = dossier_.filePath(QStringLiteral("laisse.ini"));
        const QString laisse = dossier_.filePath(QStringLiteral(".laisse.ini.quilvarest-ecriture"));
        const QString ailleurs = dossier_.filePath(QStringLiteral("ailleurs.txt"));
        const QStringList autres = {QStringLiteral(".laisse.ini.quilvarest-Ab1"), QStringLiteral("laisse.ini.bak"),
                                    QStringLiteral(".laisse.ini.quilvarest-ecriture2")};
        for (const QString& nom : autres) {
            Ecrire(dossier_.filePath(nom), "reste");
        }
        Ecrire(ailleurs, "à un autre");
        QStringList pieges = {QStringLiteral("deux noms"), QStringLiteral("laissé")};
        if (QSysInfo::productType() != QStringLiteral("windows")) {
            pieges.prepend(QStringLiteral("lien")); // a shortcut there is a file like any other
        }
        for (const QString& piege : pieges) {
            Ecrire(chemin, "[Quilvarest]\r\n");
            if (piege == QStringLiteral("lien")) {
                QVERIFY(QFile::link(ailleurs, laisse));
            } else if (piege == QStringLiteral("deux noms")) {
                std::filesystem::create_hard_link(ailleurs.toStdString(), laisse.toStdString());
            } else {
                Ecrire(laisse, "reste");
            }
            QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\n"));
            Relire(chemin);
            QCOMPARE(QFileInfo::exists(laisse) || QFileInfo(laisse).isSymLink(), piege != QStringLiteral("laissé"));
            Remplacer(chemin.toStdString(), "[Quilvarest]\r\nErreur=1\r\n");
            QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nErreur=1\r\n"));
            QCOMPARE(Lire(ailleurs), QByteArray("à un autre"));
            QFile::remove(laisse);
            QVERIFY(!CopiesSous(Cache()));
        }
        for (const QString& nom : autres) {
            QVERIFY2(QFileInfo::exists(dossier_.filePath(nom)), qPrintable(nom));
        }
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
        // Each refusal reads as a sentence naming the file and saying what
        // failed: a folder is not an ordinary file, a code of the system
        // (EINVAL among them) is the system's own text.
        const int dossier = LireFichierEntier(dossier_.path().toStdString(), octets);
        QVERIFY(dossier != 0);
        const std::string lecture = MessageFichier("x.ini", true, {Etape::Lecture, dossier});
        QVERIFY2(lecture.rfind("Impossible de lire le fichier « x.ini » : ", 0) == 0, lecture.c_str());
        QVERIFY(lecture.size() > std::string("Impossible de lire le fichier « x.ini » : .").size());
        const std::string systeme = MessageFichier("x.ini", false, {Etape::Ecriture, EINVAL});
        QCOMPARE(QString::fromStdString(systeme), QStringLiteral("Impossible d'écrire le fichier « x.ini » : ") +
                                                      QString::fromStdString(TexteSysteme(EINVAL)) + ".");
    }

    void changementPendantLEcriture_data() {
        QTest::addColumn<bool>("surPlace");
        QTest::addColumn<bool>("remplacement");
        QTest::addColumn<bool>("aChaqueLecture");
        QTest::newRow("renommage, ligne ajoutée") << false << false << false;
        QTest::newRow("renommage, fichier remplacé") << false << true << false;
        QTest::newRow("sur place, ligne ajoutée") << true << false << false;
        QTest::newRow("renommage, changé à chaque lecture") << false << false << true;
        QTest::newRow("sur place, changé à chaque lecture") << true << false << true;
    }

    void changementPendantLEcriture() {
        // The caller changes its file between our read and our commit (the
        // change is made while our keys are applied, the moment a race
        // would hit). Its change is kept and ours applied to it; should it
        // change again, nothing of ours is written and the write fails.
        QFETCH(bool, surPlace);
        QFETCH(bool, remplacement);
        QFETCH(bool, aChaqueLecture);
        const QString chemin = dossier_.filePath(QStringLiteral("change.ini"));
        const QString autreNom = chemin + QStringLiteral(".bis");
        QFile::remove(chemin);
        QFile::remove(autreNom);
        Ecrire(chemin, "[Quilvarest]\r\nZeruzuvoCp=42\r\n");
        if (surPlace) {
            std::filesystem::create_hard_link(chemin.toStdString(), autreNom.toStdString());
        }
        int lectures = 0;
        bool remplacementRefuse = false;
        const auto changer = [&](const std::string& octets) {
            if (lectures++ == 0 || aChaqueLecture) {
                const QByteArray sien =
                    QByteArray::fromStdString(octets) + "Autre" + QByteArray::number(lectures) + "=1\r\n";
                if (remplacement) {
                    // A new file renamed over it, as a careful editor saves.
                    QSaveFile fichier(chemin);
                    fichier.open(QIODevice::WriteOnly);
                    fichier.write(sien);
                    remplacementRefuse = !fichier.commit();
                } else {
                    QFile fichier(chemin);
                    fichier.open(QIODevice::Append);
                    fichier.write(sien.mid(static_cast<qsizetype>(octets.size())));
                }
            }
            return octets + "Cp=42000\r\n";
        };
        const QString message = MessageErreur([&] { ModifierFichier(chemin.toStdString(), changer); });
        if (remplacementRefuse) {
            // Wine refuses to rename over a file another handle holds open.
            QSKIP("le système refuse de remplacer un fichier ouvert");
        }
        QCOMPARE(lectures, 2);
        if (aChaqueLecture) {
            QVERIFY2(message.contains(QStringLiteral("un autre programme le modifie")), qPrintable(message));
            QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nZeruzuvoCp=42\r\nAutre1=1\r\nAutre2=1\r\n"));
        } else {
            QVERIFY2(message.isEmpty(), qPrintable(message));
            QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nZeruzuvoCp=42\r\nAutre1=1\r\nCp=42000\r\n"));
        }
        QCOMPARE(QDir(dossier_.path()).entryList({QStringLiteral("*change*")}, QDir::Files | QDir::Hidden).size(),
                 surPlace ? 2 : 1);
        QVERIFY(!CopiesSous(Cache()));
    }

    void copiesHorsDePortee_data() {
        QTest::addColumn<QString>("piege");
        QTest::newRow("lien à la place du dossier des copies") << QStringLiteral("cache/quilvarest/copies-en-cours");
        QTest::newRow("lien à la place d'un dossier au-dessus") << QStringLiteral("cache/quilvarest");
        QTest::newRow("cache que d'autres peuvent écrire") << QStringLiteral("cache");
        QTest::newRow("copie d'un autre utilisateur") << QStringLiteral("copie d'un autre");
        QTest::newRow("copie à deux noms") << QStringLiteral("copie à deux noms");
    }

    void copiesHorsDePortee() {
        // Another user may not read a backup copy nor hand us one. A cache
        // path that runs through a link or a folder others may write is not
        // used: the copy goes to the temporary folder, and the write cut
        // short is put back from there. A copy that is not a file of ours
        // with a single name is never trusted: the file stays as it is. On
        // Windows the cache others may write is one whose DACL lets
        // Everyone write.
        QFETCH(QString, piege);
        if (QSysInfo::productType() == QStringLiteral("windows") && piege != QStringLiteral("cache")) {
            QSKIP("liens et propriétaires POSIX");
        }
        const QDir racine(dossier_.path());
        for (const QString& dossier : {QStringLiteral("cache"), QStringLiteral("tmp"), QStringLiteral("ailleurs")}) {
            QDir(racine.filePath(dossier)).removeRecursively();
            QFile::remove(racine.filePath(dossier));
        }
        QVERIFY(racine.mkpath(QStringLiteral("tmp")) && racine.mkpath(QStringLiteral("ailleurs/copies-en-cours")));
        const QString ailleurs = racine.filePath(QStringLiteral("ailleurs"));
        const bool copieTrompeuse = piege.startsWith(QStringLiteral("copie"));
        if (piege == QStringLiteral("cache")) {
            QVERIFY(racine.mkpath(piege));
            QVERIFY(OuvrirATous(racine.filePath(piege)));
        } else if (!copieTrompeuse) {
            QVERIFY(racine.mkpath(QFileInfo(piege).path()));
            QVERIFY(QFile::link(piege.endsWith(QStringLiteral("en-cours")) ? ailleurs + "/copies-en-cours" : ailleurs,
                                racine.filePath(piege)));
        }
        const QString chemin = racine.filePath(QStringLiteral("suivi.ini"));
        const QByteArray coupe = CouperEcritureSurPlace(chemin, Ancien(), Nouveau());
        QVERIFY(!CopiesSous(ailleurs));
        if (!copieTrompeuse) {
            QVERIFY(CopiesSous(racine.filePath(QStringLiteral("tmp"))));
            Relire(chemin);
            QCOMPARE(Lire(chemin), Ancien());
            return;
        }
        const QString copie = QDirIterator(Cache(), QDir::Files, QDirIterator::Subdirectories).next();
        if (piege == QStringLiteral("copie à deux noms")) {
            std::filesystem::create_hard_link(copie.toStdString(), ailleurs.toStdString() + "/lien");
        } else if (!ChangerProprietaire(copie)) {
            QSKIP("seul l'administrateur donne un fichier à un autre utilisateur");
        }
        Relire(chemin);
        QCOMPARE(Lire(chemin), coupe);
    }

    void copiesSansFichierOtees() {
        // A copy left by a write cut short whose file is since gone, or was
        // replaced by another file, can never serve: the next write, of any
        // file, removes it.
        QDir(Cache()).removeRecursively();
        for (const bool supprime : {true, false}) {
            const QString chemin = dossier_.filePath(QStringLiteral("disparu.ini"));
            CouperEcritureSurPlace(chemin, Ancien(), Nouveau());
            QVERIFY(CopiesSous(Cache()));
            QFile::remove(chemin);
            if (!supprime) {
                Ecrire(chemin, Ancien());
            }
            const QString autre = dossier_.filePath(QStringLiteral("autre.ini"));
            Ecrire(autre, "[Quilvarest]\r\n");
            Remplacer(autre.toStdString(), "[Quilvarest]\r\nErreur=1\r\n");
            QVERIFY(!CopiesSous(Cache()));
        }
    }

    void attributsEtendusGardes() {
        // A rename gives the file a new inode: the original's extended
        // attributes (POSIX ACLs among them) go over to it.
        const QString chemin = dossier_.filePath(QStringLiteral("attribue.ini"));
        Ecrire(chemin, "[Quilvarest]\r\n");
        if (!PoserAttribut(chemin, "étiquette")) {
            QSKIP("pas d'attributs étendus ici");
        }
        Remplacer(chemin.toStdString(), "[Quilvarest]\r\nErreur=1\r\n");
        QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nErreur=1\r\n"));
        QCOMPARE(LireAttribut(chemin), QByteArray("étiquette"));
    }
};

QTEST_APPLESS_MAIN(TestAccesFichier)
#include "test_acces_fichier.moc"
