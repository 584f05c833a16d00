#pragma once

#include "Messagerie.h"

#include <string>
#include <vector>

// A message service that records what the program would show, so no test
// ever blocks on a modal box.
class MessagerieObservee : public Messagerie {
public:
    void AfficherMessage(const std::string& texte) override { messages.push_back(texte); }

    std::vector<std::string> messages;
};
