// The upload record table BANNEREX: its field list by the settings, how one
// work-table record becomes one upload record, and how the writer is set up
// for each file type.
#pragma once

#include <string>

#include "tables/date.h"
#include "tables/field.h"

namespace marklift {

struct ProgramSettings;
class TCSVExport;
class XbaseTable;

inline constexpr char kUploadTableName[] = "BANNEREX";

// The base fields, then Attempt, Subscores, PANDA and SITECODE, each only
// when its Include setting is on.
std::string UploadFieldDefinitions(const ProgramSettings& settings);

// "yyyymmdd", or empty text for any day of the year 1899: that is how an
// empty date reads.
std::string UploadDateText(Date date);

// Fills upload records from work-table records, with the fields of both
// tables found once for a whole export rather than by name for each record.
class UploadRecordFiller {
public:
    // Both tables open, the upload table with the fields the settings give.
    UploadRecordFiller(const XbaseTable& workTable, const XbaseTable& uploadTable,
                       const ProgramSettings& settings);

    // Fills the record being appended to `uploadTable` from the current
    // record of `workTable`: the base fields, and the additional fields the
    // settings include.
    void Fill(const XbaseTable& workTable, XbaseTable& uploadTable) const;

private:
    struct Copy {
        const FieldDef* from;
        const FieldDef* to;
    };
    void CopyText(const Copy& copy, const XbaseTable& workTable, XbaseTable& uploadTable) const;
    static constexpr int kSubscoreCount = 10;

    // SS1 to SS10 of the current work-table record, each zero-padded to two
    // digits, one after another. A three-digit subscore makes the text longer
    // than the 20 characters the field keeps.
    std::string SubscoresText(const XbaseTable& workTable) const;

    Copy id_, lastName_, firstName_, middleName_, birthDate_, testCode_, testScore_, date_;
    Copy attempt_{}, subscores_{}, panda_{}, siteCode_{};  // `to` null when not included
    const FieldDef* subscoreFields_[kSubscoreCount] = {};
};

// FileFormat 0 Fixed, 1 Pipe, 2 Comma, 3 Tab sets ExportType, FieldSeparator
// and FieldDelimiter; any other value leaves them as they are.
void ConfigureWriterForFileFormat(TCSVExport& writer, int fileFormat);

// The record selection window's writer as the window defines it: writing
// `uploadTable`, delimited with no separator and no quotes until a file type
// is chosen, every field, no header, trailer or limit, progress shown.
void DefineUploadWriter(TCSVExport& writer, XbaseTable& uploadTable);

}  // namespace marklift
