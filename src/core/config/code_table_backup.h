// The code tables' files copied aside when the settings dialog opens and put
// back when it is left any way but OK, so that the data directory is then as
// the dialog found it: a table that was there is back byte for byte, one
// that was not is gone again. Every copy goes through a temporary file, and
// what cannot be copied is said.
#pragma once

#include <string>
#include <vector>

#include "core/session/user_interface.h"

namespace marklift {

// One code table's files as the dialog found them.
struct CodeTableAtOpen {
    std::string live;    // base name: "BANPLACE"
    std::string backup;  // its backup's base name: "BANPLACx"
    bool dbfExisted = false;
    bool cdxExisted = false;
    bool backedUp = false;  // each file that existed has its backup
};

struct CodeTableBackups {
    std::string dataPath;
    std::vector<CodeTableAtOpen> tables;  // BANPLACE, then BANTEST
};

// Copies the .DBF and .CDX of each code table that exists in `dataPath` to
// its backup (BANPLACx, BANTESTx), replacing an older backup; a table's
// backups replace the old ones together or not at all. A table that cannot
// be copied aside is said through `ui`: Cancel cannot undo changes to it.
// Backups of a table that is not there are left as they are.
CodeTableBackups BackupCodeTables(const std::string& dataPath, UserInterface& ui);

// Puts each table back as it was when `backups` were taken: a table that
// was there from its backups (both files together, or neither), after which
// they are deleted; a file that was not there is deleted. A table that
// cannot be put back keeps its backups, and `ui` is told where they are.
void RestoreCodeTables(const CodeTableBackups& backups, UserInterface& ui);

}  // namespace marklift
