#include "CreationApplication.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One message as one piece of a line: its category, when it has one of its
// own, then its text with every run of line breaks and blanks as one blank.
std::string EnUnePhrase(const char* categorie, const QString& texte) {
    const bool propre = categorie != nullptr && std::strcmp(categorie, "default") != 0;
    return (propre ? categorie + std::string(": ") : std::string()) + texte.simplified().toStdString();
}

// Qt reports a failed platform plugin as a fatal message and aborts when the
// handler returns: the handler ends the process first, with our line on the
// standard error carrying Qt's reason: the warnings that led there ("could
// not connect to display", ...) and the fatal message itself.
void Retenir(QtMsgType type, const QMessageLogContext& contexte, const QString& texte) {
    if (type == QtFatalMsg) {
        std::string ligne = std::string(kMessageSansAffichage) + " (Qt : ";
        {
            const std::lock_guard<std::mutex> garde(verrou);
            for (const MessageRetenu& message : retenus) {
                ligne += EnUnePhrase(message.categorie.c_str(), message.texte) + " ; ";
            }
        }
        ligne += EnUnePhrase(contexte.category, texte) + ")";
        std::fprintf(stderr, "%s\n", ligne.c_str());
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
