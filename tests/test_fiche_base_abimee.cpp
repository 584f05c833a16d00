#include "ComparaisonSansAccent.h"
#include "ConstructionBase.h"
#include "MessagerieObservee.h"
#include "UnitFicheRecherche.h"

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <sqlite3.h>
#include <sstream>

namespace {

constexpr int kNombreLignes = 3000;
constexpr qint64 kTaillePage = 4096; // the builder's page size

// "NNNNN - VILLE N" for row n, as the dialog lists it.
QString LigneAttendue(int n) {
    return QStringLiteral("%1 - VILLE %2").arg(10000 + n).arg(n);
}

} // namespace

// A search over a store whose last page is damaged: the engine fails partway
// through the rows. This program runs from a folder of its own, where it
// writes the damaged store the dialog opens beside the executable.
class TestFicheBaseAbimee : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QString chemin = QCoreApplication::applicationDirPath() + QStringLiteral("/Quilvarest.abs");
        std::ostringstream source;
        for (int n = 0; n < kNombreLignes; ++n) {
            source << 10000 + n << "\tVILLE " << n << '\n';
        }
        std::istringstream flux(source.str());
        QCOMPARE(ConstruireBase(flux, "source.txt", chemin.toStdString()), std::size_t{kNombreLignes});
        // Without the rows the builder stores folded, a store is read from its
        // pages at each search, as this one must be to meet its damage.
        sqlite3* connexion = nullptr;
        QCOMPARE(sqlite3_open(chemin.toUtf8().constData(), &connexion), SQLITE_OK);
        // The schema names the collation, which VACUUM must know.
        EnregistrerComparaisonSansAccent(connexion);
        const int rc = sqlite3_exec(connexion, "DROP TABLE VillesPretes; VACUUM", nullptr, nullptr, nullptr);
        sqlite3_close(connexion);
        QCOMPARE(rc, SQLITE_OK);

        // Rows are appended in order, so the last page holds the last rows:
        // garbage over its header makes it unreadable, and only it.
        QFile base(chemin);
        QVERIFY(base.open(QIODevice::ReadWrite));
        QVERIFY(base.size() > 4 * kTaillePage);
        QVERIFY(base.seek(base.size() - kTaillePage));
        QCOMPARE(base.write(QByteArray(64, '\xA5')), qint64{64});
    }

    void lesLignesLuesRestentAffichees() {
        MessagerieObservee messages;
        TFicheRechercherCpVille fiche(messages);
        auto* cp = fiche.findChild<QLineEdit*>(QStringLiteral("edtCp"));
        auto* liste = fiche.findChild<QListView*>(QStringLiteral("lstbCp"));
        QVERIFY(cp != nullptr && liste != nullptr);
        cp->setText(QStringLiteral("1"));
        QTest::keyClick(cp, Qt::Key_Return);

        QCOMPARE(messages.messages.size(), std::size_t{1});
        QVERIFY2(QString::fromStdString(messages.messages.front()).contains(QStringLiteral("malformed")),
                 messages.messages.front().c_str());
        // Every row read before the failure is listed, in order; the damaged
        // page's rows are not.
        const int lues = liste->model()->rowCount();
        QVERIFY(lues > 0);
        QVERIFY(lues < kNombreLignes);
        for (int n = 0; n < lues; ++n) {
            QCOMPARE(liste->model()->index(n, 0).data().toString(), LigneAttendue(n));
        }

        // The query the failure left open does not stand in the way of the
        // next search, which meets the same damage and lists the same rows.
        messages.messages.clear();
        QTest::keyClick(cp, Qt::Key_Return);
        QCOMPARE(messages.messages.size(), std::size_t{1});
        QCOMPARE(liste->model()->rowCount(), lues);
    }
};

QTEST_MAIN(TestFicheBaseAbimee)
#include "test_fiche_base_abimee.moc"
