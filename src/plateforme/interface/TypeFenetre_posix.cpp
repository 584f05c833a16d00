#include "TypeFenetre.h"

Qt::WindowType TypeFenetreFiche() {
    return Qt::Window;
}
