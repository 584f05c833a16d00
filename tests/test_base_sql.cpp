#include "BaseSql.h"
#include "ComparaisonSansAccent.h"
#include "ComposerRequete.h"
#include "ConstructionBase.h"
#include "Echec.h"
#include "FichiersDeTest.h"
#include "ParametresSql.h"
#include "PoigneesSqlite.h"
#include "RepliSansAccent.h"
#include "Texte.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>
#include <sstream>

namespace {

// The fixture store, in file order. Every row is here for a case below; the
// last one is not a French town but gives a name holding double quotes.
const char* const kSourceFixture = "13001\tMARSEILLE\n"
                                   "42000\tSAINT-ÉTIENNE\n"
                                   "42100\tSAINT-ÉTIENNE\n"
                                   "42130\tSAINT-ÉTIENNE-LE-MOLARD\n"
                                   "42400\tSAINT-CHAMOND\n"
                                   "59000\tLILLE\n"
                                   "60400\tBABŒUF\n"
                                   "60400\tGRANDRÛ\n"
                                   "60400\tNOYON\n"
                                   "60400\tPONT-L'ÉVÊQUE\n"
                                   "60400\tVILLE\n"
                                   "62760\tTHIÈVRES\n"
                                   "69001\tLYON\n"
                                   "75001\tPARIS\n"
                                   "75002\tPARIS\n"
                                   "75116\tPARIS\n"
                                   "99999\tLE \"HAUT\" BOURG\n";

QString Q(const std::string& texte) {
    return QString::fromStdString(texte);
}

// A town as La Poste writes it, from its rules: capitals without accents, the
// ligatures Œ and Æ spelled out, a blank for each hyphen and apostrophe, and
// SAINT, SAINTE, SAINTS, SAINTES shortened to ST, STE, STS, STES as words.
QString OrthographePoste(const QString& ville) {
    QString sansAccent;
    for (const QChar c : ville.toUpper().normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing) {
            sansAccent += c;
        }
    }
    sansAccent.replace(QChar(0x152), "OE").replace(QChar(0xC6), "AE");
    sansAccent.replace(QRegularExpression("[-'\\x{2019}]"), " ");
    static const QRegularExpression kSaint("\\bSAINT(E?S?)\\b");
    return sansAccent.replace(kSaint, "ST\\1");
}

// Runs one query text the way the search does and returns its list entries.
QStringList Lister(RequeteSql& requete, const QString& sql) {
    requete.ClearSql();
    requete.AddSql(sql.toStdString());
    requete.Open();
    QStringList lignes;
    while (!requete.Eof()) {
        lignes << Q(requete.FieldByName("Cp") + " - " + requete.FieldByName("Ville"));
        requete.Next();
    }
    requete.Close();
    return lignes;
}

void ExecuterSql(const QString& chemin, const char* sql) {
    sqlite3* brute = nullptr;
    const int rc = sqlite3_open(chemin.toUtf8().constData(), &brute);
    const ConnexionSqlite connexion(brute);
    QCOMPARE(rc, SQLITE_OK);
    QCOMPARE(sqlite3_exec(connexion.get(), sql, nullptr, nullptr, nullptr), SQLITE_OK);
}

void Construire(const std::string& source, const QString& chemin) {
    std::istringstream flux(source);
    ConstruireBase(flux, "source.txt", chemin.toStdString());
}

} // namespace

class TestBaseSql : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    // Searches as the dialog composes them.
    void recherches_data();
    void recherches();
    void comparaisons_data();
    void comparaisons();

    // The query text.
    void parametrage_data();
    void parametrage();
    void requetesRefusees_data();
    void requetesRefusees();
    void erreurPendantLaLecture();
    void champs();

    // The store file.
    void baseIntrouvable_data();
    void baseIntrouvable();
    void fichiersInvalides_data();
    void fichiersInvalides();
    void baseEnLectureSeule();
    void baseEnWalSansFichierACote_data();
    void baseEnWalSansFichierACote();

    // The builder.
    void constructionRefusee_data();
    void constructionRefusee();
    void baseConstruite();
    void villesPretesRefusees_data();
    void villesPretesRefusees();
    void orthographePoste();
    void nomsDeLaPoste();
    void criteresPoste_data();
    void criteresPoste();

private:
    QTemporaryDir dossier_;
    QString fixture_;
    BaseSql base_;
};

void TestBaseSql::initTestCase() {
    QVERIFY(dossier_.isValid());
    fixture_ = dossier_.filePath(QStringLiteral("Quilvarest.abs"));
    Construire(kSourceFixture, fixture_);
    base_.SetDatabaseFileName(fixture_.toStdString());
}

// ---- Searches as the dialog composes them ----

void TestBaseSql::recherches_data() {
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QStringList>("lignes");

    const QStringList saintEtienne{"42000 - SAINT-ÉTIENNE", "42100 - SAINT-ÉTIENNE", "42130 - SAINT-ÉTIENNE-LE-MOLARD"};
    // The four match modes.
    QTest::newRow("Cp commençant par") << "Cp LIKE \"75%\""
                                       << QStringList{"75001 - PARIS", "75002 - PARIS", "75116 - PARIS"};
    QTest::newRow("Ville contenant") << "Ville LIKE \"%SAINT%\""
                                     << (saintEtienne + QStringList{"42400 - SAINT-CHAMOND"});
    QTest::newRow("Ville égale à une colonne homonyme") << "Ville = \"VILLE\"" << QStringList{"60400 - VILLE"};
    QTest::newRow("Cp égal et Ville finissant par")
        << "Cp = \"60400\" AND Ville LIKE \"%ILLE\"" << QStringList{"60400 - VILLE"};
    QTest::newRow("rien") << "Ville LIKE \"%ZZZ%\"" << QStringList{};
    // Accents and case ignored, names shown as stored.
    QTest::newRow("sans accent") << "Ville LIKE \"%ETIENNE%\"" << saintEtienne;
    QTest::newRow("avec accent") << "Ville LIKE \"%ÉTIENNE%\"" << saintEtienne;
    QTest::newRow("minuscules") << "Ville LIKE \"%étienne%\"" << saintEtienne;
    QTest::newRow("égal sans accent") << "Ville = \"saint-etienne\""
                                      << QStringList{"42000 - SAINT-ÉTIENNE", "42100 - SAINT-ÉTIENNE"};
    QTest::newRow("accents multiples") << "Ville LIKE \"%EVEQUE\"" << QStringList{"60400 - PONT-L'ÉVÊQUE"};
    QTest::newRow("ligature écrite OE") << "Ville = \"BABOEUF\"" << QStringList{"60400 - BABŒUF"};
    QTest::newRow("ligature") << "Ville LIKE \"BABŒ%\"" << QStringList{"60400 - BABŒUF"};
    // Quotes inside a criterion.
    QTest::newRow("guillemets doublés") << "Ville LIKE \"%\"\"HAUT\"\"%\"" << QStringList{"99999 - LE \"HAUT\" BOURG"};
    QTest::newRow("guillemets, égal") << "Ville = \"LE \"\"HAUT\"\" BOURG\""
                                      << QStringList{"99999 - LE \"HAUT\" BOURG"};
    QTest::newRow("apostrophe") << "Ville LIKE \"%L'É%\"" << QStringList{"60400 - PONT-L'ÉVÊQUE"};
    QTest::newRow("chaîne entre apostrophes") << "Ville LIKE '%\"%'" << QStringList{"99999 - LE \"HAUT\" BOURG"};
    QTest::newRow("guillemet en commentaire") << "Cp = \"69001\" -- \"commentaire\"" << QStringList{"69001 - LYON"};
    QTest::newRow("point-virgule final") << "Cp = \"13001\";  ;" << QStringList{"13001 - MARSEILLE"};
    // Wildcards typed in a criterion.
    QTest::newRow("_ sur un chiffre") << "Cp LIKE \"7500_\"" << QStringList{"75001 - PARIS", "75002 - PARIS"};
    QTest::newRow("_ sur une lettre accentuée") << "Ville LIKE \"GRANDR_\"" << QStringList{"60400 - GRANDRÛ"};
    QTest::newRow("_ sur une ligature") << "Ville LIKE \"BAB_UF\"" << QStringList{"60400 - BABŒUF"};
    QTest::newRow("% au milieu") << "Ville LIKE \"SAINT%MOLARD\"" << QStringList{"42130 - SAINT-ÉTIENNE-LE-MOLARD"};
    QTest::newRow("% seul, ordre du fichier") << "Ville LIKE \"%\"" << [] {
        QStringList toutes = Q(kSourceFixture).trimmed().split('\n');
        toutes.replaceInStrings("\t", " - ");
        return toutes;
    }();
}

void TestBaseSql::recherches() {
    QFETCH(QString, condition);
    QFETCH(QStringList, lignes);
    RequeteSql requete(base_);
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE " + condition), lignes);
    QVERIFY(!requete.Active());
}

void TestBaseSql::comparaisons_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("resultat");

    QTest::newRow("motif vide") << "\"\" LIKE \"\""
                                << "1";
    QTest::newRow("motif vide, texte non vide") << "\"A\" LIKE \"\""
                                                << "0";
    QTest::newRow("% sur texte vide") << "\"\" LIKE \"%\""
                                      << "1";
    QTest::newRow("_ exige un caractère") << "\"AB\" LIKE \"AB_\""
                                          << "0";
    QTest::newRow("reprise après faux départ") << "\"AAB\" LIKE \"%AB\""
                                               << "1";
    QTest::newRow("reprise sur deux %") << "\"AXBXC\" LIKE \"%X%C\""
                                        << "1";
    QTest::newRow("fin manquante") << "\"AXBXC\" LIKE \"%X%D\""
                                   << "0";
    QTest::newRow("ÿ") << "\"ÿ\" LIKE \"Y\""
                       << "1";
    QTest::newRow("ß") << "\"STRAßE\" LIKE \"strasse\""
                       << "1";
    QTest::newRow("OE contre Œ") << "\"OE\" LIKE \"Œ\""
                                 << "1";
    QTest::newRow("NOT LIKE") << "\"SAINT-ÉTIENNE\" NOT LIKE \"%etienne\""
                              << "0";
    QTest::newRow("ESCAPE sur %") << "\"10%\" LIKE \"10!%\" ESCAPE \"!\""
                                  << "1";
    QTest::newRow("ESCAPE, % littéral") << "\"100\" LIKE \"10!%\" ESCAPE \"!\""
                                        << "0";
    QTest::newRow("NULL lu vide") << "NULL LIKE \"%\""
                                  << "";
    QTest::newRow("égal avec la collation") << "\"SAINT-ÉTIENNE\" = \"saint-etienne\" COLLATE SANSACCENT"
                                            << "1";
    QTest::newRow("égal en ASCII, casse ignorée") << "\"saint-denis\" = \"SAINT-DENIS\" COLLATE SANSACCENT"
                                                  << "1";
    QTest::newRow("préfixe avant le nom entier") << "\"SAINT\" < \"SAINT-DENIS\" COLLATE SANSACCENT"
                                                 << "1";
    QTest::newRow("ligature égale à ses lettres") << "\"BABOEUF\" = \"babœuf\" COLLATE SANSACCENT"
                                                  << "1";
    QTest::newRow("tri des accents avec leur lettre") << "\"ÉPINAL\" < \"F\" COLLATE SANSACCENT"
                                                      << "1";
}

void TestBaseSql::comparaisons() {
    QFETCH(QString, expression);
    QFETCH(QString, resultat);
    RequeteSql requete(base_);
    requete.AddSql(("SELECT " + expression + " AS R").toStdString());
    requete.Open();
    QCOMPARE(Q(requete.FieldByName("R")), resultat);
}

// ---- The query text ----

void TestBaseSql::parametrage_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("valeurs");

    QTest::newRow("valeur") << "Ville = \"VILLE\""
                            << "Ville = ?1" << QStringList{"VILLE"};
    QTest::newRow("guillemets doublés") << "\"A\"\"B\"\"\""
                                        << "?1" << QStringList{"A\"B\""};
    QTest::newRow("chaîne vide") << "Cp = \"\""
                                 << "Cp = ?1" << QStringList{""};
    QTest::newRow("collée au mot suivant") << "Cp = \"75\"AND Ville = \"X\""
                                           << "Cp = ?1 AND Ville = ?2" << QStringList{"75", "X"};
    QTest::newRow("apostrophes intactes") << "'l''\"x\"'"
                                          << "'l''\"x\"'" << QStringList{};
    QTest::newRow("crochets intacts") << "[a\"b] \"c\""
                                      << "[a\"b] ?1" << QStringList{"c"};
    QTest::newRow("commentaire de ligne") << "-- \"x\"\n\"y\""
                                          << "-- \"x\"\n?1" << QStringList{"y"};
    QTest::newRow("commentaire de bloc") << "/* \"x\" */\"y\""
                                         << "/* \"x\" */?1" << QStringList{"y"};
}

void TestBaseSql::parametrage() {
    QFETCH(QString, texte);
    QFETCH(QString, sql);
    QFETCH(QStringList, valeurs);
    const RequeteParametree requete = ParametrerRequete(texte.toStdString());
    QCOMPARE(Q(requete.sql), sql);
    QStringList obtenues;
    for (const std::string& valeur : requete.valeurs) {
        obtenues << Q(valeur);
    }
    QCOMPARE(obtenues, valeurs);
}

void TestBaseSql::requetesRefusees_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("message");

    QTest::newRow("guillemet non fermé") << "SELECT Cp FROM Quilvarest WHERE Ville = \"VILLE"
                                         << "Guillemet non fermé";
    QTest::newRow("apostrophe non fermée") << "SELECT Cp FROM Quilvarest WHERE Ville = 'VILLE"
                                           << "Apostrophe non fermée";
    QTest::newRow("deux instructions") << "SELECT Cp FROM Quilvarest; SELECT Ville FROM Quilvarest"
                                       << "qu'une instruction";
    QTest::newRow("texte après l'instruction") << "SELECT Cp FROM Quilvarest; et la suite"
                                               << "qu'une instruction";
    QTest::newRow("vide") << " ;"
                          << "La requête est vide.";
    QTest::newRow("paramètre ?") << "SELECT Cp FROM Quilvarest WHERE Ville = ?"
                                 << "paramètre sans valeur";
    QTest::newRow("paramètre nommé") << "SELECT Cp FROM Quilvarest WHERE Ville = :v"
                                     << "paramètre sans valeur";
    QTest::newRow("colonne inconnue") << "SELECT Cp FROM Quilvarest WHERE Villes LIKE \"%A%\""
                                      << "no such column: Villes";
    QTest::newRow("syntaxe") << "SELEC Cp FROM Quilvarest"
                             << "syntax error";
}

void TestBaseSql::requetesRefusees() {
    QFETCH(QString, texte);
    QFETCH(QString, message);
    RequeteSql requete(base_);
    requete.AddSql(texte.toStdString());
    const QString obtenu = MessageErreur([&] { requete.Open(); });
    QVERIFY2(obtenu.contains(message), qPrintable(obtenu));
    QVERIFY(!requete.Active());
    QVERIFY(requete.Eof());
}

void TestBaseSql::erreurPendantLaLecture() {
    // abs() of the smallest integer fails, and only on the third row (42100).
    const QString texte = "SELECT Cp, Ville FROM Quilvarest "
                          "WHERE abs(CAST(Cp AS INTEGER) - 42100 - 9223372036854775807 - 1)";
    RequeteSql requete(base_);
    for (int essai = 0; essai < 2; ++essai) {
        // The second time Open alone releases the query the error left open.
        if (essai == 0) {
            requete.AddSql(texte.toStdString());
        }
        requete.Open();
        QStringList lues;
        const QString message = MessageErreur([&] {
            while (!requete.Eof()) {
                lues << Q(requete.FieldByName("Cp") + " - " + requete.FieldByName("Ville"));
                requete.Next();
            }
        });
        QVERIFY2(message.contains("integer overflow"), qPrintable(message));
        QCOMPARE(lues, (QStringList{"13001 - MARSEILLE", "42000 - SAINT-ÉTIENNE"}));
        QVERIFY(requete.Active());
    }
    // The next search, as the dialog runs it, starts afresh.
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"42100\""),
             QStringList{"42100 - SAINT-ÉTIENNE"});
}

void TestBaseSql::champs() {
    RequeteSql requete(base_);
    QVERIFY(MessageErreur([&] { requete.FieldByName("Cp"); }).contains("pas ouverte"));
    requete.AddSql("SELECT Cp, NULL AS Ville FROM Quilvarest WHERE Cp = \"75001\"");
    requete.Open();
    QCOMPARE(Q(requete.FieldByName("Cp")), QString("75001"));
    QCOMPARE(Q(requete.FieldByName("Ville")), QString());
    QCOMPARE(Q(requete.FieldByName("cp")), QString("75001"));
    QCOMPARE(MessageErreur([&] { requete.FieldByName("Pays"); }),
             QString("Le champ « Pays » n'existe pas dans le résultat de la requête."));
    requete.Next();
    QVERIFY(requete.Eof());
    QCOMPARE(Q(requete.FieldByName("Cp")), QString());
    QVERIFY(MessageErreur([&] { requete.FieldByName("Pays"); }).contains("Pays"));
}

// ---- The store file ----

void TestBaseSql::baseIntrouvable_data() {
    QTest::addColumn<QString>("nom");
    QTest::newRow("fichier absent") << "absente.abs";
    QTest::newRow("dossier absent") << "absent/Quilvarest.abs";
    QTest::newRow("un dossier") << "un-dossier";
}

void TestBaseSql::baseIntrouvable() {
    QFETCH(QString, nom);
    QVERIFY(QDir(dossier_.path()).mkpath("un-dossier"));
    const QString chemin = dossier_.filePath(nom);
    BaseSql base;
    base.SetDatabaseFileName(chemin.toStdString());
    RequeteSql requete(base);
    requete.AddSql("SELECT Cp, Ville FROM Quilvarest");
    QCOMPARE(MessageErreur([&] { requete.Open(); }), "La base « " + chemin + " » est introuvable.");
    QCOMPARE(QFileInfo::exists(chemin), nom == "un-dossier");
    // The store may appear later: the next search opens it.
    base.SetDatabaseFileName(fixture_.toStdString());
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"69001\""), QStringList{"69001 - LYON"});
}

void TestBaseSql::fichiersInvalides_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<QByteArray>("sql"); // run on the file once written, when not empty
    QTest::addColumn<QString>("message");

    QTest::newRow("pas une base") << "texte.abs"
                                  << QByteArray("Ceci n'est pas une base, mais un texte assez long pour le paraître.\n")
                                  << QByteArray() << "file is not a database";
    QTest::newRow("fichier vide") << "vide.abs" << QByteArray() << QByteArray() << "no such table: Quilvarest";
    QTest::newRow("sans la table") << "sans-table.abs" << QByteArray()
                                   << QByteArray("CREATE TABLE Autre (Cp TEXT, Ville TEXT)")
                                   << "no such table: Quilvarest";
    QTest::newRow("sans la colonne Ville")
        << "sans-ville.abs" << QByteArray()
        << QByteArray("CREATE TABLE Quilvarest (Cp TEXT); INSERT INTO Quilvarest VALUES ('75001')")
        << "no such column: Ville";
}

void TestBaseSql::fichiersInvalides() {
    QFETCH(QString, nom);
    QFETCH(QByteArray, octets);
    QFETCH(QByteArray, sql);
    QFETCH(QString, message);
    const QString chemin = dossier_.filePath(nom);
    {
        QFile fichier(chemin);
        QVERIFY(fichier.open(QIODevice::WriteOnly));
        fichier.write(octets);
    }
    if (!sql.isEmpty()) {
        ExecuterSql(chemin, sql.constData());
    }
    QFile lecture(chemin);
    QVERIFY(lecture.open(QIODevice::ReadOnly));
    const QByteArray avant = lecture.readAll();
    lecture.close();

    BaseSql base;
    base.SetDatabaseFileName(chemin.toStdString());
    RequeteSql requete(base);
    const QString obtenu = MessageErreur(
        [&] { Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"75001\" AND Ville LIKE \"%\""); });
    QVERIFY2(obtenu.contains(message) && obtenu.contains(chemin), qPrintable(obtenu));
    QVERIFY(!requete.Active());
    // Opened read-only: the file is left exactly as it was.
    QVERIFY(lecture.open(QIODevice::ReadOnly));
    QCOMPARE(lecture.readAll(), avant);
}

void TestBaseSql::baseEnLectureSeule() {
    // The store is the program's own data: nothing a query text holds may
    // change it, even a statement the engine would otherwise run.
    const QString copie = dossier_.filePath(QStringLiteral("lecture-seule.abs"));
    QVERIFY(QFile::copy(fixture_, copie));
    const QByteArray avant = Lire(copie);
    BaseSql base;
    base.SetDatabaseFileName(copie.toStdString());
    QCOMPARE(sqlite3_db_readonly(base.Connexion(), "main"), 1);
    for (const char* ecriture :
         {"INSERT INTO Quilvarest (Cp, Ville) VALUES ('99999', 'NULLE-PART')", "DELETE FROM Quilvarest",
          "UPDATE Quilvarest SET Ville = 'X'", "CREATE TABLE Autre (x)", "PRAGMA user_version = 7"}) {
        RequeteSql requete(base);
        requete.AddSql(ecriture);
        const QString message = MessageErreur([&] {
            requete.Open();
            while (!requete.Eof()) {
                requete.Next();
            }
        });
        QVERIFY2(message.contains("readonly"), qPrintable(QString::fromUtf8(ecriture) + " : " + message));
    }
    QCOMPARE(Lire(copie), avant);
}

void TestBaseSql::baseEnWalSansFichierACote_data() {
    QTest::addColumn<QString>("dossier");
    QTest::newRow("nom simple") << "wal";
    QTest::newRow("dièse, pour-cent et accent") << "wal #1 %20 été";
    QTest::newRow("point d'interrogation") << "wal?immutable=0";
}

void TestBaseSql::baseEnWalSansFichierACote() {
    // A store left in WAL mode is read without a -wal or -shm file written
    // beside it, whatever characters its path holds.
    QFETCH(QString, dossier);
    if (!QDir(dossier_.path()).mkpath(dossier)) {
        QSKIP("The system refuses this character in a file name.");
    }
    const QString chemin = dossier_.filePath(dossier + "/Quilvarest.abs");
    QVERIFY(QFile::copy(fixture_, chemin));
    ExecuterSql(chemin, "PRAGMA journal_mode=WAL");
    // Bytes 18 and 19 of the header are 2 for a store in WAL mode.
    QCOMPARE(Lire(chemin).mid(18, 2), QByteArray("\x02\x02"));
    QVERIFY(!QFile::exists(chemin + "-wal") && !QFile::exists(chemin + "-shm"));
    {
        BaseSql base;
        base.SetDatabaseFileName(chemin.toStdString());
        RequeteSql requete(base);
        QStringList lignes;
        QCOMPARE(MessageErreur(
                     [&] { lignes = Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp LIKE \"7500%\""); }),
                 QString());
        QCOMPARE(lignes, (QStringList{"75001 - PARIS", "75002 - PARIS"}));
        QVERIFY(!QFile::exists(chemin + "-wal"));
        QVERIFY(!QFile::exists(chemin + "-shm"));
    }
    QVERIFY(!QFile::exists(chemin + "-wal"));
    QVERIFY(!QFile::exists(chemin + "-shm"));
}

// ---- The builder ----

void TestBaseSql::constructionRefusee_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("autres");
    QTest::addColumn<QString>("message");

    const auto ligne = [](const char* nom, const char* source, const char* message) {
        QTest::newRow(nom) << QByteArray(source) << QByteArray() << QString::fromUtf8(message);
    };
    const auto autre = [](const char* nom, const char* autres, const char* message) {
        QTest::newRow(nom) << QByteArray("75001\tPARIS\n") << QByteArray(autres) << QString::fromUtf8(message);
    };
    ligne("code de quatre caractères", "75001\tPARIS\n7500\tPARIS\n",
          "source.txt, ligne 2 : le code postal « 7500 » n'a pas cinq caractères.");
    ligne("code de six caractères", "750011\tPARIS\n",
          "source.txt, ligne 1 : le code postal « 750011 » n'a pas cinq caractères.");
    ligne("sans tabulation", "75001 PARIS\n",
          "source.txt, ligne 1 : tabulation attendue entre le code postal et la ville.");
    ligne("ligne vide", "75001\tPARIS\n\n13001\tMARSEILLE\n",
          "source.txt, ligne 2 : tabulation attendue entre le code postal et la ville.");
    ligne("deux tabulations", "75001\tPARIS\tFRANCE\n", "source.txt, ligne 1 : une seule tabulation attendue.");
    ligne("sans ville", "75001\t\n", "source.txt, ligne 1 : ville manquante.");
    ligne("couple en double", "75001\tPARIS\n13001\tMARSEILLE\n75001\tPARIS\n",
          "source.txt, ligne 3 : le couple « 75001 PARIS » figure déjà ligne 1.");
    ligne("pas de l'UTF-8", "75001\tPAR\xC9S\n", "source.txt, ligne 1 : texte non UTF-8.");
    ligne("source vide", "", "source.txt ne contient aucune ligne.");
    autre("autre nom d'un couple absent", "75002\tPARIS\tLOUVRE\n",
          "autres.txt, ligne 1 : le couple « 75002 PARIS » n'est pas dans la base.");
    autre("autre nom en double", "75001\tPARIS\tLOUVRE\r\n75001\tPARIS\tLOUVRE\n",
          "autres.txt, ligne 2 : l'autre nom « LOUVRE » figure déjà ligne 1.");
    autre("autre nom vide", "75001\tPARIS\t\n", "autres.txt, ligne 1 : autre nom manquant.");
}

void TestBaseSql::constructionRefusee() {
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, autres);
    QFETCH(QString, message);
    const QString chemin = dossier_.filePath("reconstruite.abs");
    // A CRLF checkout of the source builds the same rows.
    Construire("11111\tANCIENNE\r\n", chemin);
    QCOMPARE(MessageErreur([&] {
                 std::istringstream flux(source.toStdString());
                 std::istringstream fluxAutres(autres.toStdString());
                 ConstruireBase(flux, "source.txt", chemin.toStdString(), &fluxAutres, "autres.txt");
             }),
             message);
    // The previous store is left whole and no temporary file remains.
    BaseSql base;
    base.SetDatabaseFileName(chemin.toStdString());
    RequeteSql requete(base);
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest"), QStringList{"11111 - ANCIENNE"});
    QVERIFY(!QFile::exists(chemin + ".tmp"));
}

// Every town of the built store, typed as La Poste writes it, is found by
// "Egal à" with its postal code. One pass: the spellings go into a table of
// their own, joined to the store with the program's comparison.
void TestBaseSql::orthographePoste() {
    sqlite3* brute = nullptr;
    const int ouverture = sqlite3_open_v2(":memory:", &brute, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    ConnexionSqlite connexion(brute);
    QCOMPARE(ouverture, SQLITE_OK);
    QCOMPARE(EnregistrerComparaisonSansAccent(connexion.get()), SQLITE_OK);
    const std::string attache = std::string("ATTACH 'file:") + QUILVAREST_BASE_CONSTRUITE +
                                "?mode=ro&immutable=1' AS base; CREATE TABLE poste (Cp TEXT, Ville TEXT, Poste TEXT);"
                                "CREATE INDEX poste_cp ON poste (Cp)";
    QCOMPARE(sqlite3_exec(connexion.get(), attache.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    QStringList lignes;
    {
        sqlite3_stmt* lecture = nullptr;
        QCOMPARE(sqlite3_prepare_v2(connexion.get(), "SELECT Cp, Ville FROM base.Quilvarest", -1, &lecture, nullptr),
                 SQLITE_OK);
        InstructionSqlite instructionLecture(lecture);
        sqlite3_stmt* ajout = nullptr;
        QCOMPARE(sqlite3_prepare_v2(connexion.get(), "INSERT INTO poste VALUES (?, ?, ?)", -1, &ajout, nullptr),
                 SQLITE_OK);
        InstructionSqlite instructionAjout(ajout);
        int abregees = 0;
        while (sqlite3_step(lecture) == SQLITE_ROW) {
            const auto* cp = reinterpret_cast<const char*>(sqlite3_column_text(lecture, 0));
            const QString ville = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(lecture, 1)));
            const QByteArray poste = OrthographePoste(ville).toUtf8();
            abregees += poste.startsWith("ST ") ? 1 : 0;
            sqlite3_bind_text(ajout, 1, cp, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ajout, 2, ville.toUtf8().constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ajout, 3, poste.constData(), -1, SQLITE_TRANSIENT);
            QCOMPARE(sqlite3_step(ajout), SQLITE_DONE);
            sqlite3_reset(ajout);
        }
        // The rewrite did shorten names, so the pass below tests something.
        QVERIFY2(abregees > 1000, qPrintable(QString::number(abregees)));
    }
    // q.Ville on the left: the comparison is the column's collation.
    sqlite3_stmt* manquantes = nullptr;
    QCOMPARE(
        sqlite3_prepare_v2(connexion.get(),
                           "SELECT t.Cp, t.Ville, t.Poste FROM base.Quilvarest AS q JOIN poste AS t ON t.Cp = q.Cp "
                           "AND CAST(t.Ville AS BLOB) = CAST(q.Ville AS BLOB) WHERE NOT EXISTS (SELECT 1 FROM "
                           "poste AS u WHERE u.Cp = q.Cp AND q.Ville = u.Poste)",
                           -1, &manquantes, nullptr),
        SQLITE_OK);
    InstructionSqlite instructionManquantes(manquantes);
    while (sqlite3_step(manquantes) == SQLITE_ROW && lignes.size() < 10) {
        lignes << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(manquantes, 0))) + " " +
                      QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(manquantes, 1))) + " / " +
                      QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(manquantes, 2)));
    }
    QVERIFY2(lignes.isEmpty(), qPrintable(lignes.join(" | ")));
}

// The traps of separators and abbreviations, on the built store: what a
// criterion lists, and what it must not.
void TestBaseSql::criteresPoste_data() {
    QTest::addColumn<QString>("cp");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("ville");
    QTest::addColumn<QStringList>("presentes");
    QTest::addColumn<QStringList>("absentes");

    const QString martin = "38400 - SAINT-MARTIN-D'HÈRES";
    QTest::newRow("égal n'est pas un préfixe")
        << "" << int(EgalA) << "SAINT MARTIN" << QStringList{"32300 - SAINT-MARTIN"} << QStringList{martin};
    QTest::newRow("contient, blanc pour trait d'union")
        << "38400" << int(Contient) << "saint martin" << QStringList{martin} << QStringList{};
    QTest::newRow("ST. avec point") << "" << int(EgalA) << "ST. MALO" << QStringList{"35400 - SAINT-MALO"}
                                    << QStringList{};
    QTest::newRow("traits d'union multiples")
        << "85000" << int(EgalA) << "LA--ROCHE SUR  YON" << QStringList{"85000 - LA ROCHE-SUR-YON"} << QStringList{};
    QTest::newRow("STRAS reste un début")
        << "67000" << int(CommencantPar) << "stras" << QStringList{"67000 - STRASBOURG"} << QStringList{};
    QTest::newRow("STRASBOURG égal") << "67000" << int(EgalA) << "strasbourg" << QStringList{"67000 - STRASBOURG"}
                                     << QStringList{};
    QTest::newRow("TOUSSAINT intact") << "76400" << int(FinissantPar) << "USSAINT" << QStringList{"76400 - TOUSSAINT"}
                                      << QStringList{};
    QTest::newRow("ST collé n'est pas abrégé")
        << "76400" << int(EgalA) << "TOUSST" << QStringList{} << QStringList{"76400 - TOUSSAINT"};
    QTest::newRow("ste final, début ou mot entier")
        << "" << int(CommencantPar) << "ste" << QStringList{"59114 - STEENVOORDE", "83120 - SAINTE-MAXIME"}
        << QStringList{};
    QTest::newRow("blancs seuls") << "42000" << int(Contient) << "   " << QStringList{"42000 - SAINT-ÉTIENNE"}
                                  << QStringList{};
    QTest::newRow("blancs seuls, sans séparateur")
        << "67000" << int(Contient) << "   " << QStringList{} << QStringList{"67000 - STRASBOURG"};
    // Other names: a commune déléguée, a quarter, an arrondissement's label.
    const QString cherbourg = "50110 - CHERBOURG-EN-COTENTIN";
    const QString marseille13 = "13013 - MARSEILLE";
    QTest::newRow("ancienne commune, égal")
        << "" << int(EgalA) << "tourlaville" << QStringList{cherbourg} << QStringList{};
    QTest::newRow("ancienne commune, commençant par")
        << "50110" << int(CommencantPar) << "TOURLA" << QStringList{cherbourg} << QStringList{};
    QTest::newRow("quartier, contient") << "" << int(Contient) << "batarel" << QStringList{marseille13}
                                        << QStringList{};
    QTest::newRow("quartier, finissant par")
        << "" << int(FinissantPar) << "LA BATARELLE" << QStringList{marseille13} << QStringList{"13012 - MARSEILLE"};
    QTest::newRow("arrondissement, égal") << "" << int(EgalA) << "MARSEILLE 13" << QStringList{marseille13}
                                          << QStringList{"13012 - MARSEILLE", "13014 - MARSEILLE"};
    QTest::newRow("nom et autres noms, une ligne")
        << "13013" << int(Contient) << "MARSEILLE" << QStringList{marseille13} << QStringList{};
    // Line 6: La Poste's routing label, where it is not the commune's name.
    QTest::newRow("acheminement, égal") << "04140" << int(EgalA) << "SEYNE LES ALPES" << QStringList{"04140 - SEYNE"}
                                        << QStringList{};
    QTest::newRow("acheminement, contient")
        << "" << int(Contient) << "montreal du g" << QStringList{"32250 - MONTRÉAL"} << QStringList{};
}

void TestBaseSql::criteresPoste() {
    QFETCH(QString, cp);
    QFETCH(int, mode);
    QFETCH(QString, ville);
    QFETCH(QStringList, presentes);
    QFETCH(QStringList, absentes);
    const auto sql = ComposerRequete(cp.toStdString(), ville.toStdString(), EgalA, mode);
    QVERIFY(sql.has_value());
    BaseSql base;
    base.SetDatabaseFileName(QUILVAREST_BASE_CONSTRUITE);
    RequeteSql requete(base);
    const QStringList lignes = Lister(requete, Q(*sql));
    for (const QString& ligne : presentes) {
        QVERIFY2(lignes.contains(ligne), qPrintable(ligne));
    }
    for (const QString& ligne : absentes) {
        QVERIFY2(!lignes.contains(ligne), qPrintable(ligne));
    }
    // A row found by its name and by other names is listed once.
    QCOMPARE(QSet<QString>(lignes.begin(), lignes.end()).size(), lignes.size());
}

// Whether a name meets a criterion typed in a mode, both folded as the search
// folds them: the criterion of "Commençant par" and "Contient", which a
// wildcard follows, with its last abbreviation read as typed or spelled out.
bool Rencontre(const std::string& nom, const std::string& critere, int mode) {
    const auto replier = [](const std::string& texte, bool finMot) {
        std::vector<std::uint32_t> unites;
        Replier(texte.data(), texte.size(), unites, finMot);
        for (std::uint32_t& unite : unites) {
            unite &= ~kSuite;
        }
        return unites;
    };
    const std::vector<std::uint32_t> texte = replier(nom, true);
    for (const bool finMot : {mode == EgalA || mode == FinissantPar, true}) {
        const std::vector<std::uint32_t> motif = replier(critere, finMot);
        const auto trouve = std::search(texte.begin(), texte.end(), motif.begin(), motif.end());
        if ((mode == CommencantPar && trouve == texte.begin()) ||
            (mode == Contient && (trouve != texte.end() || motif.empty())) || (mode == EgalA && texte == motif) ||
            (mode == FinissantPar && motif.size() <= texte.size() &&
             std::equal(motif.rbegin(), motif.rend(), texte.rbegin()))) {
            return true;
        }
    }
    return false;
}

// Every name La Poste's own file gives a commune, typed as La Poste writes it
// under its postal code, in each of the four modes: the commune's label
// (MARSEILLE 13, a name cut at 32 characters), the line 5 of the address (a
// former commune, a hamlet, a quarter) and the routing label of line 6 (SEYNE
// LES ALPES for SEYNE) each list the commune that the label lists with "Egal
// à", and the name the line was found by meets the criterion: the other name
// shown beside it, or its own when none is. Only the rows the store cannot
// hold find nothing: Monaco, and New Caledonian codes no commune of the store
// carries.
void TestBaseSql::nomsDeLaPoste() {
    QFile fichier(QStringLiteral(QUILVAREST_LAPOSTE));
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    QList<QByteArray> rangees = fichier.readAll().split('\n');
    QCOMPARE(rangees.takeFirst(), QByteArray("Code_commune_INSEE;Nom_de_la_commune;Code_postal;"
                                             "Libellé_d_acheminement;Ligne_5"));
    BaseSql base;
    base.SetDatabaseFileName(QUILVAREST_BASE_CONSTRUITE);
    RequeteSql requete(base);
    // The entries a search lists, each with the name it was found by.
    auto chercher = [&requete](const std::string& cp, const std::string& ville, int mode) {
        QMap<QString, std::string> trouvees;
        requete.ClearSql();
        requete.AddSql(*ComposerRequete(cp, ville, EgalA, mode));
        for (requete.Open(); !requete.Eof(); requete.Next()) {
            const std::string autre = requete.AutreNom();
            trouvees.insert(Q(requete.FieldByName("Cp") + " - " + requete.FieldByName("Ville")),
                            autre.empty() ? requete.FieldByName("Ville") : autre);
        }
        return trouvees;
    };
    int lignes5 = 0;
    QStringList sansCommune;
    QSet<QByteArray> vus; // a name of a commune under a code, checked once whatever its rows
    for (const QByteArray& rangee : rangees) {
        const QList<QByteArray> champs = rangee.split(';');
        if (champs.size() != 5) {
            continue;
        }
        const std::string cp = champs[2].toStdString();
        const auto communes = chercher(cp, champs[1].toStdString(), EgalA);
        if (communes.isEmpty()) {
            QVERIFY2(chercher(cp, "", EgalA).isEmpty(), rangee.constData());
            sansCommune << Q(cp);
            continue;
        }
        lignes5 += champs[4].isEmpty() ? 0 : 1;
        for (const QByteArray& champ : {champs[1], champs[3], champs[4]}) {
            const QByteArray cle = champs[0] + ';' + champs[2] + ';' + champ;
            if (champ.isEmpty() || vus.contains(cle)) {
                continue;
            }
            vus.insert(cle);
            const std::string nom = champ.toStdString();
            for (const int mode : {CommencantPar, Contient, EgalA, FinissantPar}) {
                const auto trouvees = chercher(cp, nom, mode);
                bool commune = false;
                for (auto trouvee = trouvees.begin(); trouvee != trouvees.end() && !commune; ++trouvee) {
                    commune = communes.contains(trouvee.key()) && Rencontre(trouvee.value(), nom, mode);
                }
                QVERIFY2(commune, qPrintable(QString("%1, mode %2").arg(rangee.constData()).arg(mode)));
            }
        }
    }
    // La Poste's 4,804 lines 5 less the 11 of rows the store cannot hold.
    QCOMPARE(lignes5, 4793);
    QCOMPARE(sansCommune.size(), 18);
    QCOMPARE(sansCommune.filter(QRegularExpression("^(98000|988..)$")), sansCommune);
}

void TestBaseSql::baseConstruite() {
    BaseSql base;
    base.SetDatabaseFileName(QUILVAREST_BASE_CONSTRUITE);
    RequeteSql requete(base);
    requete.AddSql("SELECT Cp, Ville FROM Quilvarest");
    requete.Open();
    QSet<QString> couples;
    std::string cpPrecedent;
    int lignes = 0;
    for (; !requete.Eof(); requete.Next(), ++lignes) {
        const std::string cp = requete.FieldByName("Cp");
        const std::string ville = requete.FieldByName("Ville");
        QVERIFY2(NombreCaracteres(cp) == 5, cp.c_str());
        QVERIFY2(cp >= cpPrecedent, cp.c_str());
        QVERIFY2(!ville.empty() && AnsiUpperCase(ville) == ville, ville.c_str());
        const QString couple = Q(cp + " - " + ville);
        QVERIFY2(!couples.contains(couple), qPrintable(couple));
        couples.insert(couple);
        cpPrecedent = cp;
    }
    QVERIFY2(lignes > 35000, qPrintable(QString::number(lignes)));
    // The table the queries see loses no row of the stored one.
    requete.ClearSql();
    requete.AddSql("SELECT count(*) AS n FROM main.Quilvarest");
    requete.Open();
    QCOMPARE(requete.FieldByName("n"), std::to_string(lignes));

    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"75001\""), QStringList{"75001 - PARIS"});
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"13001\""),
             QStringList{"13001 - MARSEILLE"});
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"69001\""), QStringList{"69001 - LYON"});
    QVERIFY(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"42000\"").contains("42000 - SAINT-ÉTIENNE"));
    // Not every town, as the column compared with itself would give; VILLÉ
    // (Bas-Rhin) equals VILLE once accents are ignored.
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Ville = \"VILLE\""),
             (QStringList{"60400 - VILLE", "67220 - VILLÉ"}));
    QCOMPARE(Lister(requete, "SELECT Cp, Ville FROM Quilvarest WHERE Ville = \"L'ABERGEMENT-CLEMENCIAT\""),
             QStringList{"01400 - L'ABERGEMENT-CLÉMENCIAT"});

    // Two searches open at once on one connection: each row keeps the other
    // name it was found by, whatever the other search reads meanwhile.
    RequeteSql seconde(base);
    requete.ClearSql();
    requete.AddSql("SELECT Cp, Ville FROM Quilvarest WHERE Cp = \"50110\" AND Ville LIKE \"TOURLA%\"");
    requete.Open();
    seconde.AddSql("SELECT Cp, Ville FROM Quilvarest WHERE Ville LIKE \"%BATAREL%\"");
    seconde.Open();
    QCOMPARE(seconde.AutreNom(), std::string("LA BATARELLE"));
    while (!seconde.Eof()) {
        seconde.Next();
    }
    QCOMPARE(requete.AutreNom(), std::string("TOURLAVILLE"));
    seconde.Close();
    QCOMPARE(requete.AutreNom(), std::string("TOURLAVILLE"));
}

// The rows the builder stores folded are taken only when they are of this
// very folding and every place they name lies within them: any other store is
// searched by folding its rows, with the same lines and other names.
void TestBaseSql::villesPretesRefusees_data() {
    QTest::addColumn<QString>("alteration");

    QTest::newRow("sans la table") << "DROP TABLE VillesPretes";
    QTest::newRow("autre repli") << "UPDATE VillesPretes SET Empreinte = 'repli-autre'";
    QTest::newRow("deux rangées") << "INSERT INTO VillesPretes SELECT * FROM VillesPretes";
    QTest::newRow("lignes tronquées") << "UPDATE VillesPretes SET Lignes = substr(Lignes, 1, length(Lignes) - 1)";
    QTest::newRow("texte hors des textes") << "UPDATE VillesPretes SET Lignes = X'FFFFFF7F' || substr(Lignes, 5)";
    QTest::newRow("nom replié hors des replis")
        << "UPDATE VillesPretes SET Lignes = substr(Lignes, 1, 8) || X'FFFFFF7F' || substr(Lignes, 13)";
    QTest::newRow("autre nom hors des textes") << "UPDATE VillesPretes SET Autres = X'FFFFFF7F' || substr(Autres, 5)";
    QTest::newRow("octets manquants") << "UPDATE VillesPretes SET Octets = substr(Octets, 1, 100)";
}

void TestBaseSql::villesPretesRefusees() {
    QFETCH(QString, alteration);
    const QString copie = dossier_.filePath(QStringLiteral("alteree.abs"));
    QFile::remove(copie);
    QVERIFY(QFile::copy(QStringLiteral(QUILVAREST_BASE_CONSTRUITE), copie));
    QVERIFY(QFile::setPermissions(copie, QFile::ReadOwner | QFile::WriteOwner));
    ExecuterSql(copie, alteration.toUtf8().constData());
    // Every line with the other name it was found by.
    const auto lister = [](const QString& chemin, const char* condition) {
        BaseSql base;
        base.SetDatabaseFileName(chemin.toStdString());
        RequeteSql requete(base);
        requete.AddSql(std::string("SELECT Cp, Ville FROM Quilvarest WHERE ") + condition);
        QStringList lignes;
        for (requete.Open(); !requete.Eof(); requete.Next()) {
            lignes << Q(requete.FieldByName("Cp") + " - " + requete.FieldByName("Ville") + " / " + requete.AutreNom());
        }
        return lignes;
    };
    for (const char* condition : {"Cp LIKE \"%\"", "Ville LIKE \"%TOURLA%\"", "Ville = \"MARSEILLE 13\""}) {
        const QStringList attendues = lister(QStringLiteral(QUILVAREST_BASE_CONSTRUITE), condition);
        QVERIFY(!attendues.isEmpty());
        QCOMPARE(lister(copie, condition), attendues);
    }
}

QTEST_GUILESS_MAIN(TestBaseSql)
#include "test_base_sql.moc"
