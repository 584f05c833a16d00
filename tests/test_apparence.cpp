#include "ControlesDeTest.h"
#include "Demarrage.h"
#include "FichiersDeTest.h"
#include "MessagerieObservee.h"
#include "MessagerieQt.h"
#include "ModeleLignes.h"
#include "StyleVisuel.h"
#include "UnitFicheRecherche.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

namespace {

// The active colours of qt6ct's "darker" scheme, the dark palette that Plasma
// and GNOME's dark mode hand to Qt programs through it, in QPalette's role
// order (qt6ct's colors/darker.conf).
QPalette PaletteSombre() {
    const char* const couleurs[] = {"#ffffff", "#424245", "#979797", "#5e5c5b", "#302f2e", "#4a4947", "#ffffff",
                                    "#ffffff", "#ffffff", "#3d3d3d", "#222020", "#e7e4e0", "#12608a", "#f9f9f9",
                                    "#0986d3", "#a70b06", "#5c5b5a", "#ffffff", "#3f3f36", "#ffffff", "#80ffffff"};
    QPalette palette;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        palette.setColor(static_cast<QPalette::ColorRole>(role), QColor(QString::fromLatin1(couleurs[role])));
    }
    return palette;
}

// Relative luminance and contrast ratio as WCAG 2 defines them.
double Luminance(QRgb pixel) {
    const auto lineaire = [](int composante) {
        const double c = composante / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lineaire(qRed(pixel)) + 0.7152 * lineaire(qGreen(pixel)) + 0.0722 * lineaire(qBlue(pixel));
}

double Contraste(QRgb a, QRgb b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of a text against what it is drawn on. The widget is grabbed
// with its text, then again once effacer has removed the text: the pixels that
// differ are the text's, and the same pixels of the second grab are its
// background. Glyph edges blend the two colours, so the figure is the best of
// the text's pixels: a glyph's core shows the text colour itself. Gives 0
// when no text was drawn at all.
double ContrasteDuTexte(QWidget* widget, const std::function<void()>& effacer) {
    // The window is grabbed where the widget lies: a label paints no
    // background of its own, its window's shows through.
    QWidget* fenetre = widget->window();
    const QRect zone(widget->mapTo(fenetre, QPoint(0, 0)), widget->size());
    const QImage avec = fenetre->grab(zone).toImage().convertToFormat(QImage::Format_RGB32);
    effacer();
    const QImage sans = fenetre->grab(zone).toImage().convertToFormat(QImage::Format_RGB32);
    double meilleur = 0;
    int pixels = 0;
    for (int y = 0; y < avec.height(); ++y) {
        for (int x = 0; x < avec.width(); ++x) {
            if (avec.pixel(x, y) != sans.pixel(x, y)) {
                ++pixels;
                meilleur = std::max(meilleur, Contraste(avec.pixel(x, y), sans.pixel(x, y)));
            }
        }
    }
    if (pixels < 10) {
        qWarning("%s: no text drawn", qPrintable(widget->objectName()));
        return 0;
    }
    return meilleur;
}

// The number of pixel rows of image that hold any pixel other than fond: the
// rows a text's glyphs cover, accents and descenders included.
int RangeesEncrees(const QImage& image, QRgb fond) {
    int rangees = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != fond) {
                ++rangees;
                break;
            }
        }
    }
    return rangees;
}

} // namespace

// The dialog as a desktop may show it: a dark palette handed over by the
// platform theme, only DejaVu installed (CMake runs this with fontconfig
// limited to DejaVu), a theme that changes the application font once the
// program runs. Whatever the desktop, every text must stay readable and fit.
class TestApparence : public QObject {
    Q_OBJECT

    QTemporaryDir dossier;
    MessagerieObservee messages;
    std::unique_ptr<TFicheRechercherCpVille> fiche;

    template <class T> T* Controle(const char* nom) { return ControleDe<T>(*fiche, nom); }

    // Every text of the dialog fits its control: a label neither overflows
    // nor runs under the control beside it, a combo box's longest item fits
    // left of its arrow, a button's glyph and caption fit inside its border.
    void VerifierQueToutTient() {
        const QList<QWidget*> controles = fiche->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QLabel* label : fiche->findChildren<QLabel*>()) {
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(label->text()));
            for (QWidget* autre : controles) {
                QVERIFY2(autre == label || !label->geometry().intersects(autre->geometry()),
                         qPrintable(label->text() + " under " + autre->objectName()));
            }
        }
        for (QComboBox* combo : fiche->findChildren<QComboBox*>()) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.subControls = QStyle::SC_All;
            const QRect champ =
                combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            for (int i = 0; i < combo->count(); ++i) {
                QVERIFY2(combo->fontMetrics().horizontalAdvance(combo->itemText(i)) <= champ.width(),
                         qPrintable(combo->itemText(i) + " in " + combo->objectName()));
            }
        }
        for (QPushButton* bouton : fiche->findChildren<QPushButton*>()) {
            QStyleOptionButton option;
            option.initFrom(bouton);
            const QRect interieur = bouton->style()->subElementRect(QStyle::SE_PushButtonContents, &option, bouton);
            const int glyphe = bouton->icon().isNull() ? 0 : bouton->iconSize().width() + 4;
            QVERIFY2(glyphe + bouton->fontMetrics().horizontalAdvance(bouton->text()) <= interieur.width(),
                     qPrintable(bouton->text()));
        }
    }

private slots:
    void initTestCase() {
        // The palette comes first, as a platform theme gives it when the
        // application object is created; then the program's own set-up.
        QApplication::setPalette(PaletteSombre());
        PreparerApplication(messages);
        QVERIFY(messages.messages.empty());
        Ecrire(dossier.filePath("appel.ini"), "[Quilvarest]\nZeruzuvoCp=75001\nZeruzuvoVille=PARIS\n");
    }
    // Each case has a dialog of its own: the colour cases take texts away.
    void init() {
        fiche = std::make_unique<TFicheRechercherCpVille>(messages);
        fiche->SetFichierConfig(dossier.filePath("appel.ini").toStdString());
        fiche->show();
        QVERIFY(QTest::qWaitForWindowActive(fiche.get()));
    }
    void cleanup() {
        fiche.reset();
        QVERIFY(messages.messages.empty());
    }

    // --- Colours

    void textesLisiblesSousUnePaletteSombre() {
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 64);
        auto* liste = Controle<QListView>("lstbCp");
        fiche->LancerRecherche();
        QCOMPARE(liste->model()->rowCount(), 1);
        liste->clearSelection();

        QList<std::pair<QWidget*, std::function<void()>>> textes;
        for (QLabel* label : fiche->findChildren<QLabel*>()) {
            textes.append({label, [label] { label->setText(QString()); }});
        }
        for (QPushButton* bouton : fiche->findChildren<QPushButton*>()) {
            textes.append({bouton, [bouton] { bouton->setText(QString()); }});
        }
        for (QComboBox* combo : fiche->findChildren<QComboBox*>()) {
            textes.append({combo, [combo] { combo->setItemText(combo->currentIndex(), QString()); }});
        }
        for (QLineEdit* edition : fiche->findChildren<QLineEdit*>()) {
            textes.append({edition, [edition] { edition->setText(QString()); }});
        }
        textes.append({liste, [liste] { static_cast<ModeleLignes*>(liste->model())->Remplir({}); }});
        for (const auto& [widget, effacer] : textes) {
            const double contraste = ContrasteDuTexte(widget, effacer);
            QVERIFY2(contraste >= 4.5, qPrintable(widget->objectName() + ": " + QString::number(contraste)));
        }
    }

    // A row found by a former commune's name shows it beside its line,
    // readable and drawn, selected or not.
    void autreNomLisibleSousUnePaletteSombre() {
        auto* liste = Controle<QListView>("lstbCp");
        Controle<QLineEdit>("edtCp")->setText("50110");
        Controle<QLineEdit>("edtVille")->setText("tourlaville");
        fiche->LancerRecherche();
        QCOMPARE(liste->model()->rowCount(), 1);
        auto* modele = static_cast<ModeleLignes*>(liste->model());
        const QStringList lignes{liste->model()->index(0, 0).data().toString()};
        for (const bool selectionnee : {true, false}) {
            modele->Remplir(lignes, {{0, QStringLiteral("TOURLAVILLE")}});
            if (selectionnee) {
                liste->setCurrentIndex(modele->index(0));
            }
            const double contraste = ContrasteDuTexte(liste, [&] { modele->Remplir(lignes); });
            QVERIFY2(contraste >= 4.5, qPrintable(QString::number(contraste)));
        }
    }

    // Under the system's high contrast the program's style steps aside: the
    // dialog is drawn in the palette the system gives, not the sheet's grey.
    void contrasteEleveLaisseLesCouleursDuSysteme() {
        const auto fondDuDialogue = [this] {
            fiche = std::make_unique<TFicheRechercherCpVille>(messages);
            fiche->show();
            return fiche->grab(QRect(2, 2, 1, 1)).toImage().pixelColor(0, 0);
        };
        qApp->setStyleSheet(QString());
        QVERIFY(!AppliquerStyle("quilvarest", messages, true));
        QCOMPARE(fondDuDialogue(), QApplication::palette().color(QPalette::Window));
        QVERIFY(AppliquerStyle("quilvarest", messages, false));
        QCOMPARE(fondDuDialogue(), QColor("#f0f0f0"));
    }

    void messageLisibleSousUnePaletteSombre() {
        // The program's own message box, grabbed while it waits for the user.
        double texte = 0;
        double bouton = 0;
        QTimer::singleShot(0, [&] {
            auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (boite == nullptr) {
                qWarning("no message box");
                return;
            }
            auto* libelle = boite->findChild<QLabel*>("qt_msgbox_label");
            auto* ok = boite->button(QMessageBox::Ok);
            texte = ContrasteDuTexte(boite, [libelle] { libelle->setText(QString()); });
            bouton = ContrasteDuTexte(ok, [ok] { ok->setText(QString()); });
            boite->accept();
        });
        MessagerieQt().AfficherMessage("Le fichier de configuration n'existe pas.");
        QVERIFY2(texte >= 4.5, qPrintable(QString::number(texte)));
        QVERIFY2(bouton >= 4.5, qPrintable(QString::number(bouton)));
    }

    // --- Fonts

    void seulDejaVuEstInstalle() {
        // Else the next cases would prove nothing: Tahoma may only be the
        // program's own copy.
        // Monospace, Sans Serif and Serif are Qt's names for fontconfig's
        // generic families.
        const QStringList generiques{"Monospace", "Sans Serif", "Serif"};
        for (const QString& famille : QFontDatabase::families()) {
            QVERIFY2(famille.startsWith("DejaVu") || famille == "Tahoma" || generiques.contains(famille),
                     qPrintable(famille));
        }
    }

    void chaqueTexteTientDansSonControle() { VerifierQueToutTient(); }

    void chaqueTexteTientQuandLeThemeChangeLaPolice() {
        // qt6ct and desktop settings set their fonts once the event loop runs:
        // the application's, and one for each class Qt takes a theme font
        // for, among which these reach the dialog's controls. The dialog
        // keeps the font it was drawn for.
        const QFont police = QApplication::font();
        const QFont grande("DejaVu Sans", 12);
        QApplication::setFont(grande);
        for (const char* classe :
             {"QLabel", "QPushButton", "QAbstractItemView", "QListView", "QComboMenuItem", "QComboLineEdit"}) {
            QApplication::setFont(grande, classe);
        }
        QCoreApplication::processEvents();
        VerifierQueToutTient();
        QApplication::setFont(police); // also forgets the fonts per class
    }

    // --- Lines of the list

    void lesAccentsDesCapitalesSontEntiers() {
        // The É of SAINT-ÉTIENNE rises above the font's ascent, from which Qt
        // sizes a line: the selected line is grabbed as shown and set against
        // the same text drawn in the same font and colours with room all
        // around. Every row the text covers there must be in the line.
        auto* liste = Controle<QListView>("lstbCp");
        Controle<QLineEdit>("edtCp")->setText("42000");
        Controle<QLineEdit>("edtVille")->clear();
        fiche->LancerRecherche();
        const QModelIndex ligne = liste->model()->index(0, 0);
        QCOMPARE(ligne.data().toString(), QString("42000 - SAINT-ÉTIENNE"));
        QVERIFY(liste->selectionModel()->isSelected(ligne));
        const QImage affichee =
            liste->viewport()->grab(liste->visualRect(ligne)).toImage().convertToFormat(QImage::Format_RGB32);
        // The line's right end, past its text, shows the selection alone.
        const QRgb fond = affichee.pixel(affichee.width() - 1, affichee.height() / 2);

        const QFontMetrics mesures(liste->font());
        QImage reference(affichee.width(), 3 * mesures.height(), QImage::Format_RGB32);
        reference.fill(fond);
        QPainter peintre(&reference);
        peintre.setFont(liste->font());
        peintre.setPen(liste->palette().color(QPalette::HighlightedText));
        peintre.drawText(QPoint(4, 2 * mesures.height()), ligne.data().toString());
        peintre.end();
        QCOMPARE(RangeesEncrees(affichee, fond), RangeesEncrees(reference, fond));
    }
};

QTEST_MAIN(TestApparence)
#include "test_apparence.moc"
