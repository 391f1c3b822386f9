#include "core/upload/upload_record.h"

#include <iterator>

#include "core/config/program_settings.h"
#include "core/session/shared_routines.h"
#include "core/upload/csv_export.h"
#include "tables/xbase_table.h"

namespace marklift {
namespace {

constexpr char kBaseFields[] =
    "ID,       C, 9,0;LNAME,    C,13,0;FNAME,    C,11,0;MNAME,    C, 1,0;BIRTHDATE,C, 8,0;"
    "TESTSCORE,C, 4,0;DATE,     C, 8,0;TESTCODE, C, 4,0;";
constexpr char kAttemptField[] = "Attempt,   C, 3,0;";
constexpr char kSubscoresField[] = "Subscores, C, 20,0;";
constexpr char kPandaField[] = "PANDA,C, 6,0;";
constexpr char kSiteCodeField[] = "SITECODE,C, 2,0;";

constexpr int kAttemptDigits = 3;
constexpr int kSubscoreDigits = 2;
constexpr std::size_t kSubscoresWidth = 20;

}  // namespace

std::string UploadFieldDefinitions(const ProgramSettings& settings) {
    std::string definitions = kBaseFields;
    if (settings.IncludeAttempted) definitions += kAttemptField;
    if (settings.IncludeSubscores) definitions += kSubscoresField;
    if (settings.IncludePurposeAndAccommodation) definitions += kPandaField;
    if (settings.IncludeSiteCode) definitions += kSiteCodeField;
    return definitions;
}

std::string UploadDateText(Date date) {
    std::string text = date.toYyyymmdd();
    return text.rfind("1899", 0) == 0 ? std::string() : text;
}

UploadRecordFiller::UploadRecordFiller(const XbaseTable& workTable, const XbaseTable& uploadTable,
                                       const ProgramSettings& settings) {
    auto copy = [&](const char* fromField, const char* toField) {
        return Copy{&workTable.Field(fromField), &uploadTable.Field(toField)};
    };
    id_ = copy("ID", "ID");
    lastName_ = copy("LNAME", "LNAME");
    firstName_ = copy("FNAME", "FNAME");
    middleName_ = copy("MNAME", "MNAME");
    birthDate_ = copy("BIRTHDATE", "BIRTHDATE");
    testCode_ = copy("TESTCODE", "TESTCODE");
    testScore_ = copy("TESTSCORE", "TESTSCORE");
    date_ = copy("DATE", "DATE");
    if (settings.IncludeAttempted) attempt_ = copy("ATTEMPT", "Attempt");
    if (settings.IncludeSubscores) {
        subscores_.to = &uploadTable.Field("Subscores");
        for (int n = 1; n <= kSubscoreCount; ++n)
            subscoreFields_[n - 1] = &workTable.Field("SS" + std::to_string(n));
    }
    if (settings.IncludePurposeAndAccommodation) panda_ = copy("GRPNUMBER", "PANDA");
    if (settings.IncludeSiteCode) siteCode_ = copy("SITECODE", "SITECODE");
}

std::string UploadRecordFiller::SubscoresText(const XbaseTable& workTable) const {
    std::string text;
    text.reserve(kSubscoreCount * kSubscoreDigits);
    for (const FieldDef* field : subscoreFields_)
        AppendZeroPadded(text, workTable.GetInt(*field), kSubscoreDigits);
    return text;
}

// The table layer cuts a text to the field's width as it stores it. Between
// two character fields that is the stored bytes themselves, cut or padded
// with blanks, so those are copied without making a text of them.
void UploadRecordFiller::CopyText(const Copy& copy, const XbaseTable& workTable,
                                  XbaseTable& uploadTable) const {
    if (copy.from->type == 'C' && copy.to->type == 'C')
        uploadTable.SetText(*copy.to, workTable.GetRaw(*copy.from));
    else
        uploadTable.SetText(*copy.to, workTable.GetText(*copy.from));
}

void UploadRecordFiller::Fill(const XbaseTable& workTable, XbaseTable& uploadTable) const {
    auto copyDate = [&](const Copy& c) {
        uploadTable.SetText(*c.to, UploadDateText(workTable.GetDate(*c.from)));
    };
    for (const Copy* c : {&id_, &lastName_, &firstName_, &middleName_})
        CopyText(*c, workTable, uploadTable);
    copyDate(birthDate_);
    CopyText(testCode_, workTable, uploadTable);
    CopyText(testScore_, workTable, uploadTable);
    copyDate(date_);
    if (attempt_.to)
        uploadTable.SetText(*attempt_.to,
                            ZeroPad(workTable.GetInt(*attempt_.from), kAttemptDigits));
    if (subscores_.to)
        uploadTable.SetText(*subscores_.to,
                            std::string_view(SubscoresText(workTable)).substr(0, kSubscoresWidth));
    if (panda_.to) CopyText(panda_, workTable, uploadTable);
    if (siteCode_.to) CopyText(siteCode_, workTable, uploadTable);
}

void ConfigureWriterForFileFormat(TCSVExport& writer, int fileFormat) {
    struct Layout {
        TExportType type;
        TFieldSeparator separator;
        TFieldDelimiter delimiter;
    };
    static constexpr Layout kLayouts[] = {
        {TExportType::expFixed, TFieldSeparator::fspNone, TFieldDelimiter::fdlNone},
        {TExportType::expDelimited, TFieldSeparator::fspPipe, TFieldDelimiter::fdlNone},
        {TExportType::expDelimited, TFieldSeparator::fspComma, TFieldDelimiter::fdlDouble},
        {TExportType::expDelimited, TFieldSeparator::fspTab, TFieldDelimiter::fdlNone},
    };
    if (fileFormat < 0 || fileFormat >= static_cast<int>(std::size(kLayouts))) return;
    const Layout& layout = kLayouts[fileFormat];
    writer.SetExportType(layout.type);
    writer.SetFieldSeparator(layout.separator);
    writer.SetFieldDelimiter(layout.delimiter);
}

void DefineUploadWriter(TCSVExport& writer, XbaseTable& uploadTable) {
    writer.SetDataSet(&uploadTable);
    writer.SetExportType(TExportType::expDelimited);
    writer.SetFieldSeparator(TFieldSeparator::fspNone);
    writer.SetFieldDelimiter(TFieldDelimiter::fdlNone);
    writer.SetDelimitedFields(TDelimitedFields::dfAll);
    writer.SetFieldListAction(TFieldListAction::flaNone);
    writer.SetHeaderRecord(false);
    writer.SetTrailerRecord(false);
    writer.SetMaxRecords(0);
    writer.SetNumericAlign(TNumericAlignment::naLeft);
    writer.SetDBaseFormat(false);
    writer.SetShowProgress(true);
    writer.SetCustomSeparator("");
}

}  // namespace marklift
