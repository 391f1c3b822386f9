#include "core/worktable/file_moves.h"

#include "core/session/program_error.h"
#include "platform/paths.h"

namespace marklift {

void MoveAllOrNone(const std::vector<FileMove>& moves, const std::string& consequence) {
    for (std::size_t done = 0; done < moves.size(); ++done) {
        if (renameFile(moves[done].from, moves[done].to)) continue;
        std::string message =
            "Unable to rename " + moves[done].from + " to " + moves[done].to + ".";
        while (done-- > 0)
            if (!renameFile(moves[done].to, moves[done].from))
                message +=
                    " Unable to rename " + moves[done].to + " back to " + moves[done].from + ".";
        throw MarkliftError(message + consequence);
    }
}

}  // namespace marklift
