#include "FicheBanc.h"

#include "ComposerRequete.h"
#include "Demarrage.h"
#include "Executable.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLineEdit>

const Cas kTout{"tout", "%", "", "Cp LIKE '%%'", Contient};
const Cas kSaint{"saint", "", "saint", "Ville LIKE '%SAINT%'", Contient};
const Cas kPoste{"poste", "", "ST MARTIN D HERES", "Ville = 'SAINT-MARTIN-D''HÈRES' COLLATE BINARY", EgalA};
// The bare engine reads the one row by its own name; + keeps it off the index
// on Cp, so that it reads every row as the search does.
const Cas kAutre{"autre", "", "TOURLAVILLE", "Ville = 'CHERBOURG-EN-COTENTIN' COLLATE BINARY AND +Cp = '50110'", EgalA};

std::string CheminBase() {
    return DossierExecutable() + "Quilvarest.abs";
}

bool CompteurPeintures::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::Paint) {
        ++nombre;
    }
    return QObject::eventFilter(objet, evenement);
}

void Afficher() {
    QCoreApplication::processEvents();
}

FicheBanc::FicheBanc() {
    const QString config = dossier.filePath(QStringLiteral("banc.ini"));
    QFile fichier(config);
    fichier.open(QIODevice::WriteOnly);
    fichier.write("[Quilvarest]\r\nZeruzuvoCp=\r\nZeruzuvoVille=\r\n");
    fichier.close();
    // The application prepared as the entry does it: font, style sheet.
    PreparerApplication(messagerie);
    fiche = std::make_unique<TFicheRechercherCpVille>(messagerie);
    fiche->SetFichierConfig(config.toStdString());
    fiche->show();
    Afficher();
    Liste()->viewport()->installEventFilter(&peintures);
}

void FicheBanc::Criteres(const Cas& cas) {
    Controle<QLineEdit>("edtCp")->setText(QString::fromUtf8(cas.critereCp));
    Controle<QLineEdit>("edtVille")->setText(QString::fromUtf8(cas.critereVille));
    Controle<QComboBox>("cbConditionCP")->setCurrentIndex(CommencantPar);
    Controle<QComboBox>("cbConditionVille")->setCurrentIndex(cas.modeVille);
}
