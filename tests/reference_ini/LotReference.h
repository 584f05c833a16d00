#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// A batch of calls to the Windows profile functions, run in one start of the
// reference program (ReferenceIni.exe) under Wine: starting Wine costs
// seconds, a call a fraction of a millisecond.

// What one read gave: the value, or nothing when the function gave its default.
struct LuReference {
    bool present = false;
    QByteArray octets;     // the ANSI bytes (A), or the UTF-16LE units (W)
    QString Texte() const; // the units of a W read as text
    bool operator==(const LuReference& autre) const { return present == autre.present && octets == autre.octets; }
};

class LotReference {
public:
    // Each call is queued and returns its number, the index of its result.
    // fichier is a Linux path, turned into a Windows one (drive Z:).
    std::size_t LireA(const QString& fichier, const QByteArray& section, const QByteArray& cle);
    std::size_t LireW(const QString& fichier, const QString& section, const QString& cle);
    std::size_t EcrireA(const QString& fichier, const QByteArray& section, const QByteArray& cle,
                        const QByteArray& valeur);
    std::size_t EcrireW(const QString& fichier, const QString& section, const QString& cle, const QString& valeur);

    // Runs every call queued, in order, in dossier (which holds the command
    // and result files). False with erreur set when the program did not run
    // or gave fewer results than calls.
    bool Executer(const QString& dossier, QString& erreur);

    std::size_t Nombre() const { return commandes_.size(); }
    unsigned PageAnsi() const { return page_; }
    const LuReference& Lu(std::size_t numero) const { return resultats_[numero]; }
    // A write's result: "ok" or "echec <code>".
    QByteArray Ecrit(std::size_t numero) const { return resultats_[numero].octets; }

private:
    std::size_t Ajouter(const QByteArray& commande);

    std::vector<QByteArray> commandes_;
    std::vector<LuReference> resultats_;
    unsigned page_ = 0;
};
