#include "Demarrage.h"

#include "AffichageErreur.h"
#include "Chargeur.h"
#include "ContrasteEleve.h"
#include "CreationApplication.h"
#include "LigneDeCommande.h"
#include "Messagerie.h"
#include "PoliceProgramme.h"
#include "StyleVisuel.h"
#include "UnitFicheRecherche.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <memory>
#include <string>
#include <vector>

namespace {

QIcon IconeProgramme() {
    QIcon icone;
    for (const int taille : {16, 32, 48}) {
        icone.addFile(QStringLiteral(":/icone/quilvarest-%1.png").arg(taille), QSize(taille, taille));
    }
    return icone;
}

} // namespace

void PreparerApplication(Messagerie& messagerie) {
    // The resources live in a static library: nothing would link them in.
    Q_INIT_RESOURCE(quilvarest);
    // The name of the installed desktop entry: the Wayland app id and the X11
    // window class, by which docks find the entry and so the icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quilvarest"));
    QCoreApplication::setApplicationName(QStringLiteral("quilvarest"));
    QApplication::setWindowIcon(IconeProgramme());
    // Tahoma at 11 pixels (8 points at 96 dpi), as the layout was drawn. Set
    // for the whole application before any widget exists, so that each widget
    // takes it at creation and no other font is ever loaded for nothing.
    QApplication::setFont(PoliceProgramme(QStringLiteral("Tahoma"), 11, QStringLiteral(":/police/tahoma.ttf")));
    AppliquerStyle("quilvarest", messagerie, ContrasteEleveActif());
}

int Demarrer(int& argc, char** argv, Messagerie& messagerie) {
    RestreindreChargementBibliotheques();
    std::unique_ptr<QApplication> application;
    try {
        const std::vector<std::string> arguments = ArgumentsProgramme(argc, argv);
        if (arguments.size() != 1) {
            // A message box needs the application object; nothing else is set up.
            application = CreerApplication(argc, argv);
            messagerie.AfficherMessage("Erreur : Fichier de configuration manquant.");
            return 0;
        }
        const std::string cheminConfig = arguments.front();
        application = CreerApplication(argc, argv);
        PreparerApplication(messagerie);

        TFicheRechercherCpVille fiche(messagerie);
        FicheRechercherCpVille = &fiche;
        fiche.SetFichierConfig(cheminConfig);
        // Centred on the screen: the dialog has no owner window to centre on.
        if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
            fiche.move(ecran->availableGeometry().center() - fiche.rect().center());
        }
        fiche.show();
        QApplication::exec();
        FicheRechercherCpVille = nullptr;
    } catch (...) {
        FicheRechercherCpVille = nullptr;
        AfficherErreurCourante(messagerie);
    }
    return 0;
}
