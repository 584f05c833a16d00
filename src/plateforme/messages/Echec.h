#pragma once

#include <stdexcept>
#include <string>

// The program's own failure, raised by the INI file, the store and the query
// composer, and shown by the error display with its message as is; the
// message is French and names the file or statement concerned.
class Echec : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
