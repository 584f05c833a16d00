#pragma once

#include <string>

// The modal message: one fixed text, one acknowledgement button, returns once
// the user has closed it. Injected wherever the program speaks to the user so
// that the widget-free code stays widget-free and tests can read the texts.
class Messagerie {
public:
    virtual ~Messagerie() = default;

    // Shows texte (a narrow string) and returns when the user has closed the box.
    virtual void AfficherMessage(const std::string& texte) = 0;
};
