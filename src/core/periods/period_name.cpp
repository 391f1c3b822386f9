// Reading a testing period's name from its TP table; apart from the scan so
// that the scan's rules can be tried without the table engine.
#include "core/periods/main_window_logic.h"
#include "core/session/program_error.h"
#include "core/session/shared_routines.h"
#include "tables/xbase_table.h"

namespace marklift {

std::string ReadPeriodName(const std::string& periodDirectory, UserInterface& ui) {
    XbaseTable tp;
    tp.SetDatabaseName(periodDirectory);
    tp.SetTableName("TP");
    tp.SetTableType(TableType::ttNTX);
    tp.SetReadOnly(true);
    if (!OpenWithRetry(tp, ui)) throw ProgramCancelled();
    tp.First();
    std::string name = tp.Eof() ? std::string() : tp.GetText("TPName");
    tp.Close();
    return name;
}

}  // namespace marklift
