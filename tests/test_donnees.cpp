#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

// The committed source of the store, data/codes-postaux.txt, read as the
// builder reads it. Checks what the store and the result list rely on, and the
// pairs that the regeneration from the 2026 communes must have brought in or
// taken out.

namespace {

struct Couple {
    QString cp;
    QString ville;
};

// Order of the towns within a postal code: the name without its accents and
// with its ligatures spelled out, so that ÉPINAL sorts among the E and BABŒUF
// as BABOEUF; equal keys then go by code point.
QString CleDeTri(const QString& ville) {
    QString cle;
    for (const QChar c : ville.normalized(QString::NormalizationForm_D)) {
        if (!c.isMark()) {
            cle += c;
        }
    }
    return cle.replace(u'Œ', QLatin1String("OE")).replace(u'Æ', QLatin1String("AE"));
}

bool AvantStrictement(const Couple& a, const Couple& b) {
    if (a.cp != b.cp) {
        return a.cp < b.cp;
    }
    const QString ka = CleDeTri(a.ville);
    const QString kb = CleDeTri(b.ville);
    return ka != kb ? ka < kb : a.ville < b.ville;
}

} // namespace

class TestDonnees : public QObject {
    Q_OBJECT

    QList<Couple> lignes;
    QSet<QString> lues; // "Cp\tVille"

private slots:
    // The file as the builder takes it: UTF-8 without BOM, LF line ends, a
    // tab between the postal code and the town on every line.
    void initTestCase() {
        QFile fichier(QStringLiteral(QUILVAREST_DONNEES));
        QVERIFY2(fichier.open(QIODevice::ReadOnly), QUILVAREST_DONNEES);
        const QByteArray octets = fichier.readAll();
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString texte = utf8.decode(octets);
        QVERIFY2(!utf8.hasError(), "texte non UTF-8");
        QVERIFY(!octets.startsWith("\xEF\xBB\xBF"));
        QVERIFY(!octets.contains('\r'));
        QVERIFY(octets.endsWith('\n'));

        QStringList textes = texte.split(u'\n');
        textes.removeLast();
        for (const QString& ligne : textes) {
            const QStringList champs = ligne.split(u'\t');
            QVERIFY2(champs.size() == 2, qPrintable(ligne));
            lignes.append({champs[0], champs[1]});
            lues.insert(ligne);
        }
        QVERIFY(lignes.size() > 1);
    }

    // ---- The invariants

    void codesEtNoms() {
        // The result list cuts its lines at fixed positions: five characters.
        static const QRegularExpression codePostal(QStringLiteral("^[0-9]{5}$"));
        for (const Couple& couple : lignes) {
            const QString ligne = couple.cp + u' ' + couple.ville;
            QVERIFY2(codePostal.match(couple.cp).hasMatch(), qPrintable(ligne));
            QVERIFY2(!couple.ville.isEmpty() && couple.ville.trimmed() == couple.ville, qPrintable(ligne));
            // Upper case one character for one, accents kept: ß, which has
            // no one-character upper case, may stay.
            for (const QChar c : couple.ville) {
                QVERIFY2(c.toUpper() == c, qPrintable(ligne));
            }
            // Municipal arrondissements go under their city's name.
            QVERIFY2(!couple.ville.contains(QLatin1String("ARRONDISSEMENT")), qPrintable(ligne));
        }
    }

    void ordreSansDoublon() {
        for (qsizetype i = 1; i < lignes.size(); ++i) {
            const Couple& avant = lignes[i - 1];
            const Couple& apres = lignes[i];
            const QString ou = QStringLiteral("ligne %1 : %2 %3 puis %4 %5")
                                   .arg(i + 1)
                                   .arg(avant.cp, avant.ville, apres.cp, apres.ville);
            QVERIFY2(avant.cp != apres.cp || avant.ville != apres.ville, qPrintable("couple en double, " + ou));
            QVERIFY2(AvantStrictement(avant, apres), qPrintable("hors d'ordre, " + ou));
        }
    }

    // ---- Pairs that must be there, or must not

    void couples_data() {
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QString>("ville");
        QTest::addColumn<bool>("present");

        // Overseas collectivities: every one that has postal codes.
        QTest::newRow("Saint-Barthélemy") << "97133"
                                          << "SAINT-BARTHÉLEMY" << true;
        QTest::newRow("Saint-Martin") << "97150"
                                      << "SAINT-MARTIN" << true;
        QTest::newRow("Saint-Pierre-et-Miquelon") << "97500"
                                                  << "SAINT-PIERRE" << true;
        QTest::newRow("Wallis-et-Futuna") << "98600"
                                          << "UVEA" << true;
        QTest::newRow("Polynésie française") << "98714"
                                             << "PAPEETE" << true;
        QTest::newRow("Nouvelle-Calédonie") << "98800"
                                            << "NOUMÉA" << true;
        QTest::newRow("Clipperton") << "98799"
                                    << "ÎLE DE CLIPPERTON" << true;
        // A commune formed in 2026 replaces the two it merged.
        QTest::newRow("commune nouvelle") << "02000"
                                          << "PARGNY-ET-FILAIN" << true;
        QTest::newRow("commune fusionnée") << "02000"
                                           << "FILAIN" << false;
        QTest::newRow("ancien nom de la commune nouvelle") << "02000"
                                                           << "PARGNY-FILAIN" << false;
        // Neussargues en Pinatelle split back into five communes: its old
        // code 15300 is Chavagnac's again, under neither of its names.
        QTest::newRow("commune rétablie") << "15300"
                                          << "CHAVAGNAC" << true;
        QTest::newRow("code de la commune défaite") << "15300"
                                                    << "NEUSSARGUES EN PINATELLE" << false;
        QTest::newRow("code de l'autre territoire") << "15300"
                                                    << "NEUSSARGUES-MOISSAC" << false;
        QTest::newRow("code de la commune rétablie") << "15170"
                                                     << "NEUSSARGUES-MOISSAC" << true;
        // Special distribution codes the 2026 list lacks, of communes that
        // still exist.
        QTest::newRow("code spécial, Toulouse") << "31998"
                                                << "TOULOUSE" << true;
        QTest::newRow("code spécial, Nîmes") << "30998"
                                             << "NÎMES" << true;
        QTest::newRow("code spécial, Istres") << "13128"
                                              << "ISTRES" << true;
        // Arrondissements under their city's name, Paris's two codes for the 16th.
        QTest::newRow("Paris 16e, 75016") << "75016"
                                          << "PARIS" << true;
        QTest::newRow("Paris 16e, 75116") << "75116"
                                          << "PARIS" << true;
        QTest::newRow("Lyon 9e") << "69009"
                                 << "LYON" << true;
        QTest::newRow("Marseille 16e") << "13016"
                                       << "MARSEILLE" << true;
    }

    void couples() {
        QFETCH(QString, cp);
        QFETCH(QString, ville);
        QFETCH(bool, present);
        QCOMPARE(lues.contains(cp + u'\t' + ville), present);
    }
};

QTEST_GUILESS_MAIN(TestDonnees)
#include "test_donnees.moc"
