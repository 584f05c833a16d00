#pragma once

#include <stdexcept>
#include <string>

// The program's own error. Raised by the platform layer (INI file, store) and
// shown by the error display with its message as is; the message is French
// and names the file or statement concerned.
class ErreurPlateforme : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
