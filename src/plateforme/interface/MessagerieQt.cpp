#include "MessagerieQt.h"

#include "Executable.h"
#include "Texte.h"

#include <QApplication>
#include <QMessageBox>

void MessagerieQt::AfficherMessage(const std::string& texte) {
    QMessageBox boite(QMessageBox::NoIcon, VersTexteWidget(TitreApplication()), VersTexteWidget(texte), QMessageBox::Ok,
                      QApplication::activeWindow());
    // Plain text: a town or a path holding '<' must be shown, not interpreted.
    boite.setTextFormat(Qt::PlainText);
    boite.setWindowIcon(QApplication::windowIcon());
    boite.exec();
}
