#include "ContrasteEleve.h"

#include <windows.h>

bool ContrasteEleveActif() {
    HIGHCONTRASTW contraste{};
    contraste.cbSize = sizeof(contraste);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contraste), &contraste, 0) != FALSE &&
           (contraste.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
