#pragma once

#include <cstddef>
#include <optional>

// A test seam: the writes of this library (EntreesSorties.h's EcrireEn) stop
// for good after a given number of bytes, as if the process had been killed
// there. Only tests arm it.

// Thrown where the write stops. Not an Echec: nothing catches it on the way
// out, so no clean-up or rollback runs, as after a kill.
struct EcritureArretee {};

// At most octets more bytes, all the library's writes together; nullopt disarms.
void ArreterEcritureApres(std::optional<std::size_t> octets);
