#include "Chargeur.h"

void RestreindreChargementBibliotheques() {}
