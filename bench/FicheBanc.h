// What the search measurements share: the searches measured, the store's
// place, and the dialog as the program shows it, its criteria set by name.
// Used by bench_recherche (Google Benchmark) and chrono_recherche (a plain
// clock, built for every system).

#pragma once

#include "Messagerie.h"
#include "UnitFicheRecherche.h"

#include <QListView>
#include <QObject>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

// The searches measured: every row of France, a common town word, one town
// typed as La Poste writes it ("Egal à"), and one found by another name, a
// former commune ("Egal à").
struct Cas {
    const char* nom;
    const char* critereCp;
    const char* critereVille;
    const char* likeNu; // the same condition for the bare engine
    int modeVille;      // ModeRecherche
};
extern const Cas kTout;
extern const Cas kSaint;
extern const Cas kPoste;
extern const Cas kAutre;

// The store beside the executable, where the dialog looks for it.
std::string CheminBase();

// Any message would mean the dialog met an error: the run is then void.
class MessagerieBanc : public Messagerie {
public:
    void AfficherMessage(const std::string& texte) override { messages.push_back(texte); }
    std::vector<std::string> messages;
};

// Counts the paintings of a widget, so each measurement can show that every
// iteration really painted its list once.
class CompteurPeintures : public QObject {
public:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    long nombre = 0;
};

// The layout of a list view is deferred to the event loop, as is its painting:
// the user waits for both.
void Afficher();

// The dialog as the program shows it: style sheet set on it, a configuration
// file with no criteria, shown, activated. Paintings of its list are counted.
struct FicheBanc {
    QTemporaryDir dossier;
    MessagerieBanc messagerie;
    std::unique_ptr<TFicheRechercherCpVille> fiche;
    CompteurPeintures peintures;

    FicheBanc();

    template <class T> T* Controle(const char* nom) const { return fiche->findChild<T*>(QString::fromLatin1(nom)); }
    QListView* Liste() const { return Controle<QListView>("lstbCp"); }

    // The criteria of cas in the edit boxes, with the match modes it is meant for.
    void Criteres(const Cas& cas);
};
