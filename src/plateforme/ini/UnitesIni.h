#pragma once

#include <cstddef>
#include <string>

// The encodings an INI file written by the Windows INI functions may use. A
// file of ASCII bytes only gives no clue: it takes the session's character
// set (JeuSession.h), which is UTF-8 or another set (Session).
enum class EncodageIni { Utf8, Windows1252, Utf16LE, Session };

// The bytes of an INI file seen as code units: bytes for UTF-8 and
// Windows-1252, 16-bit little-endian units for UTF-16LE. The INI syntax only
// uses ASCII characters, so lines are split and trimmed on raw units and a
// line we do not write is never decoded and re-encoded: its bytes stay as they
// were, even bytes that are not valid in the file's encoding.
class UnitesIni {
public:
    // Takes the whole file and detects its encoding: a UTF-16LE byte order
    // mark (FF FE) gives UTF-16LE; a UTF-8 byte order mark, or valid UTF-8
    // holding at least one non-ASCII character, gives UTF-8; a file of ASCII
    // bytes only (or empty) takes the session's character set, as Windows
    // writes such a file in the ANSI code page: UTF-8 when the session's set
    // is UTF-8, else Session; anything else is Windows-1252. The byte order
    // mark stays in front of the units, and the lone last byte of a UTF-16
    // file of odd length stays behind them.
    explicit UnitesIni(std::string octets);

    // Number of units, byte order mark and lone odd byte excluded.
    std::size_t Taille() const { return (octets_.size() - debut_) / largeur_; }

    // Unit i (0 <= i < Taille()).
    char16_t operator[](std::size_t i) const {
        const std::size_t position = debut_ + i * largeur_;
        const auto bas = static_cast<unsigned char>(octets_[position]);
        if (largeur_ == 1) {
            return bas;
        }
        return static_cast<char16_t>(bas | (static_cast<unsigned char>(octets_[position + 1]) << 8));
    }

    // Units [debut, fin) as UTF-8 text, the program's own. Invalid UTF-8 and
    // bytes the session's set leaves undefined give U+FFFD; a lone UTF-16
    // surrogate gives its three bytes, which no well-formed text holds; the
    // five bytes Windows-1252 leaves undefined (81 8D 8F 90 9D) give the C1
    // controls of the same number.
    std::string Decoder(std::size_t debut, std::size_t fin) const;

    // utf8 as bytes of this file's encoding, ready to be spliced in. A byte
    // outside well-formed UTF-8 stands for U+FFFD; a character Windows-1252
    // or the session's set cannot hold becomes '?'.
    std::string Encoder(const std::string& utf8) const;

    // The raw bytes of units [debut, fin), copied without decoding.
    std::string Copier(std::size_t debut, std::size_t fin) const;

    // Replaces units [debut, fin) by octets, which must hold whole units of
    // this file's encoding (as Encoder and Copier give them).
    void Remplacer(std::size_t debut, std::size_t fin, const std::string& octets);

    // The whole file, byte order mark and lone odd byte included.
    const std::string& Octets() const { return octets_; }

private:
    std::string octets_;
    EncodageIni encodage_ = EncodageIni::Utf8;
    std::size_t debut_ = 0;   // length of the byte order mark
    std::size_t largeur_ = 1; // bytes per unit
};
