#include "CopieSauvegarde.h"

#include "AccesFichier.h"
#include "Echec.h"
#include "PrimitivesFichier.h"
#include "VerrouFichier.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

// The copy's layout: a first line naming the format, a second line giving
// the lengths of the file's identity (IdentiteFichier), of the unchanged start, of the old and the
// new part, and a digest of what follows, then the identity, the old part and the
// new part. The digest tells a whole copy from one cut short.

namespace {

const std::string kFormat = "Quilvarest copie 1\n";

std::uint64_t Empreinte(std::initializer_list<std::string_view> morceaux) {
    std::uint64_t empreinte = 14695981039346656037ull; // FNV-1a, 64 bits
    for (const std::string_view morceau : morceaux) {
        for (const char octet : morceau) {
            empreinte = (empreinte ^ static_cast<unsigned char>(octet)) * 1099511628211ull;
        }
    }
    return empreinte;
}

std::string NomCopie(const std::string& identite) {
    static const char kChiffres[] = "0123456789abcdef";
    std::uint64_t empreinte = Empreinte({identite});
    std::string nom(16, '0');
    for (auto chiffre = nom.rbegin(); chiffre != nom.rend(); ++chiffre, empreinte >>= 4) {
        *chiffre = kChiffres[empreinte & 0xf];
    }
    return nom + ".copie";
}

struct Copie {
    std::string_view identite;
    std::size_t debut = 0;
    std::string_view ancien, nouveau;
};

std::string Entete(const Copie& copie) {
    return kFormat + std::to_string(copie.identite.size()) + ' ' + std::to_string(copie.debut) + ' ' +
           std::to_string(copie.ancien.size()) + ' ' + std::to_string(copie.nouveau.size()) + ' ' +
           std::to_string(Empreinte({copie.identite, copie.ancien, copie.nouveau})) + '\n';
}

// The copy held in octets, or nothing when it is not whole.
std::optional<Copie> Relire(std::string_view octets) {
    if (octets.substr(0, kFormat.size()) != kFormat) {
        return std::nullopt;
    }
    const std::size_t finLigne = octets.find('\n', kFormat.size());
    if (finLigne == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string ligne(octets.substr(kFormat.size(), finLigne - kFormat.size()));
    unsigned long long nombres[5] = {};
    const char* lecture = ligne.c_str();
    for (unsigned long long& nombre : nombres) {
        char* fin = nullptr;
        nombre = std::strtoull(lecture, &fin, 10);
        if (fin == lecture) {
            return std::nullopt;
        }
        lecture = fin;
    }
    const std::string_view corps = octets.substr(finLigne + 1);
    if (nombres[0] > corps.size() || nombres[2] > corps.size() || nombres[3] > corps.size() ||
        corps.size() != nombres[0] + nombres[2] + nombres[3]) {
        return std::nullopt;
    }
    Copie copie;
    copie.identite = corps.substr(0, nombres[0]);
    copie.debut = nombres[1];
    copie.ancien = corps.substr(nombres[0], nombres[2]);
    copie.nouveau = corps.substr(nombres[0] + nombres[2]);
    if (Empreinte({copie.identite, copie.ancien, copie.nouveau}) != nombres[4]) {
        return std::nullopt;
    }
    return copie;
}

// True when actuel is what a write from copie.debut on can leave when cut
// short: each byte from there is the old one or the new one at its place, or
// a zero of space reserved but not yet written. Anything else is a change made
// since by someone else, which is not ours to undo.
bool EcritureCoupee(const Copie& copie, std::string_view actuel) {
    const std::size_t plusLongue =
        copie.ancien.size() > copie.nouveau.size() ? copie.ancien.size() : copie.nouveau.size();
    if (actuel.size() < copie.debut || actuel.size() - copie.debut > plusLongue) {
        return false;
    }
    for (std::size_t i = copie.debut; i < actuel.size(); ++i) {
        const std::size_t rang = i - copie.debut;
        const char octet = actuel[i];
        const bool ancien = rang < copie.ancien.size() && copie.ancien[rang] == octet;
        const bool nouveau = rang < copie.nouveau.size() && copie.nouveau[rang] == octet;
        if (!ancien && !nouveau && octet != '\0') {
            return false;
        }
    }
    return true;
}

std::size_t PremiereDifference(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        ++i;
    }
    return i;
}

} // namespace

void EcrireSurPlaceAvecCopie(const std::string& chemin, const std::string& cible, const std::string& octets) {
    std::string actuel;
    if (const int erreur = LireFichierEntier(cible, actuel)) {
        throw Echec(MessageEcritureImpossible(chemin, erreur));
    }
    const std::string identite = IdentiteFichier(cible);
    Copie copie;
    copie.identite = identite;
    copie.debut = PremiereDifference(actuel, octets);
    if (copie.debut == actuel.size() && copie.debut == octets.size()) {
        return;
    }
    copie.ancien = std::string_view(actuel).substr(copie.debut);
    copie.nouveau = std::string_view(octets).substr(copie.debut);

    const std::string dossier = DossierCopies(true);
    if (dossier.empty()) {
        throw Echec(MessageEcritureImpossible(chemin, "aucun dossier où garder sa copie de sauvegarde"));
    }
    const std::string cheminCopie = dossier + NomCopie(identite);
    if (const int erreur = EcrireCopie(cheminCopie, {Entete(copie), copie.identite, copie.ancien, copie.nouveau})) {
        SupprimerFichier(cheminCopie);
        throw Echec(MessageEcritureImpossible(cheminCopie, erreur));
    }
    try {
        EcrireDepuis(chemin, cible, copie.debut, octets);
    } catch (const Echec&) {
        // Part of the new content may be in the file: the old one goes back
        // while the copy is there. Should that fail too, the copy stays for
        // the next run.
        try {
            EcrireDepuis(chemin, cible, copie.debut, actuel);
            SupprimerFichier(cheminCopie);
        } catch (const Echec&) {
        }
        throw;
    }
    SupprimerFichier(cheminCopie);
}

void RetablirFichier(const std::string& chemin) {
    const std::string cible = CibleFinale(chemin);
    const std::string identite = cible.empty() ? std::string() : IdentiteFichier(cible);
    const std::string dossier = DossierCopies(false);
    if (identite.empty() || dossier.empty()) {
        return;
    }
    const std::string cheminCopie = dossier + NomCopie(identite);
    std::string octets;
    if (LireFichierEntier(cheminCopie, octets) != 0) {
        return; // no copy: the last write ended
    }
    // A copy is also there while another program's write is under way: its
    // lock is waited for, and once it is released the copy is read again.
    const VerrouFichier verrou(chemin);
    if (LireFichierEntier(cheminCopie, octets) != 0) {
        return; // that write ended
    }
    const std::optional<Copie> copie = Relire(octets);
    if (!copie) {
        // Cut short while it was written: the file was not touched yet.
        SupprimerFichier(cheminCopie);
        return;
    }
    if (copie->identite != identite) {
        return; // another file's copy under the same name
    }
    std::string actuel;
    if (LireFichierEntier(cible, actuel) != 0) {
        return; // the read that follows reports it
    }
    const std::string_view vue(actuel);
    if (EcritureCoupee(*copie, vue) && vue.substr(copie->debut) != copie->nouveau &&
        vue.substr(copie->debut) != copie->ancien) {
        EcrireDepuis(chemin, cible, copie->debut, actuel.substr(0, copie->debut) + std::string(copie->ancien));
    }
    SupprimerFichier(cheminCopie);
}
