#pragma once

#include <functional>

class Messagerie;

// Runs one event handler. An error escaping it ends the handler where it was
// raised; its message is shown in a modal box and the event loop goes on. Qt
// does not let exceptions cross its event loop, so every handler of the
// program is run through here rather than catching on its own.
void ExecuterGestionnaire(Messagerie& messagerie, const std::function<void()>& gestionnaire);

// Shows the error being handled: its message for a std::exception, an empty
// text for anything else thrown. Call only from inside a catch block.
void AfficherErreurCourante(Messagerie& messagerie);
