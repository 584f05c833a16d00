#pragma once

#include "Echec.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// Helpers the tests share: whole files, compared byte for byte, and the
// message of the error a call raises.

// The file's bytes, or a marker no test writes when it cannot be read.
inline QByteArray Lire(const QString& chemin) {
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray("<illisible>");
}

inline void Ecrire(const QString& chemin, const QByteArray& octets) {
    QFile fichier(chemin);
    QVERIFY(fichier.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(fichier.write(octets), octets.size());
}

// The message of the Echec that appel raises, or "" when none.
template <typename Appel> QString MessageErreur(Appel appel) {
    try {
        appel();
    } catch (const Echec& erreur) {
        return QString::fromUtf8(erreur.what());
    }
    return {};
}
