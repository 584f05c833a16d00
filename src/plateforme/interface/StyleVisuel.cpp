#include "StyleVisuel.h"

#include "Messagerie.h"
#include "Texte.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

bool AppliquerStyle(const std::string& nom, Messagerie& messagerie, bool contrasteEleve) {
    if (contrasteEleve) {
        return false;
    }
    QFile feuille(QStringLiteral(":/style/") + VersTexteWidget(nom) + QStringLiteral(".qss"));
    if (!feuille.open(QIODevice::ReadOnly | QIODevice::Text)) {
        messagerie.AfficherMessage("Le style « " + nom + " » n'a pas pu être appliqué.");
        return false;
    }
    // Fusion draws the same on every desktop, so the sheet only has to set
    // colours and borders, never rebuild a control.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    qApp->setStyleSheet(QString::fromUtf8(feuille.readAll()));
    return true;
}
