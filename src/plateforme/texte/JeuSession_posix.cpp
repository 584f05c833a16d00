#include "JeuSession.h"

#include "Utf8.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

namespace {

struct Session {
    std::string nom = "UTF-8";
    bool utf8 = true;
};

// The codeset of the locale the environment names. newlocale() with "" reads
// LC_ALL, LC_CTYPE and LANG exactly as setlocale(LC_CTYPE, "") does, without
// touching the process's locale: the answer is the same before and after
// QApplication (which calls setlocale) is made.
Session TrouverSession() {
    Session session;
    const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        // A locale the system lacks: setlocale would leave the C locale.
        return session;
    }
    const std::string nom = ::nl_langinfo_l(CODESET, locale);
    ::freelocale(locale);
    // glibc names ASCII "ANSI_X3.4-1968"; other C libraries say "ASCII" or "US-ASCII".
    const bool ascii = nom == "ANSI_X3.4-1968" || ::strcasecmp(nom.c_str(), "ASCII") == 0 ||
                       ::strcasecmp(nom.c_str(), "US-ASCII") == 0;
    const bool utf8 = ::strcasecmp(nom.c_str(), "UTF-8") == 0 || ::strcasecmp(nom.c_str(), "UTF8") == 0;
    if (!ascii && !utf8 && !nom.empty()) {
        session.nom = nom;
        session.utf8 = false;
    }
    return session;
}

const Session& LaSession() {
    static const Session session = TrouverSession();
    return session;
}

// A conversion descriptor closed on every exit.
struct Conversion {
    iconv_t cd;
    Conversion(const char* vers, const char* depuis) : cd(::iconv_open(vers, depuis)) {}
    ~Conversion() {
        if (Ouverte()) {
            ::iconv_close(cd);
        }
    }
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;
    bool Ouverte() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

// texte converted by iconv. Where iconv stops on an input it cannot convert,
// remplacement is written and the input moves on by what sauter() says (one
// character or one byte), so that nothing stops the conversion.
template <typename Sauter>
std::string Convertir(const char* vers, const char* depuis, const std::string& texte, const std::string& remplacement,
                      Sauter sauter) {
    Conversion conversion(vers, depuis);
    if (!conversion.Ouverte()) {
        // iconv lacks the set: every byte outside ASCII is replaced.
        std::string resultat;
        for (const char c : texte) {
            resultat += (static_cast<unsigned char>(c) < 0x80) ? std::string(1, c) : remplacement;
        }
        return resultat;
    }
    std::string resultat;
    char tampon[256];
    char* entree = const_cast<char*>(texte.data());
    std::size_t reste = texte.size();
    for (;;) {
        char* sortie = tampon;
        std::size_t place = sizeof tampon;
        // A null input flushes the shift state of a stateful set at the end.
        const std::size_t rendu = reste > 0 ? ::iconv(conversion.cd, &entree, &reste, &sortie, &place)
                                            : ::iconv(conversion.cd, nullptr, nullptr, &sortie, &place);
        const int erreur = rendu == static_cast<std::size_t>(-1) ? errno : 0;
        resultat.append(tampon, static_cast<std::size_t>(sortie - tampon));
        if (erreur == E2BIG) {
            continue;
        }
        if (erreur == EILSEQ || erreur == EINVAL) {
            resultat += remplacement;
            const std::size_t saut = sauter(entree, reste);
            entree += saut;
            reste -= saut;
            continue;
        }
        if (reste == 0 && erreur == 0 && sortie == tampon) {
            return resultat;
        }
        if (erreur != 0) {
            // Any other failure: what is left cannot be converted.
            return resultat + remplacement;
        }
    }
}

} // namespace

bool SessionEnUtf8() {
    return LaSession().utf8;
}

std::string NomJeuSession() {
    return LaSession().nom;
}

std::string VersJeuSession(const std::string& utf8) {
    if (SessionEnUtf8()) {
        return RemplacerOctetsInvalides(utf8, "?");
    }
    // One whole character is skipped: a character the set lacks, or one byte
    // that is not UTF-8.
    return Convertir(NomJeuSession().c_str(), "UTF-8", utf8, "?", [](const char* p, std::size_t reste) {
        const auto* debut = reinterpret_cast<const unsigned char*>(p);
        const unsigned char* suite = debut;
        DecoderUtf8(suite, debut + reste);
        return static_cast<std::size_t>(suite - debut);
    });
}

std::string DepuisJeuSession(const std::string& octets) {
    if (SessionEnUtf8()) {
        return RemplacerOctetsInvalides(octets, kRemplacementUtf8);
    }
    return Convertir("UTF-8", NomJeuSession().c_str(), octets, kRemplacementUtf8,
                     [](const char*, std::size_t) { return std::size_t{1}; });
}
