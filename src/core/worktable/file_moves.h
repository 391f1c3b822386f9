// Renaming a set of files as one step: all of them move, or none does.
#pragma once

#include <string>
#include <vector>

namespace marklift {

struct FileMove {
    std::string from;  // program paths
    std::string to;
};

// Renames each file in order. When one fails, the ones already moved are
// renamed back, last first, and a MarkliftError says "Unable to rename A to
// B." (with a sentence for each move that would not go back either),
// followed by `consequence`.
void MoveAllOrNone(const std::vector<FileMove>& moves, const std::string& consequence);

}  // namespace marklift
