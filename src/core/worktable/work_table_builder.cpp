#include "core/worktable/work_table_builder.h"

#include <exception>

#include "core/session/program_error.h"
#include "core/session/shared_routines.h"
#include "core/session/table_scope.h"
#include "core/worktable/code_tables.h"
#include "core/worktable/code_translation.h"
#include "core/worktable/gather_source.h"
#include "core/worktable/student_identity.h"
#include "core/worktable/zolt_requirements.h"
#include "platform/paths.h"

namespace marklift {
namespace {

constexpr char kSiteTableName[] = "SetupSch";
constexpr char kNoSiteCode[] = "  ";

// BANTABLE is one file for the whole program, and a build lets window events
// through at each status change: one of them must not start a second build
// over the first, whichever window asks.
class OneBuildAtATime {
public:
    OneBuildAtATime() {
        if (running())
            throw MarkliftError("A work table is already being built. Wait until it is done.");
        running() = true;
    }
    ~OneBuildAtATime() { running() = false; }
    OneBuildAtATime(const OneBuildAtATime&) = delete;
    OneBuildAtATime& operator=(const OneBuildAtATime&) = delete;

private:
    static bool& running() {
        static bool flag = false;
        return flag;
    }
};

// The caller's status line for one run: each change lets window events
// through; on every way out it is left empty with the bar at 0.
class StatusLine {
public:
    StatusLine(BuildProgress& progress, UserInterface& ui) : progress_(progress), ui_(ui) {}
    ~StatusLine() {
        if (cleared_) return;
        // Leaving by an error: no events are let through while it unwinds.
        try {
            progress_.setStatus("");
            progress_.setPosition(0);
        } catch (...) {
        }
    }
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    void show(const std::string& text) {
        progress_.setStatus(text);
        ui_.processEvents();
    }
    void clear() {
        show("");
        progress_.setPosition(0);
        cleared_ = true;
    }

private:
    BuildProgress& progress_;
    UserInterface& ui_;
    bool cleared_ = false;
};

void SetUpZoltTable(XbaseTable& table, const std::string& directory, const std::string& name) {
    table.SetDatabaseName(directory);
    table.SetTableName(name);
    table.SetTableType(TableType::ttNTX);
    table.SetExclusive(false);
    table.SetReadOnly(true);  // ZOLT's tables are never written
    RequireZoltTable(table);
}

void OpenZoltTable(XbaseTable& table, const std::string& directory, const std::string& name,
                   UserInterface& ui) {
    SetUpZoltTable(table, directory, name);
    OpenOrCancel(table, ui);
}

// A ZOLT table with an .ntx, opened in one attempt. The index is read under
// the lock ZOLT holds while it changes it, so an index held longer than a
// short wait is in use as a table can be, and is waited out and asked about
// the same way. Any other failure of the index is no passing lock: it ends
// the run naming the file.
void OpenZoltTableWithIndex(XbaseTable& table, const std::string& directory,
                            const std::string& name, const std::string& indexFile,
                            UserInterface& ui) {
    SetUpZoltTable(table, directory, name);
    RequireZoltIndex(indexFile);
    std::exception_ptr fault;
    const auto attempt = [&] {
        fault = nullptr;
        if (table.Active()) table.Close();
        table.Open();
        try {
            table.OpenIndexFile(indexFile);
        } catch (const EXbaseError& error) {
            if (error.code() == XbaseErrorCode::OpenFailed) throw;
            fault = std::current_exception();
        }
    };
    if (!OpenWithRetry(
            attempt,
            OpenRetryQuestion(table.DatabaseName(), table.TableName(), table.GetTableType()), ui))
        throw ProgramCancelled();
    if (fault) std::rethrow_exception(fault);
}

}  // namespace

// Copies of the settings and the filter as they were when the run began:
// the status changes let window events through, and what they change (the
// Search choice, Auto Prepare writing the settings) must not move a run
// half way.
struct WorkTableBuilder::Run {
    Run(const ProgramSettings& settings, const std::string& runFilter, StatusLine& status)
        : settings(settings),
          runFilter(runFilter),
          status(status),
          periodPath(settings.DataPath + settings.PeriodDir) {}

    const ProgramSettings settings;
    const std::string runFilter;
    StatusLine& status;
    const std::string periodPath;  // DataPath + PeriodDir
    std::string siteCode = kNoSiteCode;
    bool hasPlacementCodes = false;
    bool hasTestCodes = false;
    WorkTableSummary summary;
};

// The fields every gathered record is completed with, found once for the
// run rather than by name for each record.
struct WorkTableBuilder::Fields {
    Fields(const XbaseTable& work, const XbaseTable& student)
        : code(work.Field("CODE")),
          correct(work.Field("CORRECT")),
          score(work.Field("SCORE")),
          ssn(work.Field("SSN")),
          testCode(work.Field("TESTCODE")),
          testScore(work.Field("TESTSCORE")),
          siteCode(work.Field("SITECODE")),
          lastName(work.Field("LNAME")),
          firstName(work.Field("FNAME")),
          middleName(work.Field("MNAME")),
          birthDate(work.Field("BIRTHDATE")),
          id(work.Field("ID")),
          studentSsn(student.Field("SSN")),
          studentLastName(student.Field("Lname")),
          studentFirstName(student.Field("Fname")),
          studentMiddleName(student.Field("Mname")),
          studentBirthDate(student.Field("Birthdate")) {}

    const FieldDef &code, &correct, &score, &ssn, &testCode, &testScore, &siteCode;
    const FieldDef &lastName, &firstName, &middleName, &birthDate, &id;
    const FieldDef &studentSsn, &studentLastName, &studentFirstName, &studentMiddleName,
        &studentBirthDate;
};

WorkTableBuilder::WorkTableBuilder(UserInterface& ui, BuildProgress& progress)
    : ui_(ui), progress_(progress) {}

WorkTableSummary WorkTableBuilder::BuildWorkTable(const ProgramSettings& settings,
                                                  const std::string& runFilter) {
    OneBuildAtATime guard;
    StatusLine status(progress_, ui_);
    Run run(settings, runFilter, status);

    CloseOnExit closingPlacementCodes(placementCodes_);
    CloseOnExit closingTestCodes(testCodes_);
    OpenCodeTables(run);

    CloseOnExit closingWorkTable(workTable_);
    CreateWorkTable(run);
    {
        BusyCursor busy(ui_);
        for (const char* tag : kWorkTableTags) workTable_.CreateIndex(tag, tag);
        if (run.settings.IncludeSiteCode) ReadSiteCode(run);
        Gather(run);
        ProcessRecords(run);
        if (run.summary.removed > 0) {
            workTable_.Pack();
            run.summary.packed = true;
        }
    }
    closingWorkTable.close();
    closingPlacementCodes.close();
    closingTestCodes.close();
    status.clear();
    return run.summary;
}

void WorkTableBuilder::OpenCodeTables(Run& run) {
    auto openIfPresent = [&](XbaseTable& codes, const char* name) {
        if (!fileExists(run.settings.DataPath + name + ".DBF")) return false;
        codes.SetDatabaseName(run.settings.DataPath);
        codes.SetTableName(name);
        codes.SetTableType(TableType::ttCDX);
        codes.SetExclusive(false);
        codes.SetReadOnly(true);  // only looked up here
        OpenOrCancel(codes, ui_);
        if (!HasLiveRow(codes)) {
            codes.Close();
            return false;
        }
        codes.SetIndexName("Code");
        return true;
    };
    run.hasPlacementCodes = openIfPresent(placementCodes_, kPlacementTableName);
    run.hasTestCodes = openIfPresent(testCodes_, kTestTableName);
}

void WorkTableBuilder::CreateWorkTable(const Run& run) {
    const std::string& dataPath = run.settings.DataPath;
    workTable_.Close();
    // The new table starts without the old one's tags.
    RecreateTable(dataPath, kWorkTableName, kWorkTableFieldDefinitions);
    workTable_.SetDatabaseName(dataPath);
    workTable_.SetTableName(kWorkTableName);
    workTable_.SetTableType(TableType::ttCDX);
    workTable_.SetExclusive(true);
    workTable_.SetReadOnly(false);
    OpenOrCancel(workTable_, ui_);
}

void WorkTableBuilder::ReadSiteCode(Run& run) {
    if (!fileExists(run.settings.DataPath + kSiteTableName + ".dbf")) return;
    OpenZoltTable(zoltTable_, run.settings.DataPath, kSiteTableName, ui_);
    CloseOnExit closing(zoltTable_);
    zoltTable_.First();
    run.siteCode = zoltTable_.GetText("SCHSTATION");
    closing.close();
}

void WorkTableBuilder::Gather(const Run& run) {
    const std::pair<RecordKind, bool> kinds[] = {
        {RecordKind::Placement, run.settings.IncludePlacementRecords},
        {RecordKind::Assessment, run.settings.IncludeAssessmentRecords},
        {RecordKind::Score, run.settings.IncludeScoreRecords},
    };
    for (const auto& [kind, included] : kinds) {
        if (!included) continue;
        const GatherSource source =
            ChooseGatherSource(kind, run.settings.SearchTemporary, run.runFilter);
        run.status.show(source.status);
        OpenZoltTable(zoltTable_, run.periodPath, source.tableName, ui_);
        CloseOnExit closing(zoltTable_);
        // Under the default option the copy would take every record.
        zoltTable_.SetFilterOptions(FilterOptions::RESPECT_WHEN_COUNTING);
        if (!source.filter.empty()) zoltTable_.SetFilter(source.filter);
        RequireGatheredFields(zoltTable_);
        zoltTable_.CopyContentsTo(workTable_);
        closing.close();
    }
}

void WorkTableBuilder::ProcessRecords(Run& run) {
    run.status.show("Processing...");
    run.summary.gathered = workTable_.RecordCount();
    progress_.setRange(0, static_cast<int>(run.summary.gathered));
    progress_.setPosition(0);

    const bool temporary = run.settings.SearchTemporary;
    const std::string studentOrder = temporary ? "SSNTEMP" : "SSN";
    OpenZoltTableWithIndex(zoltTable_, run.periodPath, temporary ? "StudTemp" : "Student",
                           run.periodPath + studentOrder + ".NTX", ui_);
    CloseOnExit closing(zoltTable_);
    RequireStudentFields(zoltTable_);
    zoltTable_.SetIndexName(studentOrder);
    const Fields fields(workTable_, zoltTable_);

    // Record order is the order of gathering; a deleted record stays visible
    // until the pack, so moving on from it never skips the next one.
    int visited = 0;
    for (workTable_.First(); !workTable_.Eof(); workTable_.Next()) {
        const std::string code = workTable_.GetText(fields.code);
        XbaseTable* codes = IsPlacementCode(code)
                                ? (run.hasPlacementCodes ? &placementCodes_ : nullptr)
                                : (run.hasTestCodes ? &testCodes_ : nullptr);
        const Translation translation =
            TranslateCode(code, workTable_.GetInt(fields.correct), workTable_.GetInt(fields.score),
                          LookUpCode(codes, code));
        if (translation.action == Translation::Action::Delete) {
            workTable_.Delete();
            ++run.summary.removed;
        } else {
            // Every change to the record is written back once, by one Post.
            workTable_.Edit();
            CompleteRecord(run, fields, workTable_.GetText(fields.ssn));
            if (translation.action == Translation::Action::Set) {
                workTable_.SetText(fields.testCode, translation.testCode);
                workTable_.SetText(fields.testScore, translation.testScore);
            }
            workTable_.Post();
        }
        progress_.setPosition(++visited);
    }
    closing.close();
}

// Site code, student data and identifier of the record being edited.
void WorkTableBuilder::CompleteRecord(const Run& run, const Fields& fields,
                                      const std::string& ssn) {
    if (run.settings.IncludeSiteCode) workTable_.SetText(fields.siteCode, run.siteCode);
    if (SeekStudent(zoltTable_, fields.studentSsn, ssn)) {
        workTable_.SetText(fields.lastName, zoltTable_.GetText(fields.studentLastName));
        workTable_.SetText(fields.firstName, zoltTable_.GetText(fields.studentFirstName));
        workTable_.SetText(fields.middleName, zoltTable_.GetText(fields.studentMiddleName));
        workTable_.SetDate(fields.birthDate, zoltTable_.GetDate(fields.studentBirthDate));
    }
    workTable_.SetText(fields.id, BannerId(ssn));
}

}  // namespace marklift
