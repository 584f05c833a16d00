// dialogue_nu [--plein <Quilvarest.abs> [SQL] | --dialogue]
//
// The start-up floor the program is measured against: a plain QWidget titled
// "Recherche" with the dialog's ten controls at the same places (two labels,
// two line edits, two combos of four items, three push buttons, two of them
// with a 32 px glyph, a QListView on a QStringListModel), the same tab order,
// the focus on Annuler, no style sheet, no font of its own, no store, no
// configuration file. Enter on a button or a click closes it.
//
// With --plein, Enter in the postal-code box lists every row of the store
// (a plain SQLite read, no criterion) and selects the first, so that the same
// keys drive both programs; the number of lines and the first of them are
// written on the error output at the end, to show the list was filled. SQL,
// when given, is the query run instead: the same condition in SQLite's own
// terms, the floor of one search.
//
// With --dialogue, the window is of type Qt::Dialog instead of Qt::Window,
// with the dialog's frame flags: the type the program's dialog has on Windows
// (src/plateforme/interface/TypeFenetre.h), where Qt's windows platform asks
// Direct3D for the graphics adapter before it places a Qt::Window.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStringListModel>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <string>

namespace {

QStringList LireBase(const char* chemin, const char* sql) {
    QStringList lignes;
    sqlite3* connexion = nullptr;
    sqlite3_stmt* instruction = nullptr;
    if (sqlite3_open_v2(chemin, &connexion, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(connexion, sql, -1, &instruction, nullptr) == SQLITE_OK) {
        std::string ligne;
        while (sqlite3_step(instruction) == SQLITE_ROW) {
            ligne.assign(reinterpret_cast<const char*>(sqlite3_column_text(instruction, 0)),
                         static_cast<std::size_t>(sqlite3_column_bytes(instruction, 0)));
            ligne += " - ";
            ligne.append(reinterpret_cast<const char*>(sqlite3_column_text(instruction, 1)),
                         static_cast<std::size_t>(sqlite3_column_bytes(instruction, 1)));
            lignes.append(QString::fromUtf8(ligne.data(), static_cast<qsizetype>(ligne.size())));
        }
    } else {
        std::fprintf(stderr, "dialogue_nu: %s\n", sqlite3_errmsg(connexion));
    }
    sqlite3_finalize(instruction);
    sqlite3_close_v2(connexion);
    return lignes;
}

QComboBox* Combo(QWidget* parent, int x, int y) {
    auto* combo = new QComboBox(parent);
    combo->setGeometry(x, y, 117, 21);
    combo->addItems({QStringLiteral("Commençant par"), QStringLiteral("Contient"), QStringLiteral("Egal à"),
                     QStringLiteral("Finissant par")});
    return combo;
}

QPushButton* Bouton(QWidget* parent, const QString& texte, const QRect& place, const QString& glyphe) {
    auto* bouton = new QPushButton(texte, parent);
    bouton->setGeometry(place);
    bouton->setAutoDefault(true);
    if (!glyphe.isEmpty()) {
        bouton->setIcon(QIcon(glyphe));
        bouton->setIconSize(QSize(32, 32));
    }
    return bouton;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const bool plein = (argc == 3 || argc == 4) && std::strcmp(argv[1], "--plein") == 0;
    const char* base = plein ? argv[2] : nullptr;
    const char* sql = plein && argc == 4 ? argv[3] : "SELECT Cp, Ville FROM Quilvarest";
    const bool dialogue = argc == 2 && std::strcmp(argv[1], "--dialogue") == 0;

    QWidget fenetre(nullptr, dialogue ? Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                            Qt::MSWindowsFixedSizeDialogHint
                                      : Qt::WindowFlags());
    fenetre.setWindowTitle(QStringLiteral("Recherche"));
    fenetre.setFixedSize(481, 449);
    auto* code = new QLabel(QStringLiteral("Code postal"), &fenetre);
    code->setGeometry(16, 21, 57, 13);
    auto* ville = new QLabel(QStringLiteral("Ville"), &fenetre);
    ville->setGeometry(16, 56, 18, 13);
    auto* edtCp = new QLineEdit(&fenetre);
    edtCp->setGeometry(202, 18, 47, 21);
    auto* edtVille = new QLineEdit(&fenetre);
    edtVille->setGeometry(202, 55, 182, 21);
    QComboBox* cbCp = Combo(&fenetre, 79, 18);
    QComboBox* cbVille = Combo(&fenetre, 79, 55);
    QPushButton* valider =
        Bouton(&fenetre, QStringLiteral("Valider"), QRect(250, 392, 105, 43), QStringLiteral(":/glyphes/valider.png"));
    QPushButton* annuler =
        Bouton(&fenetre, QStringLiteral("Annuler"), QRect(360, 392, 105, 43), QStringLiteral(":/glyphes/annuler.png"));
    QPushButton* recherche = Bouton(&fenetre, QStringLiteral("Rechercher"), QRect(390, 18, 75, 58), QString());
    auto* liste = new QListView(&fenetre);
    liste->setGeometry(16, 82, 449, 295);
    liste->setUniformItemSizes(true);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* modele = new QStringListModel(&fenetre);
    liste->setModel(modele);

    QWidget::setTabOrder(annuler, valider);
    QWidget::setTabOrder(valider, liste);
    QWidget::setTabOrder(liste, edtCp);
    QWidget::setTabOrder(edtCp, edtVille);
    QWidget::setTabOrder(edtVille, cbCp);
    QWidget::setTabOrder(cbCp, recherche);
    QWidget::setTabOrder(recherche, cbVille);

    QObject::connect(valider, &QPushButton::clicked, &fenetre, &QWidget::close);
    QObject::connect(annuler, &QPushButton::clicked, &fenetre, &QWidget::close);
    if (base != nullptr) {
        QObject::connect(edtCp, &QLineEdit::returnPressed, &fenetre, [=] {
            modele->setStringList(LireBase(base, sql));
            if (modele->rowCount() > 0) {
                liste->setCurrentIndex(modele->index(0));
            }
        });
    }
    annuler->setFocus();

    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        fenetre.move(ecran->availableGeometry().center() - fenetre.rect().center());
    }
    fenetre.show();
    // No window manager under Xvfb: the window takes the keyboard itself.
    fenetre.activateWindow();
    const int statut = QApplication::exec();
    if (base != nullptr) {
        std::fprintf(stderr, "dialogue_nu: %d lignes\n", modele->rowCount());
        if (modele->rowCount() > 0) {
            std::fprintf(stderr, "dialogue_nu: première %s\n", qPrintable(modele->stringList().first()));
        }
    }
    return statut;
}
