#pragma once

#include "BaseSql.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class Messagerie;
class QAbstractButton;
class ModeleLignes;

namespace Ui {
class FicheRechercherCpVille;
}

// The search dialog, the program's only window. It holds the configuration
// file path, reads the starting criteria at its first activation, runs
// searches on the postal code store and writes the outcome back when the user
// validates or cancels. Closing it by its close box writes nothing.
class TFicheRechercherCpVille : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFicheRechercherCpVille)

public:
    // messagerie shows the program's messages and the handlers' errors; it
    // must outlive the dialog.
    explicit TFicheRechercherCpVille(Messagerie& messagerie, QWidget* parent = nullptr);
    ~TFicheRechercherCpVille() override;

    // The configuration file path, set once by the entry before the loop runs.
    void SetFichierConfig(const std::string& chemin);
    std::string GetFichierConfig() const;

    // Clears the list, composes the query from the criteria and lists every
    // matching row as "Cp - Ville", the first selected. Raises the store's
    // errors; the handlers show them.
    void LancerRecherche();

protected:
    bool event(QEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void FormCreate();
    void FormActivate();
    void btnValiderClick();
    void btnAnnulerClick();
    void btnRechercheClick();
    void edtCpKeyPress(QChar& Key);
    void edtVilleKeyPress(QChar& Key);

    void Enregistrer(bool abandon);
    std::string LigneSelectionnee() const;
    // Runs a handler: every handler of the dialog goes through here, so that an
    // error it raises is shown, never thrown into Qt's event loop.
    void Executer(const std::function<void()>& gestionnaire);
    // A button's click runs gestionnaire through Executer.
    using Gestionnaire = void (TFicheRechercherCpVille::*)();
    void RelierClic(QAbstractButton* bouton, Gestionnaire gestionnaire);

    std::unique_ptr<Ui::FicheRechercherCpVille> ui;
    Messagerie& messagerie_;
    ModeleLignes* modeleCp_;
    BaseSql dbQuilvarest;
    RequeteSql absQuery;
    std::string FichierConfig;
    bool dejaActive_ = false;
};

// The one dialog of the running program, while the event loop runs.
extern TFicheRechercherCpVille* FicheRechercherCpVille;
