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
constexpr int kSubscoreCount = 10;
constexpr std::size_t kSubscoresWidth = 20;

// The table layer cuts a text to the field's width as it stores it.
void copyText(const XbaseTable& from, const char* fromField, XbaseTable& to, const char* toField) {
    to.SetText(toField, from.GetText(fromField));
}

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

std::string SubscoresText(const XbaseTable& workTable) {
    std::string text;
    for (int n = 1; n <= kSubscoreCount; ++n)
        text += ZeroPad(workTable.GetInt("SS" + std::to_string(n)), kSubscoreDigits);
    return text;
}

void FillUploadRecord(const XbaseTable& workTable, XbaseTable& uploadTable,
                      const ProgramSettings& settings) {
    copyText(workTable, "ID", uploadTable, "ID");
    copyText(workTable, "LNAME", uploadTable, "LNAME");
    copyText(workTable, "FNAME", uploadTable, "FNAME");
    copyText(workTable, "MNAME", uploadTable, "MNAME");
    uploadTable.SetText("BIRTHDATE", UploadDateText(workTable.GetDate("BIRTHDATE")));
    copyText(workTable, "TESTCODE", uploadTable, "TESTCODE");
    copyText(workTable, "TESTSCORE", uploadTable, "TESTSCORE");
    uploadTable.SetText("DATE", UploadDateText(workTable.GetDate("DATE")));
    if (settings.IncludeAttempted)
        uploadTable.SetText("Attempt", ZeroPad(workTable.GetInt("ATTEMPT"), kAttemptDigits));
    if (settings.IncludeSubscores)
        uploadTable.SetText("Subscores", SubscoresText(workTable).substr(0, kSubscoresWidth));
    if (settings.IncludePurposeAndAccommodation)
        copyText(workTable, "GRPNUMBER", uploadTable, "PANDA");
    if (settings.IncludeSiteCode) copyText(workTable, "SITECODE", uploadTable, "SITECODE");
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
