#pragma once

#include <QString>
#include <QWidget>
#include <QtGlobal>

// The dialog's control of that name and kind; a test cannot go on without
// it, so a missing one stops the test program at once, naming it.
template <class T> T* ControleDe(const QWidget& fiche, const char* nom) {
    T* controle = fiche.findChild<T*>(QString::fromLatin1(nom));
    if (controle == nullptr) {
        qFatal("control %s missing", nom);
    }
    return controle;
}
