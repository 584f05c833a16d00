#pragma once

#include <string>
#include <utility>
#include <vector>

// An INI file that belongs to another program, edited line by line.
//
// Reading follows the Windows INI functions: lines end at CRLF, LF or a lone
// CR; blanks (space, tab, vertical tab, form feed, Ctrl-Z) around lines,
// names and values are trimmed; ';' starts a comment line; a line that starts
// with '[' and holds a ']' is a section header whose name runs to its last
// ']'; any other line is a key, up to its first '=' or, without '=', the whole
// line, a key with no value; section and key names match without regard to
// case, up to their first NUL; only the first section of a name and the first
// occurrence of a key count; a value ends at its first NUL, and one wrapped in
// a pair of matching quotes loses them. The file's encoding is detected on
// each access (UTF-16LE BOM, UTF-8 BOM or valid UTF-8, else Windows-1252; a
// file of ASCII bytes only takes the session's character set, JeuSession.h)
// and values reach the program as narrow strings (UTF-8).
//
// Writing changes the lines it writes and keeps every other byte: line ends,
// comments, spacing, order and encoding. The new content replaces the file
// whole (ModifierFichier), so a caller never sees a half-written file nor
// loses a change it made meanwhile.
//
// A trap of the detection: in a Windows-1252 file whose only bytes that are
// not UTF-8 sit on the line rewritten, the new content is valid UTF-8 and is
// read as UTF-8 afterwards; so is a file of ASCII bytes only once a value in a
// non-UTF-8 session's set happens to form UTF-8. The bytes the caller reads
// are right; only a later read of ours may decode the accents differently.
// No rule can prevent it without touching bytes that are not ours to change.
class FichierIni {
public:
    // Opens nothing and creates nothing; every call reads the file afresh.
    explicit FichierIni(std::string chemin);

    // The value of cle in section, or defaut when the file cannot be read (or
    // is missing, or is a folder), the section or the key is absent, or the
    // key's line has no '='. "cle=" gives "", not defaut. Bytes that are not
    // valid in a UTF-8 file with a byte order mark read as U+FFFD; a lone
    // surrogate of a UTF-16LE file reads as its three bytes, which are not
    // well-formed UTF-8, rather than as '?'.
    std::string ReadString(const std::string& section, const std::string& cle, const std::string& defaut) const;

    // Sets cle to valeur (written verbatim, no quotes, no trimming): rewrites
    // the key's line in place (a key line without '=' gains one), or adds the
    // key after the last key of its section, or appends the section with the
    // key at the end of the file. Every CR and LF in the section name, the key
    // or the value becomes a blank: they would otherwise inject lines into the
    // caller's file. Names end at their first NUL and are trimmed of blanks,
    // as the file gives them back.
    // Raises Echec naming the file when the write cannot be made
    // (file missing or unreadable, not writable, disk error), or when a key
    // could not be read back (holding '=' or starting with ';' or '['); the
    // file is then unchanged and never created.
    void WriteString(const std::string& section, const std::string& cle, const std::string& valeur);

    // Writes "1" for true and "0" for false, as WriteString does.
    void WriteBool(const std::string& section, const std::string& cle, bool valeur);

    // Several keys of one section, in order, as WriteString does each, in one
    // replacement of the file. An empty list touches nothing.
    void WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& valeurs);

private:
    std::string chemin_;
};
