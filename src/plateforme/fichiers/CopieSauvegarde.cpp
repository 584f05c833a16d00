#include "CopieSauvegarde.h"

#include "ErreurFichier.h"
#include "PlacesCopies.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>

// A backup copy is one file: the format's line, a line of numbers (the sizes
// of the file's identity, path, unchanged start, old and new part, a digest of
// that start and one of the rest, which tells a whole copy from one cut
// short), then the identity, the path, the old and the new part. Its name
// comes from the identity, so that any name of the file finds it.

namespace {

const std::string kFormat = "Quilvarest copie 2\n";
const std::string kSuffixe = ".copie";

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
    char nom[17];
    std::snprintf(nom, sizeof nom, "%016llx", static_cast<unsigned long long>(Empreinte({identite})));
    return nom + kSuffixe;
}

struct Sauvegarde {
    std::string_view identite, cible;
    std::size_t debut = 0;
    std::uint64_t empreinteDebut = 0;
    std::string_view ancien, nouveau;
};

// The numbers of the record's second line.
std::array<unsigned long long, 7> Nombres(const Sauvegarde& s) {
    const std::uint64_t tout = Empreinte({s.identite, s.cible, s.ancien, s.nouveau});
    return {s.identite.size(), s.cible.size(), s.debut, s.ancien.size(), s.nouveau.size(), s.empreinteDebut, tout};
}

// The record held in octets, or nothing when it is not whole.
std::optional<Sauvegarde> Relire(std::string_view octets) {
    const std::size_t finLigne = octets.find('\n', kFormat.size());
    std::array<unsigned long long, 7> n{};
    std::istringstream ligne(std::string(octets.substr(0, finLigne)));
    ligne.ignore(static_cast<std::streamsize>(kFormat.size()));
    for (unsigned long long& nombre : n) {
        ligne >> nombre;
    }
    if (octets.substr(0, kFormat.size()) != kFormat || finLigne == std::string_view::npos || ligne.fail()) {
        return std::nullopt;
    }
    std::string_view corps = octets.substr(finLigne + 1);
    const auto prendre = [&corps](unsigned long long taille) {
        const std::string_view morceau = corps.substr(0, taille);
        corps.remove_prefix(morceau.size());
        return morceau;
    };
    const Sauvegarde s{prendre(n[0]), prendre(n[1]), n[2], n[5], prendre(n[3]), prendre(n[4])};
    return corps.empty() && Nombres(s) == n ? std::optional(s) : std::nullopt;
}

// True when actuel is what a write of s can leave when cut short. Anything
// else is a change made since by someone else, which is not ours to undo.
bool EcritureCoupee(const Sauvegarde& s, std::string_view actuel) {
    const std::size_t tailleAncienne = s.debut + s.ancien.size();
    if ((actuel.size() != tailleAncienne && actuel.size() != s.debut + s.nouveau.size()) ||
        Empreinte({actuel.substr(0, s.debut)}) != s.empreinteDebut) {
        return false;
    }
    for (std::size_t i = s.debut; i < actuel.size(); ++i) {
        const std::size_t rang = i - s.debut;
        const bool ancien = rang < s.ancien.size() && s.ancien[rang] == actuel[i];
        const bool nouveau = rang < s.nouveau.size() && s.nouveau[rang] == actuel[i];
        if (!ancien && !nouveau && !(i >= tailleAncienne && actuel[i] == '\0')) {
            return false;
        }
    }
    return true;
}

// The record of s in place, flushed and closed.
int EcrireCopie(const PlaceCopies& place, const std::string& nom, const Sauvegarde& s) {
    int erreur = 0;
    PoigneeTenue copie(OuvrirDans(place.dossier.Valeur(), place.chemin, nom, Genre::Ordinaire, true, erreur));
    std::uint64_t position = 0;
    std::string entete = kFormat;
    for (const unsigned long long nombre : Nombres(s)) {
        entete += std::to_string(nombre) + ' ';
    }
    entete.back() = '\n';
    for (const std::string_view morceau : {std::string_view(entete), s.identite, s.cible, s.ancien, s.nouveau}) {
        if (erreur != 0 || (erreur = EcrireEn(copie.Valeur(), morceau, position)) != 0) {
            return erreur;
        }
        position += morceau.size();
    }
    return (erreur = Synchroniser(copie.Valeur())) != 0 ? erreur : copie.Fermer();
}

// The first place that takes the record (a full or refused cache gives way to
// the temporary folder); raises ErreurFichier when none does.
const PlaceCopies& GarderCopie(const std::vector<PlaceCopies>& places, const std::string& nom, const Sauvegarde& s) {
    ErreurFichier erreur{Etape::Copie, 0};
    for (const PlaceCopies& place : places) {
        place.Supprimer(nom);
        erreur = {Etape::Copie, EcrireCopie(place, nom, s), place.chemin + kSeparateur + nom};
        if (erreur.code == 0) {
            Synchroniser(place.dossier.Valeur()); // the new name, where the system needs it
            return place;
        }
        place.Supprimer(nom);
    }
    throw erreur;
}

// Puts the old content back when the file (open as fichier, read as actuel)
// is exactly what the write of s cut short leaves.
int Remettre(Poignee fichier, bool inscriptible, const Sauvegarde& s, const std::string& actuel, bool& remis) {
    if (!EcritureCoupee(s, actuel) || actuel.substr(s.debut) == s.nouveau || actuel.substr(s.debut) == s.ancien) {
        return 0;
    }
    int erreur = 0;
    const PoigneeTenue ecriture(inscriptible ? kAucunePoignee : RouvrirEnEcriture(fichier, erreur));
    if (erreur != 0) {
        return erreur;
    }
    remis = true;
    return EcrireDepuis(inscriptible ? fichier : ecriture.Valeur(), s.debut,
                        actuel.substr(0, s.debut) + std::string(s.ancien));
}

// Removes the copy nom of the place when its file is gone or replaced; a copy
// not yet whole may be one being written, and is left.
bool OterSiOrpheline(const PlaceCopies& place, const std::string& nom) {
    const bool copie = nom.size() > kSuffixe.size() && nom.rfind(kSuffixe) == nom.size() - kSuffixe.size();
    const PoigneeTenue lue = copie ? place.OuvrirSiANous(nom) : PoigneeTenue();
    std::string octets;
    const std::optional<Sauvegarde> s =
        lue.Ouverte() && LireTout(lue.Valeur(), octets) == 0 ? Relire(octets) : std::nullopt;
    if (s && !Designe(std::string(s->cible), std::string(s->identite))) {
        place.Supprimer(nom);
        return true;
    }
    return false;
}

} // namespace

bool EcrireSurPlace(Poignee fichier, const std::string& cible, const Lecture& lue, const std::string& nouveau,
                    const std::function<bool()>& inchange) {
    const std::string_view ancien(lue.octets);
    const auto debut = static_cast<std::size_t>(
        std::mismatch(ancien.begin(), ancien.end(), nouveau.begin(), nouveau.end()).first - ancien.begin());
    Sauvegarde s{lue.etat.identite, cible, debut, Empreinte({ancien.substr(0, debut)}), ancien.substr(debut), {}};
    s.nouveau = std::string_view(nouveau).substr(debut);
    std::string pourquoi;
    const std::vector<PlaceCopies> places = PlacesCopies(true, {}, &pourquoi);
    if (places.empty()) {
        throw ErreurFichier{Etape::Copie, kAucunDossierSur, pourquoi};
    }
    const std::string nom = NomCopie(lue.etat.identite);
    const PlaceCopies& place = GarderCopie(places, nom, s);
    if (!inchange()) {
        place.Supprimer(nom);
        return false;
    }
    if (const int erreur = EcrireDepuis(fichier, s.debut, nouveau)) {
        // Part of the new content may be there: the old one goes back, and
        // should that fail too, the copy stays for the next run.
        if (EcrireDepuis(fichier, s.debut, lue.octets) == 0) {
            place.Supprimer(nom);
        }
        throw ErreurFichier{Etape::Ecriture, erreur};
    }
    place.Supprimer(nom);
    return true;
}

bool CopieEnAttente(const EtatFichier& etat) {
    return !PlacesCopies(false, NomCopie(etat.identite)).empty();
}

bool RetablirSousVerrou(Poignee fichier, bool inscriptible, const EtatFichier& etat) {
    bool remis = false;
    const std::string nom = NomCopie(etat.identite);
    for (const PlaceCopies& place : PlacesCopies(false, nom)) {
        std::string octets;
        std::string actuel;
        const PoigneeTenue copie = place.OuvrirSiANous(nom);
        if (!copie.Ouverte() || LireTout(copie.Valeur(), octets) != 0) {
            continue;
        }
        // Not whole, the copy was cut short while written: the file was not touched.
        const std::optional<Sauvegarde> s = Relire(octets);
        if (s && s->identite != etat.identite) {
            continue; // another file's copy under the same name
        }
        if (s && LireTout(fichier, actuel) != 0) {
            return remis; // the read that follows reports it
        }
        if (const int erreur = s ? Remettre(fichier, inscriptible, *s, actuel, remis) : 0) {
            throw ErreurFichier{Etape::Ecriture, erreur};
        }
        place.Supprimer(nom);
    }
    return remis;
}

void OterCopiesOrphelines() {
    for (PlaceCopies& place : PlacesCopies(false)) {
        std::size_t restent = 0;
        try { // a folder that cannot be listed keeps its copies for the next write
            // The names only: each is opened in the folder held, never followed.
            for (const auto& entree : std::filesystem::directory_iterator(std::filesystem::u8path(place.chemin))) {
                restent += OterSiOrpheline(place, entree.path().filename().u8string()) ? 0 : 1;
            }
        } catch (const std::exception&) {
            continue;
        }
        // Empty, the folder goes too, so that the next writes find no folder
        // to open; one that someone fills meanwhile stays.
        if (restent == 0 && place.parent.Ouverte()) {
            place.dossier.Fermer();
            SupprimerDans(place.parent.Valeur(), place.cheminParent, place.nom, Genre::Dossier);
        }
    }
}
