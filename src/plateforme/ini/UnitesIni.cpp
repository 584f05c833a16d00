#include "UnitesIni.h"

#include "JeuSession.h"
#include "Utf8.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Characters of the Windows-1252 bytes 80 to 9F. The five bytes the code page
// leaves undefined map to the C1 control of the same number, so that they
// read as something and write back as the same byte.
constexpr char16_t Cp1252Haut[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The Windows-1252 byte of code point, or '?' when the code page has none.
char VersCp1252(char32_t point) {
    if (point < 0x80 || (point >= 0xA0 && point <= 0xFF)) {
        return static_cast<char>(point);
    }
    for (std::size_t i = 0; i < std::size(Cp1252Haut); ++i) {
        if (Cp1252Haut[i] == point) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

// Whether octets is well-formed UTF-8 (by the project's one decoder), and
// whether it holds any non-ASCII character.
std::pair<bool, bool> AnalyserUtf8(const std::string& octets) {
    bool nonAscii = false;
    const auto* p = reinterpret_cast<const unsigned char*>(octets.data());
    const unsigned char* fin = p + octets.size();
    while (p < fin) {
        const std::uint32_t point = DecoderUtf8(p, fin);
        if (EstOctetInvalide(point)) {
            return {false, true};
        }
        nonAscii = nonAscii || point >= 0x80;
    }
    return {true, nonAscii};
}

// Calls action with each code point of utf8; a byte outside well-formed
// UTF-8 counts as U+FFFD.
template <typename Action> void ParPoint(const std::string& utf8, Action action) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const unsigned char* fin = p + utf8.size();
    while (p < fin) {
        const std::uint32_t point = DecoderUtf8(p, fin);
        action(EstOctetInvalide(point) ? char32_t{0xFFFD} : char32_t{point});
    }
}

bool CommencePar(const std::string& octets, const char* marque, std::size_t longueur) {
    return octets.size() >= longueur && octets.compare(0, longueur, marque, longueur) == 0;
}

} // namespace

UnitesIni::UnitesIni(std::string octets) : octets_(std::move(octets)) {
    if (CommencePar(octets_, "\xFF\xFE", 2)) {
        encodage_ = EncodageIni::Utf16LE;
        debut_ = 2;
        largeur_ = 2;
    } else if (CommencePar(octets_, "\xEF\xBB\xBF", 3)) {
        encodage_ = EncodageIni::Utf8;
        debut_ = 3;
    } else {
        const auto [valide, nonAscii] = AnalyserUtf8(octets_);
        if (!valide) {
            encodage_ = EncodageIni::Windows1252;
        } else if (nonAscii || SessionEnUtf8()) {
            encodage_ = EncodageIni::Utf8;
        } else {
            encodage_ = EncodageIni::Session;
        }
    }
}

std::string UnitesIni::Decoder(std::size_t debut, std::size_t fin) const {
    const std::string octets = Copier(debut, fin);
    switch (encodage_) {
    case EncodageIni::Utf8:
        return RemplacerOctetsInvalides(octets, kRemplacementUtf8);
    case EncodageIni::Windows1252: {
        std::string texte;
        texte.reserve(octets.size());
        for (const char c : octets) {
            const auto octet = static_cast<unsigned char>(c);
            EncoderUtf8(texte, octet >= 0x80 && octet < 0xA0 ? Cp1252Haut[octet - 0x80] : char32_t{octet});
        }
        return texte;
    }
    case EncodageIni::Session: {
        // ASCII reads the same in every set a session may have; the
        // conversion is only asked for the bytes we wrote beyond it.
        const bool ascii = std::all_of(octets.begin(), octets.end(), [](char c) { return (c & 0x80) == 0; });
        return ascii ? octets : DepuisJeuSession(octets);
    }
    case EncodageIni::Utf16LE: {
        std::string texte;
        texte.reserve(fin - debut);
        for (std::size_t i = debut; i < fin; ++i) {
            const char32_t unite = (*this)[i];
            const bool haute = unite >= 0xD800 && unite < 0xDC00;
            const char32_t suivante = haute && i + 1 < fin ? (*this)[i + 1] : 0;
            if (haute && suivante >= 0xDC00 && suivante < 0xE000) {
                EncoderUtf8(texte, 0x10000 + ((unite - 0xD800) << 10) + (suivante - 0xDC00));
                ++i;
            } else {
                // A lone surrogate keeps its three bytes, outside well-formed
                // UTF-8, so that it stays told apart from a real character.
                EncoderUtf8(texte, unite);
            }
        }
        return texte;
    }
    }
    return {};
}

std::string UnitesIni::Encoder(const std::string& utf8) const {
    switch (encodage_) {
    case EncodageIni::Utf8:
        return RemplacerOctetsInvalides(utf8, kRemplacementUtf8);
    case EncodageIni::Windows1252: {
        std::string octets;
        octets.reserve(utf8.size());
        ParPoint(utf8, [&octets](char32_t point) { octets += VersCp1252(point); });
        return octets;
    }
    case EncodageIni::Session:
        return VersJeuSession(utf8);
    case EncodageIni::Utf16LE: {
        std::string octets;
        octets.reserve(utf8.size() * 2);
        const auto unite = [&octets](char32_t u) {
            octets += static_cast<char>(u & 0xFF);
            octets += static_cast<char>(u >> 8);
        };
        ParPoint(utf8, [&unite](char32_t point) {
            if (point < 0x10000) {
                unite(point);
            } else {
                unite(0xD800 + ((point - 0x10000) >> 10));
                unite(0xDC00 + ((point - 0x10000) & 0x3FF));
            }
        });
        return octets;
    }
    }
    return {};
}

std::string UnitesIni::Copier(std::size_t debut, std::size_t fin) const {
    return octets_.substr(debut_ + debut * largeur_, (fin - debut) * largeur_);
}

void UnitesIni::Remplacer(std::size_t debut, std::size_t fin, const std::string& octets) {
    octets_.replace(debut_ + debut * largeur_, (fin - debut) * largeur_, octets);
}
