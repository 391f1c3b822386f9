#include "core/worktable/zolt_requirements.h"

#include <initializer_list>
#include <string>

#include "core/worktable/code_translation.h"
#include "platform/paths.h"
#include "tables/xbase_table.h"

namespace marklift {
namespace {

EXbaseError MissingField(const XbaseTable& table, const std::string& field,
                         const std::string& where = {}) {
    return EXbaseError(XbaseErrorCode::NoSuchField, "Field " + field + " not found in " +
                                                        nativePath(table.FileName()) + where + ".");
}

void RequireFields(const XbaseTable& table, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (!table.Fields().find(name)) throw MissingField(table, name);
}

}  // namespace

void RequireZoltTable(const XbaseTable& table) {
    if (!fileExists(table.FileName()))
        throw EXbaseError(XbaseErrorCode::OpenFailed,
                          "Table " + nativePath(table.FileName()) + " does not exist.");
}

void RequireZoltIndex(const std::string& fileName) {
    if (!fileExists(fileName))
        throw EXbaseError(XbaseErrorCode::OpenFailed,
                          "Index file " + nativePath(fileName) + " does not exist.");
}

void RequireGatheredFields(XbaseTable& source) {
    RequireFields(source, {"SSN", "CODE", "DATE"});
    const bool hasCorrect = source.Fields().find("CORRECT") != nullptr;
    const bool hasScore = source.Fields().find("SCORE") != nullptr;
    if (hasCorrect && hasScore) return;
    // Which records need the missing field depends on their codes, so only
    // such a table is walked record by record.
    for (source.First(); !source.Eof(); source.Next()) {
        if (source.Deleted()) continue;  // never copied
        const std::string code = source.GetText("CODE");
        if (IsPlacementCode(code)) continue;
        const bool scoreCode = IsScoreCode(code);
        if (scoreCode ? hasScore : hasCorrect) continue;
        throw MissingField(
            source, scoreCode ? "SCORE" : "CORRECT",
            " (record " + std::to_string(source.RecNo()) + ", code \"" + code + "\")");
    }
}

void RequireStudentFields(const XbaseTable& students) {
    RequireFields(students, {"SSN", "LNAME", "FNAME", "MNAME", "BIRTHDATE"});
}

}  // namespace marklift
