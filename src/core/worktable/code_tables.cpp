#include "core/worktable/code_tables.h"

#include <map>
#include <vector>

#include "core/session/program_error.h"
#include "core/session/table_scope.h"
#include "core/worktable/file_moves.h"
#include "platform/paths.h"

namespace marklift {
namespace {

// What tells BANPLACE and BANTEST apart; everything else they share.
struct CodeTableKind {
    const char* tableName;
    const char* fieldDefinitions;
    const char* sourceTableName;  // in the testing period's directory
    const char* descriptionField;
    const char* question;
    std::string (*describe)(const XbaseTable& source);
};

std::string DescribePlacement(const XbaseTable& levels) {
    return levels.GetText("Placement") + " " + levels.GetText("Comment");
}

std::string DescribeTest(const XbaseTable& test) {
    return TestDescription(test.GetText("Code"), test.GetText("Test"), test.GetText("Form"));
}

const CodeTableKind kPlacement{kPlacementTableName, kPlacementFieldDefinitions, "LEVELS",
                               "MESSAGE",           kRebuildPlacementQuestion,  DescribePlacement};
const CodeTableKind kTest{kTestTableName, kTestFieldDefinitions, "TEST",
                          "TEST",         kRebuildTestQuestion,  DescribeTest};

void PostPendingEdit(XbaseTable& table) {
    if (table.State() == EditState::Edit || table.State() == EditState::Insert) table.Post();
}

// Creates the table `codes` points at, replacing any of that name, with its
// tag; leaves it closed.
void CreateCodeTable(XbaseTable& codes, const std::string& tableName, const char* fieldDefinitions,
                     const std::string& dataPath, UserInterface& ui) {
    // A stale index left beside a missing table would be attached to the new one.
    RecreateTable(dataPath, tableName, fieldDefinitions);
    OpenOrCancel(codes, ui);
    CloseOnExit closing(codes);
    codes.CreateIndex(kCodeTag, kCodeTag);
    closing.close();
}

enum class Creation { WhenMissing, Afresh };

void OpenCodeTableNamed(XbaseTable& codes, const std::string& tableName,
                        const char* fieldDefinitions, const std::string& dataPath,
                        UserInterface& ui, Creation creation = Creation::WhenMissing) {
    PostPendingEdit(codes);
    codes.Close();
    codes.SetDatabaseName(dataPath);
    codes.SetTableName(tableName);
    codes.SetTableType(TableType::ttCDX);
    codes.SetExclusive(false);
    codes.SetReadOnly(false);
    if (creation == Creation::Afresh || !fileExists(dataPath + tableName + ".dbf"))
        CreateCodeTable(codes, tableName, fieldDefinitions, dataPath, ui);
    OpenOrCancel(codes, ui);
    if (fileExists(dataPath + tableName + ".cdx")) codes.SetIndexName(kCodeTag);
    codes.First();
}

void OpenCodeTable(XbaseTable& codes, const CodeTableKind& kind, const std::string& dataPath,
                   UserInterface& ui) {
    OpenCodeTableNamed(codes, kind.tableName, kind.fieldDefinitions, dataPath, ui);
}

void FillCodes(XbaseTable& codes, const CodeTableKind& kind, XbaseTable& source,
               const std::string& dataPath, int period, UserInterface& ui) {
    source.SetDatabaseName(dataPath + "DELVTP" + std::to_string(period) + "\\");
    source.SetTableName(kind.sourceTableName);
    source.SetTableType(TableType::ttNTX);
    source.SetExclusive(false);
    source.SetReadOnly(true);
    OpenOrCancel(source, ui);
    CloseOnExit closing(source);
    for (source.First(); !source.Eof(); source.Next()) {
        const std::string code = source.GetText("Code");
        codes.Append();
        codes.SetText("CODE", code);
        codes.SetBool("INCLUDE", false);
        codes.SetText("NEWCODE", code);
        codes.SetText(kind.descriptionField, kind.describe(source));
        codes.Post();
    }
    closing.close();
}

// An empty table has nothing of the user's to keep, so it is filled in
// place. A fill that stops leaves no half-made row for a later post.
void FillEmptyCodes(XbaseTable& codes, const CodeTableKind& kind, XbaseTable& source,
                    const std::string& dataPath, int period, UserInterface& ui) {
    try {
        FillCodes(codes, kind, source, dataPath, period, ui);
    } catch (...) {
        codes.Cancel();
        throw;
    }
    codes.First();
}

// What the user chose for a code: INCLUDE and NEWCODE of its first row.
struct KeptChoice {
    bool include = false;
    std::string newCode;
};
using KeptChoices = std::map<std::string, KeptChoice>;

// Reads the choices of the live table, read only, in record order: a code's
// first row there is its first in CODE order too, so no index is needed,
// and a table that has lost its .cdx is not written to. Rows the user
// deleted are passed over.
KeptChoices ReadKeptChoices(XbaseTable& previous, const CodeTableKind& kind,
                            const std::string& dataPath, UserInterface& ui) {
    previous.SetDatabaseName(dataPath);
    previous.SetTableName(kind.tableName);
    previous.SetTableType(TableType::ttCDX);
    previous.SetExclusive(false);
    previous.SetReadOnly(true);
    OpenOrCancel(previous, ui);
    CloseOnExit closing(previous);
    KeptChoices kept;
    for (previous.First(); !previous.Eof(); previous.Next())
        if (!previous.Deleted())
            kept.try_emplace(previous.GetText("CODE"),
                             KeptChoice{previous.GetBool("INCLUDE"), previous.GetText("NEWCODE")});
    closing.close();
    return kept;
}

void CarryOverChoices(XbaseTable& codes, const KeptChoices& kept) {
    ControlsDisabled quiet(codes);
    for (codes.First(); !codes.Eof(); codes.Next()) {
        const auto choice = kept.find(codes.GetText("CODE"));
        if (choice == kept.end()) continue;
        codes.Edit();
        codes.SetText("NEWCODE", choice->second.newCode);
        codes.SetBool("INCLUDE", choice->second.include);
        codes.Post();
    }
}

// Fills the new table on `codes` under BANNEW, complete and closed.
void BuildNewCodes(XbaseTable& codes, const CodeTableKind& kind, XbaseTable& source,
                   const KeptChoices& kept, const std::string& dataPath, int period,
                   UserInterface& ui) {
    // Created afresh, so a leftover of a build the program did not live
    // through is no part of it.
    OpenCodeTableNamed(codes, kNewCodesTableName, kind.fieldDefinitions, dataPath, ui,
                       Creation::Afresh);
    FillCodes(codes, kind, source, dataPath, period, ui);
    CarryOverChoices(codes, kept);
    codes.SetIndexName("");
    codes.Close();
}

// The old table's files become BANTEMP and the new table's take the
// table's name, all or none.
void PutNewCodesInPlace(const CodeTableKind& kind, const std::string& dataPath) {
    const std::string live = dataPath + kind.tableName;
    const std::string previous = dataPath + kPreviousCodesTableName;
    const std::string fresh = dataPath + kNewCodesTableName;
    // A leftover that will not go shows up as a failed move below.
    deleteFile(previous + ".CDX");
    deleteFile(previous + ".DBF");
    std::vector<FileMove> moves;
    if (fileExists(live + ".CDX")) moves.push_back({live + ".CDX", previous + ".CDX"});
    moves.push_back({live + ".DBF", previous + ".DBF"});
    moves.push_back({fresh + ".dbf", live + ".dbf"});
    moves.push_back({fresh + ".cdx", live + ".cdx"});
    MoveAllOrNone(moves, " The code table was not rebuilt.");
}

// After a build that stopped: the new table's files go, the live ones were
// never touched.
void DiscardNewCodes(XbaseTable& codes, const std::string& dataPath) {
    try {
        codes.Cancel();
        codes.Close();
    } catch (...) {
        // The first error is the one to report; the files go regardless.
    }
    deleteFile(dataPath + kNewCodesTableName + ".dbf");
    deleteFile(dataPath + kNewCodesTableName + ".cdx");
}

// The new table is made whole beside the live one, which moves aside only
// once it is: a build that stops part way, however it stops, leaves the
// live table as it was.
void RebuildCodes(XbaseTable& codes, const CodeTableKind& kind, XbaseTable& source,
                  XbaseTable& previous, const std::string& dataPath, int period,
                  UserInterface& ui) {
    // A value typed into the grid but not posted belongs to the old rows.
    PostPendingEdit(codes);
    codes.SetIndexName("");
    codes.Close();
    try {
        const KeptChoices kept = ReadKeptChoices(previous, kind, dataPath, ui);
        BuildNewCodes(codes, kind, source, kept, dataPath, period, ui);
        PutNewCodesInPlace(kind, dataPath);
    } catch (const ProgramCancelled&) {
        DiscardNewCodes(codes, dataPath);
        throw;
    } catch (...) {
        DiscardNewCodes(codes, dataPath);
        OpenCodeTable(codes, kind, dataPath, ui);
        throw;
    }
    OpenCodeTable(codes, kind, dataPath, ui);
}

void BuildCodes(XbaseTable& codes, const CodeTableKind& kind, XbaseTable& source,
                XbaseTable& previous, const std::string& dataPath, int period, UserInterface& ui) {
    if (codes.RecordCount() == 0) {
        FillEmptyCodes(codes, kind, source, dataPath, period, ui);
        return;
    }
    if (ui.confirm(kind.question))
        RebuildCodes(codes, kind, source, previous, dataPath, period, ui);
}

}  // namespace

std::string TestDescription(const std::string& code, const std::string& test,
                            const std::string& form) {
    const bool scoreCode = !code.empty() && code.front() == 'S';
    return scoreCode ? test : test + " " + form;
}

void OpenPlacementTable(XbaseTable& codes, const std::string& dataPath, UserInterface& ui) {
    OpenCodeTable(codes, kPlacement, dataPath, ui);
}

void OpenTestTable(XbaseTable& codes, const std::string& dataPath, UserInterface& ui) {
    OpenCodeTable(codes, kTest, dataPath, ui);
}

void FillPlacementCodes(XbaseTable& codes, XbaseTable& source, const std::string& dataPath,
                        int period, UserInterface& ui) {
    FillCodes(codes, kPlacement, source, dataPath, period, ui);
}

void FillTestCodes(XbaseTable& codes, XbaseTable& source, const std::string& dataPath, int period,
                   UserInterface& ui) {
    FillCodes(codes, kTest, source, dataPath, period, ui);
}

void BuildPlacementCodes(XbaseTable& codes, XbaseTable& source, XbaseTable& previous,
                         const std::string& dataPath, int period, UserInterface& ui) {
    BuildCodes(codes, kPlacement, source, previous, dataPath, period, ui);
}

void BuildTestCodes(XbaseTable& codes, XbaseTable& source, XbaseTable& previous,
                    const std::string& dataPath, int period, UserInterface& ui) {
    BuildCodes(codes, kTest, source, previous, dataPath, period, ui);
}

}  // namespace marklift
