#include "ContrasteEleve.h"

// Desktops on Linux give high contrast through the palette they hand to Qt,
// which the program's style follows wherever it paints nothing of its own.
bool ContrasteEleveActif() {
    return false;
}
