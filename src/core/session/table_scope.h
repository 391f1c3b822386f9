// Opening a table under the retry rule, closing it on every way out of a
// scope, and holding back its display updates: what operations on tables
// share.
#pragma once

#include <string>

#include "core/session/program_error.h"
#include "core/session/shared_routines.h"
#include "platform/paths.h"
#include "tables/xbase_table.h"

namespace marklift {

// OpenWithRetry, ending the action when the user gives up.
inline void OpenOrCancel(XbaseTable& table, UserInterface& ui) {
    if (!OpenWithRetry(table, ui)) throw ProgramCancelled();
}

// CreateTable for `directory` + `tableName` + ".dbf", then removes the
// old table's structural .cdx, which the new one must not open with. The
// create comes first: it fails while another program has the table open,
// and that program's index must then stay where it is.
inline void RecreateTable(const std::string& directory, const std::string& tableName,
                          const std::string& fieldDefinitions) {
    XbaseTable::CreateTable(directory + tableName + ".dbf", fieldDefinitions);
    deleteFile(directory + tableName + ".cdx");
}

// Closes `table` (filter cleared, order cleared) when the scope ends. On the
// success path call close(), so that an error while writing the table back
// reaches the caller; on a way out by an exception a pending edit is
// dropped and a second error is swallowed, as the first one is the one to
// report.
class CloseOnExit {
public:
    explicit CloseOnExit(XbaseTable& table) : table_(table) {}
    ~CloseOnExit() {
        try {
            table_.Cancel();
            close();
        } catch (...) {
        }
    }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

    void close() {
        table_.ClearFilter();
        table_.Close();
    }

private:
    XbaseTable& table_;
};

// Holds back the display updates of a table for a scope, so a grid bound to
// it does not repaint for every record a loop visits.
class ControlsDisabled {
public:
    explicit ControlsDisabled(XbaseTable& table) : table_(table) { table_.DisableControls(); }
    ~ControlsDisabled() { table_.EnableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    XbaseTable& table_;
};

}  // namespace marklift
