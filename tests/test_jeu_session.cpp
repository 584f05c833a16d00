#include "JeuSession.h"
#include "SessionDeTest.h"

#include <QtTest>
#include <clocale>

// Each case runs in a child whose environment names the locale (see
// SessionDeTest.h): the session's set is found once per process.
class TestJeuSession : public QObject {
    Q_OBJECT

private slots:
    // The set found, and text to and from it
    void conversions_data();
    void conversions();

    // Found from the environment, whatever the process's locale says
    void independantDeSetlocale();
};

void TestJeuSession::conversions_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("nom");
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("attendu"); // utf8 in the session's set
    QTest::addColumn<QByteArray>("relu");    // attendu back in UTF-8

    const QByteArray ville = "SAINT-\xC3\x89TIENNE";
    // Œ and € are in Windows-1252 (8C, 80) but not in ISO-8859-1; 中 in neither.
    const QByteArray horsLatin1 = "\xC5\x92 \xE2\x82\xAC \xE4\xB8\xAD";
    QTest::newRow("ISO-8859-1") << "fr_FR.ISO-8859-1" << QByteArray("ISO-8859-1") << ville
                                << QByteArray("SAINT-\xC9TIENNE") << ville;
    QTest::newRow("ISO-8859-1 n'est pas Windows-1252")
        << "fr_FR.ISO-8859-1" << QByteArray("ISO-8859-1") << horsLatin1 << QByteArray("? ? ?") << QByteArray("? ? ?");
    QTest::newRow("Windows-1252") << "fr_FR.CP1252" << QByteArray("CP1252") << horsLatin1 << QByteArray("\x8C \x80 ?")
                                  << QByteArray("\xC5\x92 \xE2\x82\xAC ?");
    QTest::newRow("ISO-8859-1, octets hors UTF-8") << "fr_FR.ISO-8859-1" << QByteArray("ISO-8859-1")
                                                   << QByteArray("a\xFF\xC3") << QByteArray("a??") << QByteArray("a??");
    QTest::newRow("UTF-8") << "C.UTF-8" << QByteArray("UTF-8") << ville << ville << ville;
    QTest::newRow("UTF-8, octets hors UTF-8")
        << "C.UTF-8" << QByteArray("UTF-8") << QByteArray("a\xFF") << QByteArray("a?") << QByteArray("a?");
    QTest::newRow("C: ASCII pris pour UTF-8") << "C" << QByteArray("UTF-8") << ville << ville << ville;
    QTest::newRow("locale absente: UTF-8") << "xx_XX.ISO-8859-1" << QByteArray("UTF-8") << ville << ville << ville;
}

void TestJeuSession::conversions() {
    QFETCH(QString, locale);
    QFETCH(QByteArray, nom);
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, attendu);
    QFETCH(QByteArray, relu);
    if (!DansSession(locale)) {
        RelancerDansSession(locale);
        return;
    }
    QCOMPARE(QByteArray::fromStdString(NomJeuSession()), nom);
    QCOMPARE(SessionEnUtf8(), nom == "UTF-8");
    const QByteArray converti = QByteArray::fromStdString(VersJeuSession(utf8.toStdString()));
    QCOMPARE(converti, attendu);
    QCOMPARE(QByteArray::fromStdString(DepuisJeuSession(converti.toStdString())), relu);
}

void TestJeuSession::independantDeSetlocale() {
    const QString locale = QStringLiteral("fr_FR.ISO-8859-1");
    if (!DansSession(locale)) {
        RelancerDansSession(locale);
        return;
    }
    // The process's locale says ASCII before the first use and UTF-8 after:
    // the set stays the one the environment names.
    QVERIFY(std::setlocale(LC_ALL, "C") != nullptr);
    QCOMPARE(QByteArray::fromStdString(NomJeuSession()), QByteArray("ISO-8859-1"));
    static_cast<void>(std::setlocale(LC_ALL, "C.UTF-8"));
    QCOMPARE(QByteArray::fromStdString(VersJeuSession("\xC3\xA9")), QByteArray("\xE9"));
}

QTEST_GUILESS_MAIN(TestJeuSession)
#include "test_jeu_session.moc"
