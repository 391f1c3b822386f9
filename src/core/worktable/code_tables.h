// The two code tables Marklift keeps beside ZOLT's data: BANPLACE translates
// placement codes, BANTEST test and score codes. Opening them (creating them
// when missing), filling them from a testing period's LEVELS or TEST table,
// and rebuilding them while keeping the user's translations.
#pragma once

#include <string>

#include "core/session/user_interface.h"
#include "tables/xbase_table.h"

namespace marklift {

inline constexpr char kPlacementTableName[] = "BANPLACE";
inline constexpr char kTestTableName[] = "BANTEST";
// The previous contents of a code table after it was rebuilt; left on disk.
inline constexpr char kPreviousCodesTableName[] = "BANTEMP";
// The new contents of a code table while a rebuild fills them; they take
// the table's name only once complete.
inline constexpr char kNewCodesTableName[] = "BANNEW";

inline constexpr char kPlacementFieldDefinitions[] =
    "CODE,     C, 4,0;INCLUDE,  L, 1,0;NEWCODE,  C, 4,0;MESSAGE,  C, 110,0;";
inline constexpr char kTestFieldDefinitions[] =
    "CODE,     C, 4,0;INCLUDE,  L, 1,0;NEWCODE,  C, 4,0;TEST,     C, 22,0;";
// The one tag of each code table, tag name and key alike.
inline constexpr char kCodeTag[] = "CODE";

// The questions of the Build buttons, asked only when the table has rows.
inline constexpr char kRebuildPlacementQuestion[] =
    "This routine rebuilds the Placement Code Table based\r\n"
    "on the placement levels in the selected testing period.\r\n"
    "Is this what you want to do?";
inline constexpr char kRebuildTestQuestion[] =
    "This routine rebuilds the Test/Score Code Table based\r\n"
    "on the Test/Scores in the selected testing period.\r\n"
    "Is this what you want to do?";

// Every operation throws ProgramCancelled when the user gives up opening a
// table, and lets the engine's errors through.

// Opens BANPLACE or BANTEST of `dataPath` on `codes`, on its first row in
// CODE order, after posting a pending edit; creates the table with its CODE
// tag first when its .dbf is missing.
void OpenPlacementTable(XbaseTable& codes, const std::string& dataPath, UserInterface& ui);
void OpenTestTable(XbaseTable& codes, const std::string& dataPath, UserInterface& ui);

// Appends one row for each record of the period's LEVELS or TEST table
// (opened on `source`, closed again on every way out) to the open `codes`:
// not included, NEWCODE equal to CODE, and a description from the source.
void FillPlacementCodes(XbaseTable& codes, XbaseTable& source, const std::string& dataPath,
                        int period, UserInterface& ui);
void FillTestCodes(XbaseTable& codes, XbaseTable& source, const std::string& dataPath, int period,
                   UserInterface& ui);

// The Build action. An empty table is filled without a question. Otherwise,
// when the user confirms, the old rows are read on `previous`, a new table
// is filled from the period under BANNEW, each row taking INCLUDE and
// NEWCODE from the first old row (not deleted) with its code, and only then
// do the old table's files become BANTEMP and the new ones take the table's
// name. A rebuild that stops on the way (the user giving up a table open,
// an engine error, files that will not move, when a MarkliftError says
// which) leaves the table's files as they were and BANNEW gone; `codes` is
// open on the table again unless the program is ending.
void BuildPlacementCodes(XbaseTable& codes, XbaseTable& source, XbaseTable& previous,
                         const std::string& dataPath, int period, UserInterface& ui);
void BuildTestCodes(XbaseTable& codes, XbaseTable& source, XbaseTable& previous,
                    const std::string& dataPath, int period, UserInterface& ui);

// The description a TEST record gets in BANTEST: the test's name, followed by
// a blank and its form unless the code is a score code (upper-case "S" first).
std::string TestDescription(const std::string& code, const std::string& test,
                            const std::string& form);

}  // namespace marklift
