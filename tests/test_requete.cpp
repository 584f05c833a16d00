#include "ComposerRequete.h"
#include "Echec.h"

#include <QTest>

class TestRequete : public QObject {
    Q_OBJECT

private slots:
    void texte_data() {
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QString>("ville");
        QTest::addColumn<int>("modeCp");
        QTest::addColumn<int>("modeVille");
        QTest::addColumn<QString>("attendu");
        const QString tete = "SELECT Cp, Ville FROM Quilvarest WHERE ";
        QTest::newRow("cp commençant par") << "75"
                                           << "" << 0 << 1 << tete + "Cp LIKE \"75%\"";
        QTest::newRow("cp contenant") << "75"
                                      << "" << 1 << 1 << tete + "Cp LIKE \"%75%\"";
        QTest::newRow("cp égal") << "75001"
                                 << "" << 2 << 1 << tete + "Cp = \"75001\"";
        QTest::newRow("cp finissant par") << "01"
                                          << "" << 3 << 1 << tete + "Cp LIKE \"%01\"";
        QTest::newRow("ville contenant, mise en majuscules") << ""
                                                             << "saint" << 0 << 1 << tete + "Ville LIKE \"%SAINT%\"";
        QTest::newRow("accents de la ville en majuscules") << ""
                                                           << "étienne" << 0 << 3 << tete + "Ville LIKE \"%ÉTIENNE\"";
        QTest::newRow("les deux, cp d'abord") << "75"
                                              << "saint" << 2 << 3 << tete + "Cp = \"75\" AND Ville LIKE \"%SAINT\"";
        QTest::newRow("ville commençant par") << ""
                                              << "Paris" << 3 << 0 << tete + "Ville LIKE \"PARIS%\"";
        QTest::newRow("des blancs sont un critère") << "  "
                                                    << " " << 0 << 2 << tete + "Cp LIKE \"  %\" AND Ville = \" \"";
        QTest::newRow("jokers tapés gardés") << "%"
                                             << "_" << 2 << 1 << tete + "Cp = \"%\" AND Ville LIKE \"%_%\"";
        QTest::newRow("guillemet doublé")
            << "7\"5"
            << "a\"\" OR 1=1 --" << 0 << 2 << tete + "Cp LIKE \"7\"\"5%\" AND Ville = \"A\"\"\"\" OR 1=1 --\"";
        QTest::newRow("mode d'un critère vide sans effet") << ""
                                                           << "x" << 9 << 1 << tete + "Ville LIKE \"%X%\"";
    }
    void texte() {
        QFETCH(QString, cp);
        QFETCH(QString, ville);
        QFETCH(int, modeCp);
        QFETCH(int, modeVille);
        QFETCH(QString, attendu);
        const auto requete = ComposerRequete(cp.toStdString(), ville.toStdString(), modeCp, modeVille);
        QVERIFY(requete.has_value());
        QCOMPARE(QString::fromStdString(*requete), attendu);
    }

    void pasDeRequeteSansCritere() { QVERIFY(!ComposerRequete("", "", 0, 1).has_value()); }

    void modeInconnu() { QVERIFY_THROWS_EXCEPTION(Echec, ComposerRequete("75", "", 4, 1)); }
};

QTEST_GUILESS_MAIN(TestRequete)
#include "test_requete.moc"
