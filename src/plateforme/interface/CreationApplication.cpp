#include "CreationApplication.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

const char* const kMessageSansAffichage =
    "Quilvarest : aucun affichage n'est accessible, la fenêtre de recherche ne peut pas s'ouvrir.";

namespace {

// A message Qt gave while the application object was being created, kept to be
// passed on once the creation has succeeded. The context's strings are copied:
// nothing says they outlive the call.
struct MessageRetenu {
    QtMsgType type;
    std::string fichier, fonction, categorie;
    int ligne;
    QString texte;
};

std::mutex verrou;
std::vector<MessageRetenu> retenus;

// Qt reports a failed platform plugin as a fatal message and aborts when the
// handler returns: the handler ends the process first. The warnings that led
// there ("could not connect to display", ...) are dropped with it.
void Retenir(QtMsgType type, const QMessageLogContext& contexte, const QString& texte) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", kMessageSansAffichage);
        std::fflush(stderr);
        std::_Exit(0);
    }
    const std::lock_guard<std::mutex> garde(verrou);
    retenus.push_back({type, contexte.file != nullptr ? contexte.file : "",
                       contexte.function != nullptr ? contexte.function : "",
                       contexte.category != nullptr ? contexte.category : "", contexte.line, texte});
}

// A context string as Qt gave it: null stays null (release builds give no file).
const char* Chaine(const std::string& texte) {
    return texte.empty() ? nullptr : texte.c_str();
}

} // namespace

std::unique_ptr<QApplication> CreerApplication(int& argc, char** argv) {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    const QtMessageHandler precedent = qInstallMessageHandler(Retenir);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(precedent);

    std::vector<MessageRetenu> messages;
    {
        const std::lock_guard<std::mutex> garde(verrou);
        messages.swap(retenus);
    }
    for (const MessageRetenu& message : messages) {
        const QMessageLogContext contexte(Chaine(message.fichier), message.ligne, Chaine(message.fonction),
                                          Chaine(message.categorie));
        precedent(message.type, contexte, message.texte);
    }
    return application;
}
