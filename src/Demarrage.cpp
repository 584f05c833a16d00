#include "Demarrage.h"

#include "AffichageErreur.h"
#include "LigneDeCommande.h"
#include "Messagerie.h"
#include "StyleVisuel.h"
#include "UnitFicheRecherche.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <memory>
#include <string>
#include <vector>

namespace {

// The application object, created only when the process has none yet.
std::unique_ptr<QApplication> CreerApplication(int& argc, char** argv) {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    return std::make_unique<QApplication>(argc, argv);
}

QIcon IconeProgramme() {
    QIcon icone;
    for (const int taille : {16, 32, 48}) {
        icone.addFile(QStringLiteral(":/icone/quilvarest-%1.png").arg(taille), QSize(taille, taille));
    }
    return icone;
}

} // namespace

int Demarrer(int& argc, char** argv, Messagerie& messagerie) {
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
        // The resources live in a static library: nothing would link them in.
        Q_INIT_RESOURCE(quilvarest);
        QApplication::setWindowIcon(IconeProgramme());
        AppliquerStyle("quilvarest", messagerie);

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
