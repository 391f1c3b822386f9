#include "core/worktable/code_tables.h"

#include "core/session/program_error.h"
#include "core/session/table_scope.h"
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

void CreateCodeTable(XbaseTable& codes, const CodeTableKind& kind, const std::string& dataPath,
                     UserInterface& ui) {
    // A stale index left beside a missing table would be attached to the new one.
    RecreateTable(dataPath, kind.tableName, kind.fieldDefinitions);
    OpenOrCancel(codes, ui);
    CloseOnExit closing(codes);
    codes.CreateIndex(kCodeTag, kCodeTag);
    closing.close();
}

void OpenCodeTable(XbaseTable& codes, const CodeTableKind& kind, const std::string& dataPath,
                   UserInterface& ui) {
    PostPendingEdit(codes);
    codes.Close();
    codes.SetDatabaseName(dataPath);
    codes.SetTableName(kind.tableName);
    codes.SetTableType(TableType::ttCDX);
    codes.SetExclusive(false);
    codes.SetReadOnly(false);
    if (!fileExists(dataPath + kind.tableName + ".dbf")) CreateCodeTable(codes, kind, dataPath, ui);
    OpenOrCancel(codes, ui);
    if (fileExists(dataPath + kind.tableName + ".cdx")) codes.SetIndexName(kCodeTag);
    codes.First();
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

// Moves the old table's files to BANTEMP. Throws, with the old files back
// under their names, when they cannot all be moved.
void MoveAsidePreviousCodes(const CodeTableKind& kind, const std::string& dataPath) {
    const std::string oldCdx = dataPath + kind.tableName + ".CDX";
    const std::string oldDbf = dataPath + kind.tableName + ".DBF";
    const std::string tempCdx = dataPath + kPreviousCodesTableName + ".CDX";
    const std::string tempDbf = dataPath + kPreviousCodesTableName + ".DBF";
    auto refuse = [](const std::string& from, const std::string& to) {
        throw MarkliftError("Unable to rename " + from + " to " + to +
                            ". The code table was not rebuilt.");
    };
    // A leftover that will not go shows up as a failed rename below.
    deleteFile(tempCdx);
    deleteFile(tempDbf);
    const bool hasCdx = fileExists(oldCdx);
    if (hasCdx && !renameFile(oldCdx, tempCdx)) refuse(oldCdx, tempCdx);
    if (!renameFile(oldDbf, tempDbf)) {
        if (hasCdx) renameFile(tempCdx, oldCdx);
        refuse(oldDbf, tempDbf);
    }
}

void OpenPreviousCodes(XbaseTable& previous, const std::string& dataPath, UserInterface& ui) {
    previous.SetDatabaseName(dataPath);
    previous.SetTableName(kPreviousCodesTableName);
    previous.SetTableType(TableType::ttCDX);
    previous.SetExclusive(false);
    previous.SetReadOnly(false);
    OpenOrCancel(previous, ui);
    // An old table without its index still holds the user's translations:
    // give it the tag instead of losing them.
    if (previous.TagNames().empty()) previous.CreateIndex(kCodeTag, kCodeTag);
    previous.SetIndexName("Code");
}

void CarryOverTranslations(XbaseTable& codes, XbaseTable& previous) {
    ControlsDisabled quiet(codes);
    for (codes.First(); !codes.Eof(); codes.Next()) {
        if (!previous.SeekKey(codes.GetText("CODE"))) continue;
        codes.Edit();
        codes.SetText("NEWCODE", previous.GetText("NEWCODE"));
        codes.SetBool("INCLUDE", previous.GetBool("INCLUDE"));
        codes.Post();
    }
}

void BuildCodes(XbaseTable& codes, const CodeTableKind& kind, XbaseTable& source,
                XbaseTable& previous, const std::string& dataPath, int period, UserInterface& ui) {
    if (codes.RecordCount() == 0) {
        FillCodes(codes, kind, source, dataPath, period, ui);
        codes.First();
        return;
    }
    if (!ui.confirm(kind.question)) return;
    // A value typed into the grid but not posted belongs to the old rows.
    PostPendingEdit(codes);
    codes.SetIndexName("");
    codes.Close();
    try {
        MoveAsidePreviousCodes(kind, dataPath);
    } catch (const MarkliftError&) {
        OpenCodeTable(codes, kind, dataPath, ui);
        throw;
    }
    OpenCodeTable(codes, kind, dataPath, ui);
    FillCodes(codes, kind, source, dataPath, period, ui);
    OpenPreviousCodes(previous, dataPath, ui);
    CloseOnExit closing(previous);
    CarryOverTranslations(codes, previous);
    codes.First();
    closing.close();
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
