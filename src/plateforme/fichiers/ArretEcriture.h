#pragma once

#include <cstddef>
#include <optional>

// A test seam: the writes of this library stop for good once a given number
// of bytes has been written, as if the process had been killed there. Armed
// by tests only; the program never arms it.

// Thrown where the write stops. Not an Echec: nothing catches it on the way
// out, so no clean-up or rollback runs, as after a kill.
struct EcritureArretee {};

// From now on, at most octets more bytes are written (all write calls of this
// library counted together); nullopt disarms.
void ArreterEcritureApres(std::optional<std::size_t> octets);

// How many of demande bytes the next write call may write: demande when the
// seam is disarmed. Throws EcritureArretee when the allowance is spent.
std::size_t OctetsPermis(std::size_t demande);

// Records that ecrits bytes were written.
void CompterOctetsEcrits(std::size_t ecrits);
