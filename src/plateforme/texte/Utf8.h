#pragma once

#include <cstdint>
#include <string>

// Start of the code points that stand for bytes outside well-formed UTF-8:
// a byte b decodes to kOctetInvalide + b, a lone surrogate that no
// well-formed text decodes to.
inline constexpr std::uint32_t kOctetInvalide = 0xDC00;

// Decodes the character at p (p < fin) and moves p past it. A byte that does
// not start a well-formed sequence (cut short, overlong, a surrogate, past
// U+10FFFF) yields kOctetInvalide + the byte and moves one byte on, so every
// byte string decodes and none is lost.
std::uint32_t DecoderUtf8(const unsigned char*& p, const unsigned char* fin);

// True for the code points DecoderUtf8 gives for an invalid byte.
inline bool EstOctetInvalide(std::uint32_t point) {
    return point >= kOctetInvalide + 0x80 && point <= kOctetInvalide + 0xFF;
}

// Appends point, a code point up to U+10FFFF, to sortie in UTF-8.
void EncoderUtf8(std::string& sortie, char32_t point);

// U+FFFD, the replacement character, in UTF-8: what a byte or character that
// cannot be read or written becomes.
inline constexpr char kRemplacementUtf8[] = "\xEF\xBF\xBD";

// texte with each byte outside well-formed UTF-8 replaced by remplacement;
// every well-formed character is kept.
std::string RemplacerOctetsInvalides(const std::string& texte, const std::string& remplacement);
