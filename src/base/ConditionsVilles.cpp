#include "ConditionsVilles.h"

#include "RepliSansAccent.h"

#include <sqlite3.h>

namespace {

template <class Unite> bool Egaux(const std::vector<std::uint32_t>& valeur, const Unite* unites, std::size_t nombre) {
    if (valeur.size() != nombre) {
        return false;
    }
    for (std::size_t k = 0; k < nombre; ++k) {
        if (valeur[k] != (UniteDe(unites[k]) & ~kSuite)) {
            return false;
        }
    }
    return true;
}

template <class Unite> bool Verifie(const Condition& condition, const Unite* unites, std::size_t nombre) {
    if (condition.sorte == kVilleEgale) {
        return Egaux(condition.valeur, unites, nombre);
    }
    return Correspond(*condition.motif, unites, nombre);
}

bool Verifie(const Condition& condition, const Noms& noms, Plage plage) {
    const std::size_t nombre = plage.fin - plage.debut;
    return plage.large != 0 ? Verifie(condition, noms.unites.data() + plage.debut, nombre)
                            : Verifie(condition, noms.octets.data() + plage.debut, nombre);
}

bool VerifieCp(const Condition& condition, const VueLigne& ligne, std::vector<std::uint32_t>& tampon) {
    if (ligne.cp == nullptr) {
        return false;
    }
    if (condition.sorte == kCpEgal) {
        return !ligne.cpBlob && condition.octets.compare(0, std::string::npos, ligne.cp, ligne.longueurCp) == 0;
    }
    if (condition.motif->toutTexte) {
        return true;
    }
    tampon.clear();
    if (ligne.cpChiffres) {
        tampon.assign(ligne.cp, ligne.cp + ligne.longueurCp);
    } else {
        Replier(ligne.cp, ligne.longueurCp, tampon);
    }
    return Correspond(*condition.motif, tampon.data(), tampon.size());
}

} // namespace

Condition PreparerCondition(char sorte, sqlite3_value* operande) {
    Condition condition;
    condition.sorte = sorte;
    const int type = sqlite3_value_type(operande);
    const auto* texte = sqlite3_value_text(operande);
    const auto longueur = static_cast<std::size_t>(sqlite3_value_bytes(operande));
    const bool egalite = sorte == kCpEgal || sorte == kVilleEgale;
    condition.jamais = texte == nullptr || type == SQLITE_NULL || (egalite && type == SQLITE_BLOB);
    if (condition.jamais) {
        return condition;
    }
    if (sorte == kCpEgal) {
        condition.octets.assign(reinterpret_cast<const char*>(texte), longueur);
    } else if (sorte == kVilleEgale) {
        Replier(reinterpret_cast<const char*>(texte), longueur, condition.valeur);
        for (std::uint32_t& unite : condition.valeur) {
            unite &= ~kSuite;
        }
    } else {
        condition.motif = CompilerMotif(texte, longueur, 0);
        condition.jamais = condition.motif->impossible;
    }
    return condition;
}

bool Retenir(const std::vector<Condition>& conditions, const VueLigne& ligne, std::vector<std::uint32_t>& tampon,
             const AutreNom*& trouve) {
    trouve = nullptr;
    const Noms& noms = *ligne.noms;
    for (const Condition& condition : conditions) {
        if (condition.jamais) {
            return false;
        }
        if (condition.sorte == kCpComme || condition.sorte == kCpEgal) {
            if (!VerifieCp(condition, ligne, tampon)) {
                return false;
            }
            continue;
        }
        const bool lue = condition.sorte == kVilleEgale ? ligne.villeTexte : ligne.villeLue;
        if (lue && Verifie(condition, noms, ligne.ville)) {
            continue;
        }
        bool parUnAutre = false;
        for (std::uint32_t k = 0; k < ligne.nombreAutres && !parUnAutre; ++k) {
            const AutreNom& autre = noms.autres[ligne.premierAutre + k];
            parUnAutre = Verifie(condition, noms, autre.replie);
            if (parUnAutre && trouve == nullptr) {
                trouve = &autre;
            }
        }
        if (!parUnAutre) {
            return false;
        }
    }
    return true;
}
