#pragma once

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

// Declares the virtual table on the connection when its main schema has a
// table Quilvarest whose rowid, Cp and Ville can be read; a store without one
// is left as it is, so that the engine reports what is wrong with it. The rows
// and their other names are read at the first search. Each row also has the
// hidden column AutreNom: the other name by which that row met a condition on
// Ville its own name did not, NULL otherwise. Returns SQLITE_OK or the
// engine's error code, its message left on the connection; installee says
// whether the table was declared.
int InstallerTableVilles(sqlite3* connexion, bool& installee);
