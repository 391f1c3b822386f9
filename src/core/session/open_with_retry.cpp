// The engine's side of OpenWithRetry, apart from the retry loop so that the
// other shared routines need no table engine to link.
#include "core/session/shared_routines.h"

namespace marklift {

bool OpenWithRetry(XbaseTable& table, UserInterface& ui) {
    return OpenWithRetry(
        [&table] {
            if (table.Active()) table.Close();
            table.Open();
        },
        OpenRetryQuestion(table.DatabaseName(), table.TableName(), table.GetTableType()), ui);
}

}  // namespace marklift
