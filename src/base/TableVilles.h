#pragma once

#include <memory>
#include <string>

struct sqlite3;

// The table the program's queries name, Quilvarest, as a virtual table of the
// connection's temp schema. It shadows the stored table of the same name, so
// the query text stays as composed, and reads the stored rows in their order,
// taking the LIKE and `=` conditions on Cp and Ville itself: a condition on
// Ville holds when it holds for the row's name or for one of the other names
// the store lists for that row in its table AutresNoms (Cp, Ville, Nom): the
// former communes and localities of an address's line 5, La Poste's labels.
// Every name is folded once per connection (RepliSansAccent.h), not once per
// search. Any other condition is left to the engine, on the row's own values.

// What a connection's virtual table shares with the program.
struct EtatVilles;

// Declares the virtual table on the connection when its main schema has a
// table Quilvarest whose rowid, Cp and Ville can be read; a store without one
// is left as it is, so that the engine reports what is wrong with it. Loads the
// other names from AutresNoms when the store has that table. Returns
// SQLITE_OK or the engine's error code, its message left on the connection;
// etat is then the state the table shares, or null when none was declared.
int InstallerTableVilles(sqlite3* connexion, std::shared_ptr<EtatVilles>& etat);

// The other name by which the row the last search stands on was found: empty
// when it was found by its own name or by no condition on Ville at all.
const std::string& AutreNomTrouve(const EtatVilles& etat);
