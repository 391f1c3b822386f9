// TCSVExport: the exact bytes of each layout, the property rules, how often
// the display is refreshed, and what a failed run leaves behind.
#include "core/upload/csv_export.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/config/program_settings.h"
#include "core/upload/upload_record.h"
#include "support/child_process.h"
#include "support/export_test_support.h"
#include "support/temp_directory.h"
#include "tables/xbase_table.h"

using namespace marklift;
using namespace marklift::testing;

namespace {

using Row = std::vector<std::pair<std::string, std::string>>;  // field, text

// A table in the scratch directory, open, holding `rows`.
class TableOnDisk {
public:
    TableOnDisk(const TempDirectory& scratch, const std::string& name,
                const std::string& definitions, const std::vector<Row>& rows = {}) {
        XbaseTable::CreateTable(scratch.dir() + name + ".dbf", definitions);
        table.SetDatabaseName(scratch.dir());
        table.SetTableName(name);
        table.Open();
        for (const Row& row : rows) {
            table.Append();
            for (const auto& [field, text] : row) table.SetText(field, text);
            table.Post();
        }
    }
    XbaseTable table;
};

// Two upload records: the first with an empty middle initial and a comma
// in the last name, the second with a double quote in the last name, an
// empty birth date and an empty last field.
const std::vector<Row> kUploadRows = {
    {{"ID", "123456789"},
     {"LNAME", "SMITH, JR"},
     {"FNAME", "ANN"},
     {"MNAME", ""},
     {"BIRTHDATE", "19800102"},
     {"TESTSCORE", "42"},
     {"DATE", "20240315"},
     {"TESTCODE", "MATH"}},
    {{"ID", "987654321"},
     {"LNAME", "O\"NEIL"},
     {"FNAME", "BOB"},
     {"MNAME", "Q"},
     {"BIRTHDATE", ""},
     {"TESTSCORE", "1234"},
     {"DATE", "20240316"},
     {"TESTCODE", ""}},
};

class CsvExportTest : public ::testing::Test {
protected:
    std::int64_t run(XbaseTable& table, const std::string& fileName = "UPLOAD.ASC") {
        writer.SetDataSet(&table);
        writer.SetOutputFile(scratch.dir() + fileName);
        return writer.Execute();
    }
    std::string written(const std::string& fileName = "UPLOAD.ASC") const {
        return ReadFile(scratch.file(fileName));
    }

    TempDirectory scratch;
    TCSVExport writer;
};

// -- Layouts -----------------------------------------------------------------

struct LayoutCase {
    const char* name;
    TExportType type;
    TFieldSeparator separator;
    TFieldDelimiter delimiter;
    const char* bytes;
};

const LayoutCase kLayouts[] = {
    {"Fixed", TExportType::expFixed, TFieldSeparator::fspNone, TFieldDelimiter::fdlNone,
     "123456789SMITH, JR    ANN         19800102"
     "42  20240315MATH\r\n"
     "987654321O\"NEIL       BOB        Q        "
     "123420240316    \r\n"},
    {"Pipe", TExportType::expDelimited, TFieldSeparator::fspPipe, TFieldDelimiter::fdlNone,
     "123456789|SMITH, JR|ANN||19800102|42|20240315|MATH\r\n"
     "987654321|O\"NEIL|BOB|Q||1234|20240316|\r\n"},
    {"Comma", TExportType::expDelimited, TFieldSeparator::fspComma, TFieldDelimiter::fdlDouble,
     "\"123456789\",\"SMITH, JR\",\"ANN\",\"\",\"19800102\",\"42\",\"20240315\",\"MATH\"\r\n"
     "\"987654321\",\"O\"NEIL\",\"BOB\",\"Q\",\"\",\"1234\",\"20240316\",\"\"\r\n"},
    {"Tab", TExportType::expDelimited, TFieldSeparator::fspTab, TFieldDelimiter::fdlNone,
     "123456789\tSMITH, JR\tANN\t\t19800102\t42\t20240315\tMATH\r\n"
     "987654321\tO\"NEIL\tBOB\tQ\t\t1234\t20240316\t\r\n"},
};

TEST_F(CsvExportTest, EachLayoutWritesExactlyTheseBytes) {
    TableOnDisk upload(scratch, "BANNEREX", UploadFieldDefinitions(ProgramSettings{}), kUploadRows);
    for (const LayoutCase& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        writer.SetExportType(layout.type);
        writer.SetFieldSeparator(layout.separator);
        writer.SetFieldDelimiter(layout.delimiter);
        upload.table.Last();  // the writer starts from the first record wherever the table is
        EXPECT_EQ(run(upload.table), 2);
        EXPECT_EQ(written(), layout.bytes);
    }
}

TEST_F(CsvExportTest, FixedLinesTakeTheRecordWidthPlusTheLineEnd) {
    ProgramSettings all;
    all.IncludeAttempted = all.IncludeSubscores = all.IncludePurposeAndAccommodation =
        all.IncludeSiteCode = true;
    for (const auto& [settings, width] : {std::pair{ProgramSettings{}, 58u}, std::pair{all, 89u}}) {
        SCOPED_TRACE(width);
        TempDirectory own;
        TableOnDisk upload(own, "BANNEREX", UploadFieldDefinitions(settings),
                           {kUploadRows[0], kUploadRows[1], kUploadRows[0]});
        writer.SetExportType(TExportType::expFixed);
        writer.SetFieldSeparator(TFieldSeparator::fspNone);
        writer.SetDataSet(&upload.table);
        writer.SetOutputFile(own.dir() + "UPLOAD.ASC");
        ASSERT_EQ(writer.Execute(), 3);
        const std::string bytes = ReadFile(own.file("UPLOAD.ASC"));
        ASSERT_EQ(bytes.size(), 3 * (width + 2));
        for (std::size_t line = 0; line < 3; ++line)
            EXPECT_EQ(bytes.substr(line * (width + 2) + width, 2), "\r\n");
    }
}

// A table of each kind the line rules tell apart: text, number, date, logical.
const char* const kKinds = "NAME,C,6,0;QTY,N,6,2;BORN,D,8,0;OK,L,1,0;";
const std::vector<Row> kKindRows = {
    {{"NAME", "AB"}, {"QTY", "12.5"}, {"BORN", "20240305"}, {"OK", "T"}},
    {{"NAME", ""}, {"OK", "F"}},
};

struct KindCase {
    const char* name;
    std::function<void(TCSVExport&)> configure;
    const char* bytes;
};

TEST_F(CsvExportTest, FieldKindsQuotingAndFieldListsFollowTheWritersProperties) {
    auto delimited = [](TFieldSeparator separator, TFieldDelimiter delimiter) {
        return [=](TCSVExport& w) {
            w.SetFieldSeparator(separator);
            w.SetFieldDelimiter(delimiter);
        };
    };
    const KindCase cases[] = {
        {"pipe", delimited(TFieldSeparator::fspPipe, TFieldDelimiter::fdlNone),
         "AB|12.50|03/05/2024|T\r\n|||F\r\n"},
        {"pipe dBase",
         [&](TCSVExport& w) {
             delimited(TFieldSeparator::fspPipe, TFieldDelimiter::fdlNone)(w);
             w.SetDBaseFormat(true);
         },
         "AB|12.50|20240305|T\r\n|||F\r\n"},
        {"single quotes on every field",
         delimited(TFieldSeparator::fspComma, TFieldDelimiter::fdlSingle),
         "'AB','12.50','03/05/2024','T'\r\n'','','','F'\r\n"},
        {"double quotes on text only",
         [&](TCSVExport& w) {
             delimited(TFieldSeparator::fspComma, TFieldDelimiter::fdlDouble)(w);
             w.SetDelimitedFields(TDelimitedFields::dfTextOnly);
         },
         "\"AB\",12.50,03/05/2024,T\r\n\"\",,,F\r\n"},
        {"included fields in the table's order, names in any case",
         [&](TCSVExport& w) {
             delimited(TFieldSeparator::fspPipe, TFieldDelimiter::fdlNone)(w);
             w.SetFieldListAction(TFieldListAction::flaInclude);
             w.SetFieldList({"qty", "Name"});
         },
         "AB|12.50\r\n|\r\n"},
        {"excluded fields",
         [&](TCSVExport& w) {
             delimited(TFieldSeparator::fspPipe, TFieldDelimiter::fdlNone)(w);
             w.SetFieldListAction(TFieldListAction::flaExclude);
             w.SetFieldList({"born"});
         },
         "AB|12.50|T\r\n||F\r\n"},
        {"custom separator",
         [&](TCSVExport& w) {
             delimited(TFieldSeparator::fspCustom, TFieldDelimiter::fdlNone)(w);
             w.SetCustomSeparator(" ;;");
         },
         "AB;12.50;03/05/2024;T\r\n;;;F\r\n"},
        {"no separator uses the custom one too",
         [&](TCSVExport& w) {
             delimited(TFieldSeparator::fspNone, TFieldDelimiter::fdlNone)(w);
             w.SetCustomSeparator("#");
         },
         "AB#12.50#03/05/2024#T\r\n###F\r\n"},
        {"no separator at all", delimited(TFieldSeparator::fspNone, TFieldDelimiter::fdlNone),
         "AB12.5003/05/2024T\r\nF\r\n"},
        {"fixed, numbers left",
         [](TCSVExport& w) {
             w.SetExportType(TExportType::expFixed);
             w.SetFieldSeparator(TFieldSeparator::fspNone);
         },
         "AB    12.50 03/05/2024T\r\n"
         "                      F\r\n"},
        {"fixed, numbers right, dBase dates",
         [](TCSVExport& w) {
             w.SetExportType(TExportType::expFixed);
             w.SetFieldSeparator(TFieldSeparator::fspNone);
             w.SetNumericAlign(TNumericAlignment::naRight);
             w.SetDBaseFormat(true);
         },
         "AB     12.5020240305T\r\n"
         "                    F\r\n"},
        {"fixed with quotes and a separator",
         [](TCSVExport& w) {
             w.SetExportType(TExportType::expFixed);
             w.SetFieldSeparator(TFieldSeparator::fspComma);
             w.SetFieldDelimiter(TFieldDelimiter::fdlDouble);
             w.SetDelimitedFields(TDelimitedFields::dfTextOnly);
         },
         "\"AB    \",12.50 ,03/05/2024,T\r\n"
         "\"      \",      ,          ,F\r\n"},
        {"header and trailer",
         [&](TCSVExport& w) {
             delimited(TFieldSeparator::fspPipe, TFieldDelimiter::fdlNone)(w);
             w.SetHeaderRecord(true);
             w.SetHeader("NAME|QTY|BORN|OK");
             w.SetTrailerRecord(true);
             w.SetTrailer("END");
         },
         "NAME|QTY|BORN|OK\r\nAB|12.50|03/05/2024|T\r\n|||F\r\nEND\r\n"},
    };
    TableOnDisk kinds(scratch, "KINDS", kKinds, kKindRows);
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        TCSVExport fresh;
        c.configure(fresh);
        fresh.SetDataSet(&kinds.table);
        fresh.SetOutputFile(scratch.dir() + "OUT.TXT");
        EXPECT_EQ(fresh.Execute(), 2);
        EXPECT_EQ(ReadFile(scratch.file("OUT.TXT")), c.bytes);
    }
}

TEST_F(CsvExportTest, OnlyRecordLinesCountAsBytesAndAnEmptyLineIsNotWritten) {
    TableOnDisk table(scratch, "NAMES", "NAME,C,6,0;", {{{"NAME", "AB"}}, {}, {{"NAME", "CDE"}}});
    writer.SetHeaderRecord(true);
    writer.SetHeader("HEADER");
    writer.SetTrailerRecord(true);
    writer.SetTrailer("TRAILER");
    std::vector<std::pair<std::int64_t, std::int64_t>> reported;
    writer.SetOnExportRecord([&](TCSVExport& sender, std::int64_t records, std::int64_t bytes) {
        EXPECT_EQ(&sender, &writer);
        reported.emplace_back(records, bytes);
    });
    EXPECT_EQ(run(table.table), 3);
    EXPECT_EQ(written(), "HEADER\r\nAB\r\nCDE\r\nTRAILER\r\n");
    EXPECT_EQ(reported,
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{1, 4}, {2, 4}, {3, 9}}));
}

TEST_F(CsvExportTest, MaxRecordsStopsTheRunAndAnEmptyTableWritesNoRecordLine) {
    TableOnDisk upload(scratch, "BANNEREX", UploadFieldDefinitions(ProgramSettings{}), kUploadRows);
    writer.SetMaxRecords(1);
    EXPECT_EQ(run(upload.table), 1);
    EXPECT_EQ(written(), "123456789|SMITH, JR|ANN||19800102|42|20240315|MATH\r\n");

    TableOnDisk empty(scratch, "EMPTY", "NAME,C,6,0;");
    writer.SetMaxRecords(0);
    EXPECT_EQ(run(empty.table, "EMPTY.ASC"), 0);
    EXPECT_EQ(written("EMPTY.ASC"), "");
}

TEST_F(CsvExportTest, AClosedTableIsOpenedForTheRun) {
    TableOnDisk upload(scratch, "BANNEREX", UploadFieldDefinitions(ProgramSettings{}), kUploadRows);
    upload.table.Close();
    EXPECT_EQ(run(upload.table), 2);
    EXPECT_TRUE(upload.table.Active());
}

// -- Properties --------------------------------------------------------------

TEST(CsvExportProperties, ANewWriterStartsAtTheFirstValueOfEverything) {
    TCSVExport writer;
    EXPECT_EQ(writer.Version(), "1.2");
    EXPECT_EQ(writer.DataSet(), nullptr);
    EXPECT_EQ(writer.ExportType(), TExportType::expDelimited);
    EXPECT_EQ(writer.FieldSeparator(), TFieldSeparator::fspPipe);
    EXPECT_EQ(writer.FieldDelimiter(), TFieldDelimiter::fdlNone);
    EXPECT_EQ(writer.DelimitedFields(), TDelimitedFields::dfAll);
    EXPECT_EQ(writer.FieldListAction(), TFieldListAction::flaNone);
    EXPECT_EQ(writer.NumericAlign(), TNumericAlignment::naLeft);
    EXPECT_TRUE(writer.FieldList().empty());
    EXPECT_EQ(writer.CustomSeparator(), "");
    EXPECT_EQ(writer.MaxRecords(), 0);
    EXPECT_FALSE(writer.ShowProgress());
    EXPECT_FALSE(writer.HeaderRecord());
    EXPECT_FALSE(writer.TrailerRecord());
    EXPECT_FALSE(writer.DBaseFormat());
}

TEST(CsvExportProperties, EnumerationsNumberTheirValuesInTheGivenOrder) {
    EXPECT_EQ(static_cast<int>(TExportType::expFixed), 1);
    EXPECT_EQ(static_cast<int>(TFieldSeparator::fspPipe), 0);
    EXPECT_EQ(static_cast<int>(TFieldSeparator::fspTab), 1);
    EXPECT_EQ(static_cast<int>(TFieldSeparator::fspComma), 2);
    EXPECT_EQ(static_cast<int>(TFieldSeparator::fspCustom), 3);
    EXPECT_EQ(static_cast<int>(TFieldSeparator::fspNone), 4);
    EXPECT_EQ(static_cast<int>(TFieldDelimiter::fdlSingle), 1);
    EXPECT_EQ(static_cast<int>(TFieldDelimiter::fdlDouble), 2);
    EXPECT_EQ(static_cast<int>(TDelimitedFields::dfTextOnly), 1);
    EXPECT_EQ(static_cast<int>(TFieldListAction::flaInclude), 1);
    EXPECT_EQ(static_cast<int>(TFieldListAction::flaExclude), 2);
    EXPECT_EQ(static_cast<int>(TNumericAlignment::naRight), 1);
}

TEST(CsvExportProperties, CustomSeparatorKeepsTheFirstCharacterLeftAfterTrimming) {
    const std::pair<const char*, const char*> cases[] = {
        {" ;;", ";"}, {";", ";"}, {"ab", "a"},          {"\t\r\n x y \x01", "x"},
        {"   ", ""},  {"", ""},   {"\x1f\x7f", "\x7f"},
    };
    TCSVExport writer;
    for (const auto& [assigned, stored] : cases) {
        writer.SetCustomSeparator(assigned);
        EXPECT_EQ(writer.CustomSeparator(), stored) << '"' << assigned << '"';
    }
}

TEST(CsvExportProperties, MaxRecordsStoresNegativeValuesAsZeroAndFieldListACopy) {
    TCSVExport writer;
    writer.SetMaxRecords(-5);
    EXPECT_EQ(writer.MaxRecords(), 0);
    writer.SetMaxRecords(7);
    EXPECT_EQ(writer.MaxRecords(), 7);

    std::vector<std::string> names = {"ID", "LNAME"};
    writer.SetFieldList(names);
    names.push_back("FNAME");
    EXPECT_EQ(writer.FieldList(), (std::vector<std::string>{"ID", "LNAME"}));
}

// -- Progress and events -----------------------------------------------------

struct RefreshCase {
    int records;
    int step;
};

TEST_F(CsvExportTest, TheDisplayIsRefreshedAboutAHundredTimesWhateverTheSize) {
    for (const RefreshCase c :
         {RefreshCase{150, 1}, RefreshCase{1000, 10}, RefreshCase{250, 2}, RefreshCase{99, 1}}) {
        SCOPED_TRACE(c.records);
        TempDirectory own;
        TableOnDisk table(own, "NUMBERS", "N,C,4,0;");
        for (int i = 0; i < c.records; ++i) {
            table.table.Append();
            table.table.SetText("N", std::to_string(i % 10000));
            table.table.Post();
        }
        ProgressLog log;
        TCSVExport fresh;
        fresh.SetShowProgress(true);
        fresh.SetProgressFactory(RecordingProgressFactory(log));
        fresh.SetDataSet(&table.table);
        fresh.SetOutputFile(own.dir() + "OUT.TXT");
        ASSERT_EQ(fresh.Execute(), c.records);

        EXPECT_EQ(log.created, 1);
        EXPECT_EQ(log.alive, 0);
        ASSERT_EQ(log.begins.size(), 1u);
        EXPECT_EQ(log.begins[0],
                  (std::pair<std::int64_t, std::string>{c.records, own.dir() + "OUT.TXT"}));
        ASSERT_EQ(log.updates.size(), static_cast<std::size_t>(c.records / c.step));
        for (std::size_t i = 0; i < log.updates.size(); ++i)
            EXPECT_EQ(log.updates[i].first, static_cast<std::int64_t>((i + 1) * c.step));
        const std::int64_t fileSize =
            static_cast<std::int64_t>(ReadFile(own.file("OUT.TXT")).size());
        EXPECT_EQ(log.updates.back().second, fileSize);
    }
}

TEST_F(CsvExportTest, WithoutShowProgressNoDisplayIsMade) {
    TableOnDisk table(scratch, "NAMES", "NAME,C,6,0;", {{{"NAME", "AB"}}});
    ProgressLog log;
    writer.SetProgressFactory(RecordingProgressFactory(log));
    EXPECT_EQ(run(table.table), 1);
    EXPECT_EQ(log.created, 0);
}

TEST_F(CsvExportTest, EventsComeAtTheStartAfterEachRecordAndAtTheEnd) {
    TableOnDisk table(scratch, "NAMES", "NAME,C,6,0;", {{{"NAME", "AB"}}, {{"NAME", "C"}}});
    std::vector<std::string> events;
    writer.SetOnBeginExport([&](TCSVExport&) { events.push_back("begin"); });
    writer.SetOnExportRecord([&](TCSVExport&, std::int64_t records, std::int64_t) {
        events.push_back("record " + std::to_string(records));
    });
    writer.SetOnFinishExport([&](TCSVExport&) {
        events.push_back("finish " + written());  // the file is complete by then
    });
    EXPECT_EQ(run(table.table), 2);
    EXPECT_EQ(events,
              (std::vector<std::string>{"begin", "record 1", "record 2", "finish AB\r\nC\r\n"}));
}

// -- Failures ----------------------------------------------------------------

TEST_F(CsvExportTest, AnOutputThatCannotBeMadeGivesMinusOneAndLeavesNothingBehind) {
    TableOnDisk table(scratch, "NAMES", "NAME,C,6,0;", {{{"NAME", "AB"}}});
    WriteFile(scratch.file("UPLOAD.ASC"), "previous\r\n");
    const std::vector<std::string> before = scratch.entries();

    ProgressLog log;
    writer.SetShowProgress(true);
    writer.SetProgressFactory(RecordingProgressFactory(log));
    bool finished = false;
    writer.SetOnFinishExport([&](TCSVExport&) { finished = true; });

    EXPECT_EQ(run(table.table, "missing/UPLOAD.ASC"), -1);
    EXPECT_EQ(log.alive, 0);

    // A table that will not open, and a display that cannot be shown, fail
    // the same way once the file was made: it goes again.
    XbaseTable missing;
    missing.SetDatabaseName(scratch.dir());
    missing.SetTableName("NOTHERE");
    EXPECT_EQ(run(missing), -1);
    log.failBegin = true;
    EXPECT_EQ(run(table.table), -1);
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(log.alive, 0);

    EXPECT_FALSE(finished);
    EXPECT_EQ(scratch.entries(), before);
    EXPECT_EQ(written(), "previous\r\n");
}

TEST_F(CsvExportTest, AFailurePartWayPassesOnAndLeavesThePreviousFileWhole) {
    TableOnDisk table(scratch, "NAMES", "NAME,C,6,0;",
                      {{{"NAME", "AB"}}, {{"NAME", "CD"}}, {{"NAME", "EF"}}});
    WriteFile(scratch.file("UPLOAD.ASC"), "previous\r\n");
    const std::vector<std::string> before = scratch.entries();

    ProgressLog log;
    writer.SetShowProgress(true);
    writer.SetProgressFactory(RecordingProgressFactory(log));
    bool finished = false;
    writer.SetOnFinishExport([&](TCSVExport&) { finished = true; });
    writer.SetOnExportRecord([](TCSVExport&, std::int64_t records, std::int64_t) {
        if (records == 2) throw std::runtime_error("stopped at record 2");
    });

    EXPECT_THROW(run(table.table), std::runtime_error);
    EXPECT_FALSE(finished);
    EXPECT_EQ(log.alive, 0);
    EXPECT_EQ(scratch.entries(), before);
    EXPECT_EQ(written(), "previous\r\n");
}

TEST_F(CsvExportTest, AFullDiskPartWayPassesOnAndLeavesThePreviousFileWhole) {
    TableOnDisk table(scratch, "NAMES", "NAME,C,40,0;");
    for (int i = 0; i < 200; ++i) {
        table.table.Append();
        table.table.SetText("NAME", "A RECORD LONG ENOUGH TO MATTER " + std::to_string(i));
        table.table.Post();
    }
    table.table.Flush();
    WriteFile(scratch.file("UPLOAD.ASC"), "previous\r\n");
    const std::vector<std::string> before = scratch.entries();
    writer.SetDataSet(&table.table);
    writer.SetOutputFile(scratch.dir() + "UPLOAD.ASC");

    // No file may grow past 4 KiB in the child: the upload file (about 7 KiB)
    // meets the limit the way it would meet a full disk.
    const ChildResult result = RunInChild([this] {
        LimitFileSize(4096);
        return writer.Execute() == -1 ? "not made" : "written";
    });
    EXPECT_EQ(result.status, 1) << result.report;
    EXPECT_NE(result.report.find(scratch.file("UPLOAD.ASC") + ": File too large"),
              std::string::npos)
        << result.report;
    EXPECT_EQ(scratch.entries(), before);
    EXPECT_EQ(written(), "previous\r\n");
}

}  // namespace
