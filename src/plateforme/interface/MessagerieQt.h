#pragma once

#include "Messagerie.h"

// The modal message on a QMessageBox: the texts the program shows the user,
// captioned with the application's title and carrying its icon. Needs the
// application object, and nothing else set up.
class MessagerieQt : public Messagerie {
public:
    void AfficherMessage(const std::string& texte) override;
};
