#pragma once

#include <string>

// The SQLite URI that opens the store at chemin as immutable: nothing is ever
// written beside it (no journal, no -wal or -shm file), even when the store
// is in WAL mode or on a read-only medium. '%', '?', '#' and non-ASCII bytes
// of the path are percent-encoded, so that any file name reads back whole.
std::string UriBaseImmuable(const std::string& chemin);

// The path as the path of a URI: '/' between the parts, and a leading '/'
// when it is absolute. One implementation file per system.
std::string CheminUri(const std::string& chemin);
