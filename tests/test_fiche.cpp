#include "ControlesDeTest.h"
#include "Demarrage.h"
#include "FichiersDeTest.h"
#include "MessagerieObservee.h"
#include "ModeleLignes.h"
#include "UnitFicheRecherche.h"

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::string MessageAbsent = "Le fichier de configuration n'existe pas.";

QStringList Lignes(QListView* liste) {
    QStringList lignes;
    for (int i = 0; i < liste->model()->rowCount(); ++i) {
        lignes << liste->model()->index(i, 0).data().toString();
    }
    return lignes;
}

} // namespace

// The dialog as the user meets it. Each case builds its own dialog on its own
// configuration file; the store is the one built beside the test binaries.
class TestFiche : public QObject {
    Q_OBJECT

    QTemporaryDir dossier;
    QString chemin;
    MessagerieObservee messages;
    std::unique_ptr<TFicheRechercherCpVille> fiche;

    template <class T> T* Controle(const char* nom) { return ControleDe<T>(*fiche, nom); }

    // Creates the dialog on the file, shows it and waits for its activation.
    void Ouvrir() {
        fiche = std::make_unique<TFicheRechercherCpVille>(messages);
        fiche->SetFichierConfig(chemin.toStdString());
        fiche->show();
        QVERIFY(QTest::qWaitForWindowActive(fiche.get()));
    }

private slots:
    void initTestCase() {
        // The application as the entry prepares it: font, glyphs, style.
        PreparerApplication(messages);
        QVERIFY(messages.messages.empty());
    }
    void init() {
        chemin = dossier.filePath("appel.ini");
        messages.messages.clear();
    }
    void cleanup() {
        fiche.reset();
        QFile::remove(chemin);
    }

    void etatDeDepart() {
        fiche = std::make_unique<TFicheRechercherCpVille>(messages);
        QCOMPARE(fiche->windowTitle(), QString("Recherche"));
        QCOMPARE(fiche->size(), QSize(481, 449));
        QCOMPARE(fiche->minimumSize(), fiche->maximumSize());
        QVERIFY(!(fiche->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(fiche->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(fiche->windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(fiche->GetFichierConfig(), std::string());

        const QStringList modes{"Commençant par", "Contient", "Egal à", "Finissant par"};
        for (const char* nom : {"cbConditionCP", "cbConditionVille"}) {
            auto* combo = Controle<QComboBox>(nom);
            QStringList libelles;
            for (int i = 0; i < combo->count(); ++i) {
                libelles << combo->itemText(i);
            }
            QCOMPARE(libelles, modes);
            QVERIFY(!combo->isEditable());
        }
        QCOMPARE(Controle<QComboBox>("cbConditionCP")->currentIndex(), 0);
        QCOMPARE(Controle<QComboBox>("cbConditionVille")->currentIndex(), 1);
        QCOMPARE(Controle<QLabel>("Label1")->text(), QString("Code postal"));
        QCOMPARE(Controle<QLabel>("Label4")->text(), QString("Ville"));
        QCOMPARE(Controle<QPushButton>("btnRecherche")->geometry(), QRect(390, 18, 75, 58));
        QCOMPARE(Controle<QListView>("lstbCp")->geometry(), QRect(16, 82, 449, 295));
        QCOMPARE(Controle<QPushButton>("btnValider")->iconSize(), QSize(32, 32));
        // The glyphs come from the resources: a missing one would leave no size.
        QCOMPARE(Controle<QPushButton>("btnValider")->icon().availableSizes(), QList<QSize>{QSize(32, 32)});
        QCOMPARE(Controle<QPushButton>("btnAnnuler")->icon().availableSizes(), QList<QSize>{QSize(32, 32)});
        for (auto* bouton : fiche->findChildren<QPushButton*>()) {
            QVERIFY2(!bouton->isDefault(), qPrintable(bouton->objectName()));
        }
        QCOMPARE(Controle<QListView>("lstbCp")->model()->rowCount(), 0);
    }

    void nomsAccessibles_data() {
        QTest::addColumn<QString>("controle");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::newRow("edtCp") << "edtCp"
                               << "Code postal" << QAccessible::EditableText;
        QTest::newRow("edtVille") << "edtVille"
                                  << "Ville" << QAccessible::EditableText;
        QTest::newRow("cbConditionCP") << "cbConditionCP"
                                       << "Code postal" << QAccessible::ComboBox;
        QTest::newRow("cbConditionVille") << "cbConditionVille"
                                          << "Ville" << QAccessible::ComboBox;
        QTest::newRow("lstbCp") << "lstbCp"
                                << "Résultats de la recherche" << QAccessible::List;
        QTest::newRow("btnRecherche") << "btnRecherche"
                                      << "Rechercher" << QAccessible::Button;
        QTest::newRow("btnValider") << "btnValider"
                                    << "Valider" << QAccessible::Button;
        QTest::newRow("btnAnnuler") << "btnAnnuler"
                                    << "Annuler" << QAccessible::Button;
    }
    void nomsAccessibles() {
        // What a screen reader (Orca through AT-SPI, Narrator and NVDA through
        // UI Automation) announces for each control: the caption of the label
        // tied to it when there is one, else its name. A combo box's name is
        // its current item on Linux, so its caption comes through its label.
        QFETCH(QString, controle);
        QFETCH(QString, nom);
        QFETCH(QAccessible::Role, role);
        fiche = std::make_unique<TFicheRechercherCpVille>(messages);
        QAccessibleInterface* interface =
            QAccessible::queryAccessibleInterface(Controle<QWidget>(qPrintable(controle)));
        QVERIFY(interface != nullptr);
        const auto libelles = interface->relations(QAccessible::Label);
        QVERIFY(libelles.size() <= 1);
        const QString annonce =
            libelles.isEmpty() ? interface->text(QAccessible::Name) : libelles.first().first->text(QAccessible::Name);
        QCOMPARE(annonce, nom);
        QCOMPARE(interface->role(), role);
        // The captions on screen stay as they were drawn.
        QCOMPARE(Controle<QLabel>("Label1")->text(), QString("Code postal"));
        QCOMPARE(Controle<QLabel>("Label4")->text(), QString("Ville"));
    }

    void ordreDeTabulation() {
        Ecrire(chemin, "");
        Ouvrir();
        QCOMPARE(QApplication::focusWidget(), Controle<QPushButton>("btnAnnuler"));
        QStringList parcours;
        for (int i = 0; i < 9; ++i) {
            parcours << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(parcours, QStringList({"btnAnnuler", "btnValider", "lstbCp", "edtCp", "edtVille", "cbConditionCP",
                                        "btnRecherche", "cbConditionVille", "btnAnnuler"}));
    }

    void limitesDeSaisie() {
        Ecrire(chemin, "[Quilvarest]\nZeruzuvoCp=12345678\n");
        Ouvrir();
        auto* cp = Controle<QLineEdit>("edtCp");
        auto* ville = Controle<QLineEdit>("edtVille");
        // Text the program put there is shown whole; typing cannot lengthen it,
        // but the user may shorten it.
        QCOMPARE(cp->text(), QString("12345678"));
        cp->setFocus();
        cp->end(false);
        QTest::keyClicks(cp, "9");
        QCOMPARE(cp->text(), QString("12345678"));
        QTest::keyClick(cp, Qt::Key_Backspace);
        QCOMPARE(cp->text(), QString("1234567"));
        cp->clear();
        QTest::keyClicks(cp, "7500123");
        QCOMPARE(cp->text(), QString("75001"));

        ville->setFocus();
        QTest::keyClicks(ville, "saint-");
        QKeyEvent accent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("é"));
        QApplication::sendEvent(ville, &accent);
        QTest::keyClicks(ville, "tienne");
        QCOMPARE(ville->text(), QString("SAINT-ÉTIENNE"));
        QTest::keyClicks(ville, QString(60, QChar('x')));
        QCOMPARE(ville->text().size(), 50);
    }

    void activationLitLeFichierUneFois() {
        Ecrire(chemin, "[Quilvarest]\nZeruzuvoCp=42\nZeruzuvoVille=Saint-Étienne\n");
        Ouvrir();
        QCOMPARE(Controle<QLineEdit>("edtCp")->text(), QString("42"));
        // The town box shows every letter in upper case, program text included.
        QCOMPARE(Controle<QLineEdit>("edtVille")->text(), QString("SAINT-ÉTIENNE"));
        QCOMPARE(Controle<QListView>("lstbCp")->model()->rowCount(), 0);

        // Focus leaving for another window and coming back must not reload.
        Ecrire(chemin, "[Quilvarest]\nZeruzuvoCp=13\n");
        QWidget autre;
        autre.show();
        QVERIFY(QTest::qWaitForWindowActive(&autre));
        fiche->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fiche.get()));
        QCOMPARE(Controle<QLineEdit>("edtCp")->text(), QString("42"));
        QVERIFY(messages.messages.empty());
    }

    void fichierAbsentFermeApresUnMessage() {
        fiche = std::make_unique<TFicheRechercherCpVille>(messages);
        fiche->SetFichierConfig(chemin.toStdString());
        fiche->show();
        QTRY_VERIFY(!fiche->isVisible());
        QTest::qWait(50);
        QCOMPARE(messages.messages, std::vector<std::string>{MessageAbsent});
        QVERIFY(!QFile::exists(chemin));
    }

    void entreeSurAnnulerAbandonne() {
        Ecrire(chemin, "[Quilvarest]\r\nCp=75001\r\n");
        Ouvrir();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!fiche->isVisible());
        QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\r\nCp=75001\r\nErreur=1\r\n"));
    }

    void caseDeFermetureNEcritRien() {
        const QByteArray contenu("[Quilvarest]\nZeruzuvoCp=75\n");
        Ecrire(chemin, contenu);
        Ouvrir();
        QVERIFY(fiche->close());
        QCOMPARE(Lire(chemin), contenu);
    }

    // --- Searching: the real store built beside the tests.

    void entreeDansChaqueBoiteCherche() {
        Ecrire(chemin, "[Quilvarest]\n");
        Ouvrir();
        auto* liste = Controle<QListView>("lstbCp");
        auto* cp = Controle<QLineEdit>("edtCp");
        cp->setText("75001");
        QTest::keyClick(cp, Qt::Key_Return);
        QCOMPARE(Lignes(liste), QStringList({"75001 - PARIS"}));
        QCOMPARE(liste->currentIndex().row(), 0);
        QVERIFY(liste->selectionModel()->isSelected(liste->model()->index(0, 0)));

        // The list changes only with a new search; the focus stays where it was.
        cp->clear();
        auto* ville = Controle<QLineEdit>("edtVille");
        ville->setFocus();
        ville->setText("saint-étienne");
        QCOMPARE(Lignes(liste), QStringList({"75001 - PARIS"}));
        QTest::keyClick(ville, Qt::Key_Return);
        QVERIFY(Lignes(liste).contains("42000 - SAINT-ÉTIENNE"));
        QCOMPARE(QApplication::focusWidget(), ville);

        ville->clear();
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QCOMPARE(liste->model()->rowCount(), 0);
        QVERIFY(messages.messages.empty());
    }

    // Towns of the overseas collectivities, a commune formed in 2026 and a
    // special distribution code, typed as an operator would.
    void communesDuStore_data() {
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QString>("ville");
        QTest::addColumn<QStringList>("lignes");
        QTest::newRow("noumea sans accent") << ""
                                            << "noumea" << QStringList{"98800 - NOUMÉA"};
        QTest::newRow("nouméa avec accent") << ""
                                            << "nouméa" << QStringList{"98800 - NOUMÉA"};
        QTest::newRow("papeete") << ""
                                 << "papeete" << QStringList{"98714 - PAPEETE"};
        QTest::newRow("saint-barthelemy sans accent") << "971"
                                                      << "saint-barthelemy" << QStringList{"97133 - SAINT-BARTHÉLEMY"};
        QTest::newRow("97150") << "97150"
                               << "" << QStringList{"97150 - SAINT-MARTIN"};
        // FILAIN and PARGNY-FILAIN merged: only the new commune remains.
        QTest::newRow("02000, filain") << "02000"
                                       << "filain" << QStringList{"02000 - PARGNY-ET-FILAIN"};
        QTest::newRow("31998") << "31998"
                               << "" << QStringList{"31998 - TOULOUSE"};
    }

    void communesDuStore() {
        QFETCH(QString, cp);
        QFETCH(QString, ville);
        QFETCH(QStringList, lignes);
        Ecrire(chemin, "[Quilvarest]\n");
        Ouvrir();
        Controle<QLineEdit>("edtCp")->setText(cp);
        Controle<QLineEdit>("edtVille")->setText(ville);
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QCOMPARE(Lignes(Controle<QListView>("lstbCp")), lignes);
        QVERIFY(messages.messages.empty());
    }

    // A former commune finds the commune it belongs to: its name is shown
    // beside the line, and Valider writes the commune, as the caller needs it.
    void autreNomMontrePuisCommuneEcrite() {
        Ecrire(chemin, "[Quilvarest]\nZeruzuvoVille=tourlaville\n");
        Ouvrir();
        auto* liste = Controle<QListView>("lstbCp");
        Controle<QComboBox>("cbConditionVille")->setCurrentIndex(2); // "Egal à"
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QCOMPARE(Lignes(liste), QStringList{"50110 - CHERBOURG-EN-COTENTIN"});
        QCOMPARE(liste->model()->index(0, 0).data(kRoleAutreNom).toString(), QString("TOURLAVILLE"));
        // A screen reader hears the line, then the name it was found by.
        QAccessibleInterface* ligne = QAccessible::queryAccessibleInterface(liste)->child(0);
        QVERIFY(ligne != nullptr);
        QCOMPARE(ligne->text(QAccessible::Name), QString("50110 - CHERBOURG-EN-COTENTIN"));
        QCOMPARE(ligne->text(QAccessible::Description), QString("Trouvée par l'autre nom TOURLAVILLE"));
        QTest::mouseClick(Controle<QPushButton>("btnValider"), Qt::LeftButton);
        QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\nZeruzuvoVille=tourlaville\nCp=50110\n"
                                          "Ville=CHERBOURG-EN-COTENTIN\nErreur=0\n"));
        // Found by its own name, a line shows nothing beside it.
        Ouvrir();
        Controle<QLineEdit>("edtCp")->setText("50110");
        Controle<QLineEdit>("edtVille")->setText("cherbourg-en-cotentin");
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        liste = Controle<QListView>("lstbCp");
        QCOMPARE(Lignes(liste), QStringList{"50110 - CHERBOURG-EN-COTENTIN"});
        QVERIFY(liste->model()->index(0, 0).data(kRoleAutreNom).toString().isEmpty());
        QVERIFY(QAccessible::queryAccessibleInterface(liste)->child(0)->text(QAccessible::Description).isEmpty());
        QVERIFY(messages.messages.empty());
    }

    void rienTrouvePuisValider() {
        const QByteArray contenu("[Quilvarest]\nCp=13001\nVille=MARSEILLE\nErreur=0\n");
        Ecrire(chemin, contenu);
        Ouvrir();
        Controle<QLineEdit>("edtCp")->setText("00000");
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QCOMPARE(Controle<QListView>("lstbCp")->model()->rowCount(), 0);
        QTest::mouseClick(Controle<QPushButton>("btnValider"), Qt::LeftButton);
        QVERIFY(!fiche->isVisible());
        QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\nCp=13001\nVille=MARSEILLE\nErreur=1\n"));
        QVERIFY(messages.messages.empty());
    }

    void ligneDoubleCliqueeEnregistree() {
        Ecrire(chemin, "; written by the caller\r\n[Quilvarest]\r\nZeruzuvoCp=4200\r\n");
        Ouvrir();
        auto* liste = Controle<QListView>("lstbCp");
        Controle<QComboBox>("cbConditionCP")->setCurrentIndex(2); // "Egal à"
        Controle<QLineEdit>("edtCp")->setText("42000");
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QVERIFY(liste->model()->rowCount() >= 1);
        const QRect ligne = liste->visualRect(liste->model()->index(0, 0));
        QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, ligne.center());
        QVERIFY(!fiche->isVisible());
        const QString choisie = liste->model()->index(0, 0).data().toString();
        QCOMPARE(Lire(chemin), "; written by the caller\r\n[Quilvarest]\r\nZeruzuvoCp=4200\r\nCp=42000\r\nVille=" +
                                   choisie.mid(8).toUtf8() + "\r\nErreur=0\r\n");
    }

    void doubleClicSousLaDerniereLigneGardeLaLigne() {
        // A click below the last line keeps the selected one: the
        // double-click there validates the line the user chose.
        Ecrire(chemin, "[Quilvarest]\nZeruzuvoCp=7500\n");
        Ouvrir();
        auto* liste = Controle<QListView>("lstbCp");
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        const QStringList lignes = Lignes(liste);
        const int choisie = static_cast<int>(lignes.indexOf("75004 - PARIS"));
        QVERIFY(choisie > 0);
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {},
                          liste->visualRect(liste->model()->index(choisie, 0)).center());
        const QRect derniere = liste->visualRect(liste->model()->index(liste->model()->rowCount() - 1, 0));
        const QPoint dessous(derniere.center().x(), derniere.bottom() + derniere.height());
        QVERIFY(dessous.y() < liste->viewport()->height());
        QVERIFY(!liste->indexAt(dessous).isValid());
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, dessous);
        QVERIFY(liste->selectionModel()->isSelected(liste->model()->index(choisie, 0)));
        QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, dessous);
        QVERIFY(!fiche->isVisible());
        QCOMPARE(Lire(chemin), QByteArray("[Quilvarest]\nZeruzuvoCp=7500\nCp=75004\nVille=PARIS\nErreur=0\n"));
    }

    void criteresHorsNormesDeLAppelant() {
        // The caller may leave anything: a 10,000-character code, control
        // characters, a stray byte. The code is shown whole and found in no
        // town; the characters nobody could type are left out of the boxes.
        const QByteArray code(10000, '7');
        Ecrire(chemin, "[Quilvarest]\nZeruzuvoCp=" + code + "\nZeruzuvoVille=a\x01\tb\x1b\n");
        Ouvrir();
        auto* cp = Controle<QLineEdit>("edtCp");
        auto* ville = Controle<QLineEdit>("edtVille");
        QCOMPARE(cp->text().toLatin1(), code);
        QCOMPARE(ville->text(), QString("AB"));
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QCOMPARE(Controle<QListView>("lstbCp")->model()->rowCount(), 0);

        cp->clear();
        ville->setText(QString("\x01%"));
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QCOMPARE(Controle<QListView>("lstbCp")->model()->rowCount(), 0);
        QVERIFY(messages.messages.empty());
    }

    void criteresInvisiblesOtesPuisTrouves() {
        // In a UTF-16 file, a backspace before the code and a lone surrogate
        // before the town would not show, yet the search would find nothing.
        const QString texte = QStringLiteral("[Quilvarest]\r\nZeruzuvoCp=\b75004\r\nZeruzuvoVille=") + QChar(0xD800) +
                              QStringLiteral("paris\r\n");
        QByteArray octets("\xff\xfe");
        octets.append(reinterpret_cast<const char*>(texte.utf16()), texte.size() * 2);
        Ecrire(chemin, octets);
        Ouvrir();
        QCOMPARE(Controle<QLineEdit>("edtCp")->text(), QString("75004"));
        QCOMPARE(Controle<QLineEdit>("edtVille")->text(), QString("PARIS"));
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QCOMPARE(Lignes(Controle<QListView>("lstbCp")), QStringList({"75004 - PARIS"}));
    }

    void erreurDansUnGestionnaireAffichee() {
        // Without its store the search fails: the message is shown, the list
        // stays empty and the dialog stays open for the user to go on.
        const QString base = QCoreApplication::applicationDirPath() + "/Quilvarest.abs";
        const QString cachee = base + ".cachee";
        QVERIFY(QFile::rename(base, cachee));
        Ecrire(chemin, "[Quilvarest]\n");
        Ouvrir();
        Controle<QLineEdit>("edtCp")->setText("75");
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QVERIFY(QFile::rename(cachee, base));
        QCOMPARE(messages.messages.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(messages.messages[0]).contains("Quilvarest.abs"));
        QVERIFY(fiche->isVisible());
        QCOMPARE(Controle<QListView>("lstbCp")->model()->rowCount(), 0);

        // The next search works on the store now back in place.
        QTest::mouseClick(Controle<QPushButton>("btnRecherche"), Qt::LeftButton);
        QVERIFY(Lignes(Controle<QListView>("lstbCp")).contains("75001 - PARIS"));
    }
};

QTEST_MAIN(TestFiche)
#include "test_fiche.moc"
