#include "SaisieLimitee.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

// What an edit box with a typing limit keeps of a paste: the text up to its
// first line break, then as much as fits.
class TestSaisieLimitee : public QObject {
    Q_OBJECT

private slots:
    void collerDansUneBoiteLimitee_data() {
        QTest::addColumn<int>("limite");
        QTest::addColumn<bool>("majuscules");
        QTest::addColumn<QString>("avant");
        QTest::addColumn<int>("debut"); // of the selection the paste replaces
        QTest::addColumn<int>("longueur");
        QTest::addColumn<QString>("colle");
        QTest::addColumn<QString>("attendu");
        const QString ville74 = "SAINT-REMY-EN-BOUZEMONT-SAINT-GENEST-ET-ISSON-ET-AUTRES-COMMUNES-DE-LA-MARNE";
        QTest::newRow("ligne de terminal") << 5 << false << "" << 0 << 0 << "75001\n"
                                           << "75001";
        QTest::newRow("cellule de tableur") << 5 << false << "" << 0 << 0 << "75001\r\n"
                                            << "75001";
        QTest::newRow("blanc final") << 5 << false << "" << 0 << 0 << "75001 "
                                     << "75001";
        QTest::newRow("première ligne seule") << 5 << false << "" << 0 << 0 << "750\n01"
                                              << "750";
        QTest::newRow("séparateur de paragraphe") << 5 << false << "" << 0 << 0 << "42\u2029000"
                                                  << "42";
        QTest::newRow("ce qui tient après le texte") << 5 << false << "75" << 2 << 0 << "0012345"
                                                     << "75001";
        QTest::newRow("au milieu") << 5 << false << "7501" << 2 << 0 << "0099"
                                   << "75001";
        QTest::newRow("sélection remplacée") << 5 << false << "13001" << 0 << 5 << "75001\n"
                                             << "75001";
        QTest::newRow("boîte pleine refuse") << 5 << false << "75001" << 5 << 0 << "2"
                                             << "75001";
        QTest::newRow("saut de ligne en tête") << 5 << false << "75" << 2 << 0 << "\n001"
                                               << "75";
        QTest::newRow("ville de 74 caractères") << 50 << true << "" << 0 << 0 << ville74 << ville74.left(50);
        QTest::newRow("ville, puis une ligne") << 50 << true << "" << 0 << 0 << "saint-étienne\nLoire"
                                               << "SAINT-ÉTIENNE";
    }
    void collerDansUneBoiteLimitee() {
        QFETCH(int, limite);
        QFETCH(bool, majuscules);
        QFETCH(QString, avant);
        QFETCH(int, debut);
        QFETCH(int, longueur);
        QFETCH(QString, colle);
        QFETCH(QString, attendu);
        QLineEdit boite;
        auto* edition = &boite;
        new SaisieLimitee(edition, limite, majuscules);
        edition->setText(avant);
        edition->setSelection(debut, longueur);
        QGuiApplication::clipboard()->setText(colle);
        edition->paste();
        QCOMPARE(edition->text(), attendu);
        // Typing goes on right after what was kept, within the limit.
        if (attendu.size() < limite) {
            QTest::keyClicks(edition, "9");
            QCOMPARE(edition->text().size(), attendu.size() + 1);
            QCOMPARE(edition->cursorPosition(), debut + attendu.size() - avant.size() + longueur + 1);
        }
    }
};

QTEST_MAIN(TestSaisieLimitee)
#include "test_saisie_limitee.moc"
