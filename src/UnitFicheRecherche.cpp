#include "UnitFicheRecherche.h"
#include "ui_UnitFicheRecherche.h"

#include "AffichageErreur.h"
#include "ComposerRequete.h"
#include "DelegueLignes.h"
#include "Echange.h"
#include "Executable.h"
#include "ModeleLignes.h"
#include "SaisieLimitee.h"
#include "Texte.h"
#include "TypeFenetre.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>

TFicheRechercherCpVille* FicheRechercherCpVille = nullptr;

TFicheRechercherCpVille::TFicheRechercherCpVille(Messagerie& messagerie, QWidget* parent)
    : QWidget(parent, TypeFenetreFiche() | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::FicheRechercherCpVille>()), messagerie_(messagerie), modeleCp_(new ModeleLignes(this)),
      absQuery(dbQuilvarest) {
    // The font, the glyphs and the style come from the application's set-up
    // (PreparerApplication), done before the dialog is created. The font is
    // made the dialog's and its controls' own: a platform theme (qt6ct, a
    // desktop's settings) may set fonts for the application and per widget
    // class once the loop runs, which would win over a font merely inherited,
    // and the fixed layout must keep the one it was drawn for. The dialog's is
    // set before its controls exist, so that no change has to reach them.
    const QFont police = QApplication::font();
    setFont(police);
    ui->setupUi(this);
    for (QWidget* controle : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // Qt lets no theme set a font for combo boxes, and a font change on
        // one builds its pop-up list at once, which the start-up would pay
        // for: they keep inheriting the dialog's.
        if (qobject_cast<QComboBox*>(controle) == nullptr) {
            controle->setFont(police);
        }
    }
    setFixedSize(481, 449);
    // Labels size themselves to their caption, as the geometry was drawn.
    ui->Label1->adjustSize();
    ui->Label4->adjustSize();
    ui->lstbCp->setModel(modeleCp_);
    // Qt's lines would be as tall as the font's ascent and descent, which cut
    // the accents of capitals.
    ui->lstbCp->setItemDelegate(new DelegueLignes(ui->lstbCp));

    new SaisieLimitee(ui->edtCp, 5, false);
    new SaisieLimitee(ui->edtVille, 50, true);

    RelierClic(ui->btnValider, &TFicheRechercherCpVille::btnValiderClick);
    RelierClic(ui->btnAnnuler, &TFicheRechercherCpVille::btnAnnulerClick);
    RelierClic(ui->btnRecherche, &TFicheRechercherCpVille::btnRechercheClick);
    // Enter reaches the edit boxes as a key press; a double-click anywhere in
    // the list, on a line or below the last one, validates.
    ui->edtCp->installEventFilter(this);
    ui->edtVille->installEventFilter(this);
    ui->lstbCp->viewport()->installEventFilter(this);

    FormCreate();
    // No control is named to start with the focus: it starts on the first of
    // the tab order, Annuler, so that Enter at once cancels.
    ui->btnAnnuler->setFocus();
}

TFicheRechercherCpVille::~TFicheRechercherCpVille() = default;

void TFicheRechercherCpVille::SetFichierConfig(const std::string& chemin) {
    FichierConfig = chemin;
}

std::string TFicheRechercherCpVille::GetFichierConfig() const {
    return FichierConfig;
}

void TFicheRechercherCpVille::FormCreate() {
    dbQuilvarest.SetDatabaseFileName(DossierExecutable() + "Quilvarest.abs");
    for (const char* libelle : kLibellesModes) {
        ui->cbConditionCP->addItem(QString::fromUtf8(libelle));
    }
    for (const char* libelle : kLibellesModes) {
        ui->cbConditionVille->addItem(QString::fromUtf8(libelle));
    }
    ui->cbConditionCP->setCurrentIndex(CommencantPar);
    ui->cbConditionVille->setCurrentIndex(Contient);
}

bool TFicheRechercherCpVille::event(QEvent* evenement) {
    // Without a window manager (a bare X server) nothing would activate the
    // window: ask for it when it is first shown.
    if (evenement->type() == QEvent::Show && !dejaActive_) {
        activateWindow();
    }
    // Qt activates the window again whenever the focus comes back to it, from
    // another program or from one of our message boxes: the file is read at
    // the first activation only, so a missing file gives one message, not a loop.
    if (evenement->type() == QEvent::WindowActivate && !dejaActive_) {
        dejaActive_ = true;
        Executer([this] { FormActivate(); });
    }
    return QWidget::event(evenement);
}

bool TFicheRechercherCpVille::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::KeyPress) {
        const auto* touche = static_cast<QKeyEvent*>(evenement);
        if (touche->key() == Qt::Key_Return || touche->key() == Qt::Key_Enter) {
            QChar Key(u'\r');
            if (objet == ui->edtCp) {
                Executer([this, &Key] { edtCpKeyPress(Key); });
            } else if (objet == ui->edtVille) {
                Executer([this, &Key] { edtVilleKeyPress(Key); });
            }
        }
    } else if (evenement->type() == QEvent::MouseButtonDblClick && objet == ui->lstbCp->viewport()) {
        Executer([this] { btnValiderClick(); });
        return true;
    } else if (evenement->type() == QEvent::MouseButtonPress && objet == ui->lstbCp->viewport()) {
        // A press below the last line would clear the selection, and the
        // double-click it starts would then validate no line: it only gives
        // the list the focus, the selected line stays.
        const auto* souris = static_cast<QMouseEvent*>(evenement);
        if (!ui->lstbCp->indexAt(souris->position().toPoint()).isValid()) {
            ui->lstbCp->setFocus(Qt::MouseFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(objet, evenement);
}

void TFicheRechercherCpVille::Executer(const std::function<void()>& gestionnaire) {
    ExecuterGestionnaire(messagerie_, gestionnaire);
}

void TFicheRechercherCpVille::RelierClic(QAbstractButton* bouton, Gestionnaire gestionnaire) {
    connect(bouton, &QAbstractButton::clicked, this,
            std::bind(&TFicheRechercherCpVille::Executer, this, std::function<void()>(std::bind(gestionnaire, this))));
}

void TFicheRechercherCpVille::FormActivate() {
    CriteresDepart criteres;
    if (ChargerConfig(GetFichierConfig(), criteres, messagerie_)) {
        close();
        return;
    }
    // A control character or a stray byte in the file would not show, yet
    // would make the search find nothing: the boxes get only what a user
    // could have typed.
    SaisieLimitee::PoserTexte(ui->edtCp, VersTexteWidget(SansCaracteresInvisibles(criteres.Cp)));
    SaisieLimitee::PoserTexte(ui->edtVille, VersTexteWidget(SansCaracteresInvisibles(criteres.Ville)));
}

std::string TFicheRechercherCpVille::LigneSelectionnee() const {
    const QModelIndexList selection = ui->lstbCp->selectionModel()->selectedIndexes();
    if (selection.isEmpty()) {
        return {};
    }
    return DepuisTexteWidget(selection.first().data().toString());
}

void TFicheRechercherCpVille::Enregistrer(bool abandon) {
    EnregistrerChoix(GetFichierConfig(), LigneSelectionnee(), abandon, messagerie_);
    close();
}

void TFicheRechercherCpVille::btnValiderClick() {
    Enregistrer(false);
}

void TFicheRechercherCpVille::btnAnnulerClick() {
    Enregistrer(true);
}

void TFicheRechercherCpVille::btnRechercheClick() {
    LancerRecherche();
}

void TFicheRechercherCpVille::edtCpKeyPress(QChar& Key) {
    if (Key == u'\r') {
        LancerRecherche();
    }
}

void TFicheRechercherCpVille::edtVilleKeyPress(QChar& Key) {
    if (Key == u'\r') {
        LancerRecherche();
    }
}

void TFicheRechercherCpVille::LancerRecherche() {
    const std::string critereCp = DepuisTexteWidget(ui->edtCp->text());
    const std::string critereVille = DepuisTexteWidget(ui->edtVille->text());
    modeleCp_->Remplir({});

    const std::optional<std::string> requete = ComposerRequete(
        critereCp, critereVille, ui->cbConditionCP->currentIndex(), ui->cbConditionVille->currentIndex());
    if (!requete) {
        return;
    }
    absQuery.ClearSql();
    absQuery.AddSql(*requete);
    absQuery.Open();

    // The lines are gathered and handed to the model at once: one reset of
    // the view instead of one insertion per row. A failure while reading
    // still shows the rows read so far.
    QStringList lignes;
    // A row found by another name than its own (a former commune, a
    // locality) shows that name beside its line: the line itself stays the
    // commune's, which Valider writes.
    QHash<int, QString> autresNoms;
    // One buffer for every line: the joined text needs no allocation per row.
    std::string ligne;
    try {
        while (!absQuery.Eof()) {
            ligne = absQuery.FieldByName("Cp");
            ligne += " - ";
            ligne += absQuery.FieldByName("Ville");
            if (const std::string autre = absQuery.AutreNom(); !autre.empty()) {
                autresNoms.insert(static_cast<int>(lignes.size()), VersTexteWidget(autre));
            }
            lignes.append(VersTexteWidget(ligne));
            absQuery.Next();
        }
    } catch (...) {
        modeleCp_->Remplir(std::move(lignes), std::move(autresNoms));
        throw;
    }
    modeleCp_->Remplir(lignes, std::move(autresNoms));
    if (!lignes.isEmpty()) {
        ui->lstbCp->setCurrentIndex(modeleCp_->index(0));
    }
    absQuery.Close();
}
