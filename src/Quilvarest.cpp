#include "Demarrage.h"
#include "MessagerieQt.h"

int main(int argc, char** argv) {
    MessagerieQt messagerie;
    return Demarrer(argc, argv, messagerie);
}
