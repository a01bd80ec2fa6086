#pragma once

#include <ostream>
#include <string>
#include <vector>

// quenlit-memory: the translation memory on the command line. `arguments`
// leave out the program's name. Exit status: 0 done, 1 a file could not be
// read, imported or written, 2 wrong arguments or no memory to be had.
int RunMemoryTool(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err);

// The usage text of --help.
std::string MemoryToolUsage();
