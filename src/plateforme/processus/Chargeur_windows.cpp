#include "Chargeur.h"

#include <windows.h>

void RestreindreChargementBibliotheques() {
    // Also drops the current folder from the search of LoadLibrary calls
    // that give no flags of their own, which is how Qt loads most of its
    // optional DLLs.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
}
