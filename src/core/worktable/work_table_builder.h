// BuildWorkTable: throws away BANTABLE and builds it again from a testing
// period's placement, assessment and score records, completed with student
// data, identifier and site code, and translated through the code tables.
#pragma once

#include <cstdint>
#include <string>

#include "core/config/program_settings.h"
#include "core/session/user_interface.h"
#include "core/worktable/build_progress.h"
#include "tables/xbase_table.h"

namespace marklift {

inline constexpr char kWorkTableName[] = "BANTABLE";
inline constexpr char kWorkTableFieldDefinitions[] =
    "ID,       C, 9,0;LNAME,    C,13,0;FNAME,    C,11,0;MNAME,    C, 1,0;BIRTHDATE,D, 8,0;"
    "TESTCODE, C, 4,0;TESTSCORE,C, 8,0;DATE,     D, 8,0;SSN,      C,11,0;CODE,     C, 4,0;"
    "CORRECT,  N, 3,0;SCORE,    N, 4,0;ATTEMPT,  N, 3,0;SS1,      N, 2,0;SS2,      N, 2,0;"
    "SS3,      N, 2,0;SS4,      N, 2,0;SS5,      N, 2,0;SS6,      N, 2,0;SS7,      N, 2,0;"
    "SS8,      N, 2,0;SS9,      N, 2,0;SS10,     N, 2,0;GRPNUMBER,C, 7,0;SITECODE, C, 2,0;";
// The work table's tags, in the order they are created; each is its own key.
inline constexpr const char* kWorkTableTags[] = {"SSN", "LNAME", "TESTCODE", "DATE"};

// What a run did, for the caller's curiosity and for tests.
struct WorkTableSummary {
    std::uint32_t gathered = 0;  // records copied from ZOLT's tables
    std::uint32_t removed = 0;   // records the code tables excluded
    bool packed = false;         // packed because something was removed
};

// Owns the four table objects of a build (work table, ZOLT's table of the
// moment, the two code tables); they are closed between builds.
class WorkTableBuilder {
public:
    WorkTableBuilder(UserInterface& ui, BuildProgress& progress);
    WorkTableBuilder(const WorkTableBuilder&) = delete;
    WorkTableBuilder& operator=(const WorkTableBuilder&) = delete;

    // Rebuilds DataPath + BANTABLE for settings.PeriodDir from the temporary
    // or master tables, limited by `runFilter` (an xBase condition on Date,
    // or empty for all dates). Leaves BANTABLE closed, the status line empty
    // and the progress bar at 0, also when it fails. Throws MarkliftError when
    // a build is already running in this program (its status changes let
    // window events through, which could ask for another), ProgramCancelled
    // when the user gives up opening a table, and the engine's errors: among
    // them a ZOLT table, index or field that is not there, named (retrying
    // is for tables that are there but will not open yet).
    WorkTableSummary BuildWorkTable(const ProgramSettings& settings, const std::string& runFilter);

private:
    struct Run;
    struct Fields;

    void OpenCodeTables(Run& run);
    void CreateWorkTable(const Run& run);
    void ReadSiteCode(Run& run);
    void Gather(const Run& run);
    void ProcessRecords(Run& run);
    void CompleteRecord(const Run& run, const Fields& fields, const std::string& ssn);

    UserInterface& ui_;
    BuildProgress& progress_;
    XbaseTable workTable_;
    XbaseTable zoltTable_;
    XbaseTable placementCodes_;
    XbaseTable testCodes_;
};

}  // namespace marklift
