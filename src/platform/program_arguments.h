// The arguments a command-line tool was started with, after its own name, as
// UTF-8 like every other text of the program. On Windows the narrow argv
// holds them in the system's code page, which cannot spell most names; they
// are taken from the wide command line instead.
#pragma once

#include <string>
#include <vector>

namespace marklift {

std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace marklift
