#include "AffichageErreur.h"

#include "Messagerie.h"

#include <exception>

void AfficherErreurCourante(Messagerie& messagerie) {
    try {
        throw;
    } catch (const std::exception& erreur) {
        messagerie.AfficherMessage(erreur.what());
    } catch (...) {
        // Something that is not an error object carries no message to show.
        messagerie.AfficherMessage("");
    }
}

void ExecuterGestionnaire(Messagerie& messagerie, const std::function<void()>& gestionnaire) {
    try {
        gestionnaire();
    } catch (...) {
        AfficherErreurCourante(messagerie);
    }
}
