#pragma once

#include <string>
#include <vector>

// The arguments after the program name, as UTF-8 narrow strings. On Windows
// they come from the wide command line, so a path holding characters outside
// the ANSI code page reaches the program whole; argc and argv are used
// elsewhere.
std::vector<std::string> ArgumentsProgramme(int argc, char** argv);
