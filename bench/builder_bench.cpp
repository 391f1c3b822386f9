// Measures BuildWorkTable on generated ZOLT periods (master tables, all
// dates, all three kinds, site code on, code tables present with some codes
// excluded so the run ends with a pack), small and large, against a floor
// measured in the same run: reading the period's files once plus writing
// BANTABLE's bytes once. Each build runs in a child process of its own, so
// its peak memory (ru_maxrss from wait4) is the build's alone.
//
//   builder_bench [small-results] [large-results] [students]
//
// The result counts are per gathered table (placement, assessment, score).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/session/user_interface.h"
#include "core/worktable/code_tables.h"
#include "core/worktable/work_table_builder.h"
#include "tables/dbf_file.h"
#include "tables/field_definition.h"
#include "tables/key_index.h"
#include "tables/ntx_index.h"

namespace fs = std::filesystem;
using namespace marklift;
using marklift::bench::IoFloor;
using marklift::bench::MeasureIoFloor;
using marklift::bench::Seconds;

namespace {

const char kPlacementDefinitions[] =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;CODE,C,4,0;DATE,D,8,0;"
    "GRPNUMBER,C,7,0;ATTEMPT,N,3,0;DUPLICATE,L,1,0;";
const char kResultDefinitions[] =
    "SSN,C,11,0;CODE,C,4,0;DATE,D,8,0;CORRECT,N,3,0;SCORE,N,4,0;ATTEMPT,N,3,0;SS1,N,2,0;"
    "SS2,N,2,0;SS3,N,2,0;SS4,N,2,0;SS5,N,2,0;SS6,N,2,0;SS7,N,2,0;SS8,N,2,0;SS9,N,2,0;"
    "SS10,N,2,0;GRPNUMBER,C,7,0;RETEST,C,1,0;";
const char kStudentDefinitions[] =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;BIRTHDATE,D,8,0;ADDRESS,C,30,0;";

const char* const kLastNames[] = {"SMITH",   "O'NEIL, JR", "GARCIA",          "NGUYEN",
                                  "JOHNSON", "LEE",        "ABERNATHY-WORTH", "VAN DER BERG"};
const char* const kFirstNames[] = {"ANN", "BOB", "CARLOS", "DANA", "EVE", "GUS", "HIRO"};
const char* const kAssessmentCodes[] = {"RD", "WR", "MA", "AL", "s1", "ESL"};
const char* const kScoreCodes[] = {"S1", "S12", "SRD", "SWR", "SMA"};

// The builder's questions never come up here; an open that fails ends the run.
class NoUserInterface : public UserInterface {
public:
    Answer showMessage(const std::string&, const std::string& text, MessageIcon,
                       MessageButtons) override {
        std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
        std::exit(2);
    }
    void beginBusy() override {}
    void endBusy() override {}
    void processEvents() override {}
    std::string chooseSaveFile(const FileDialogOptions&) override { return {}; }
    std::string chooseFolder(const std::string&) override { return {}; }
};

// Unique for n below a million.
std::string SsnOf(std::uint32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u-%02u-%04u", 100 + n / 1000000 % 900, n / 10000 % 100,
                  n % 10000);
    return text;
}

std::vector<std::string> PlacementCodes() {
    std::vector<std::string> codes;
    for (const char* subject : {"EN", "MA", "RD", "WR"})
        for (int level = 1; level <= 10; ++level) {
            char code[8];
            std::snprintf(code, sizeof code, "%s%02d", subject, level);
            codes.push_back(code);
        }
    return codes;
}

// Writes records straight through the data-file layer: generating is not
// what is measured.
class TableWriter {
public:
    TableWriter(const std::string& path, const char* definitions)
        : fields_(parseFieldDefinitions(definitions)) {
        DbfFile::create(path, fields_);
        dbf_ = std::make_unique<DbfFile>(path, DbfFile::Mode::Exclusive);
        record_.assign(fields_.recordLength(), ' ');
    }
    void set(const char* field, const std::string& text) {
        writeText(*fields_.find(field), record_.data(), text);
    }
    void setInt(const char* field, std::int64_t value) {
        writeInteger(*fields_.find(field), record_.data(), value);
    }
    void setDate(const char* field, Date date) {
        writeDate(*fields_.find(field), record_.data(), date);
    }
    void append() {
        dbf_->appendRecord(record_.data());
        std::fill(record_.begin(), record_.end(), ' ');
    }
    void close() { dbf_->flush(); }

private:
    FieldList fields_;
    std::unique_ptr<DbfFile> dbf_;
    std::vector<char> record_;
};

void WriteStudents(const std::string& periodDir, std::uint32_t students, std::mt19937& random) {
    std::vector<std::uint32_t> order(students);
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), random);
    TableWriter table(periodDir + "/STUDENT.DBF", kStudentDefinitions);
    KeyIndex keys(11);
    keys.reserve(students);
    const int firstBirthday = Date::fromYmd(1960, 1, 1).days();
    for (std::uint32_t i = 0; i < students; ++i) {
        const std::string ssn = SsnOf(order[i]);
        table.set("SSN", ssn);
        table.set("LNAME", kLastNames[random() % 8]);
        table.set("FNAME", kFirstNames[random() % 7]);
        table.set("MNAME", std::string(1, static_cast<char>('A' + random() % 26)));
        if (random() % 20 != 0)
            table.setDate("BIRTHDATE", Date(firstBirthday + static_cast<int>(random() % 15000)));
        table.set("ADDRESS", std::to_string(random() % 999) + " MAIN ST");
        table.append();
        keys.add(ssn, i + 1);
    }
    table.close();
    keys.sort();
    NtxHeader header;
    header.keyExpression = "SSN";
    header.keyLength = 11;
    writeNtx(periodDir + "/SSN.NTX", header, keys);
}

// One gathered table; one student in twenty is not in the student table.
void WriteResults(const std::string& path, const char* definitions, bool placement,
                  const std::vector<std::string>& codes, std::uint32_t results,
                  std::uint32_t students, std::mt19937& random) {
    TableWriter table(path, definitions);
    const int termStart = Date::fromYmd(2004, 1, 12).days();
    for (std::uint32_t i = 0; i < results; ++i) {
        const std::uint32_t student = random() % (students + students / 20);
        table.set("SSN", SsnOf(student));
        table.set("CODE", codes[random() % codes.size()]);
        table.setDate("DATE", Date(termStart + static_cast<int>(random() % 120)));
        table.setInt("ATTEMPT", random() % 4);
        table.set("GRPNUMBER", std::to_string(1000000 + random() % 9000000));
        if (placement) {
            table.set("LNAME", kLastNames[random() % 8]);
            table.set("FNAME", kFirstNames[random() % 7]);
            table.set("DUPLICATE", random() % 10 == 0 ? "F" : "T");
        } else {
            table.setInt("CORRECT", random() % 60);
            table.setInt("SCORE", random() % 1200);
            for (const char* ss :
                 {"SS1", "SS2", "SS3", "SS4", "SS5", "SS6", "SS7", "SS8", "SS9", "SS10"})
                table.setInt(ss, random() % 100);
            const char* retest[] = {"N", "Y", "n", " "};
            table.set("RETEST", retest[random() % 4]);
        }
        table.append();
    }
    table.close();
}

// Every code of the period, one in ten of them excluded.
void WriteCodeTable(const std::string& dataPath, bool placement,
                    const std::vector<std::string>& codes, UserInterface& ui) {
    XbaseTable table;
    if (placement)
        OpenPlacementTable(table, dataPath, ui);
    else
        OpenTestTable(table, dataPath, ui);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        table.Append();
        table.SetText("CODE", codes[i]);
        table.SetBool("INCLUDE", i % 10 != 3);
        table.SetText("NEWCODE", "B" + codes[i].substr(0, 3));
        table.Post();
    }
    table.Close();
}

void Generate(const std::string& root, std::uint32_t results, std::uint32_t students) {
    fs::remove_all(root);
    const std::string period = root + "/DELVTP1";
    fs::create_directories(period);
    std::mt19937 random(20040112);
    WriteStudents(period, students, random);
    const std::vector<std::string> placementCodes = PlacementCodes();
    const std::vector<std::string> assessmentCodes(std::begin(kAssessmentCodes),
                                                   std::end(kAssessmentCodes));
    const std::vector<std::string> scoreCodes(std::begin(kScoreCodes), std::end(kScoreCodes));
    WriteResults(period + "/PLACE.DBF", kPlacementDefinitions, true, placementCodes, results,
                 students, random);
    WriteResults(period + "/ASSESS.DBF", kResultDefinitions, false, assessmentCodes, results,
                 students, random);
    WriteResults(period + "/SCORES.DBF", kResultDefinitions, false, scoreCodes, results, students,
                 random);
    TableWriter setup(root + "/SETUPSCH.DBF", "SCHSTATION,C,2,0;SCHNAME,C,30,0;");
    setup.set("SCHSTATION", "07");
    setup.set("SCHNAME", "NORTH CAMPUS");
    setup.append();
    setup.close();
    NoUserInterface ui;
    WriteCodeTable(root + "/", true, placementCodes, ui);
    std::vector<std::string> testCodes = assessmentCodes;
    testCodes.insert(testCodes.end(), scoreCodes.begin(), scoreCodes.end());
    WriteCodeTable(root + "/", false, testCodes, ui);
}

ProgramSettings SettingsFor(const std::string& root) {
    ProgramSettings settings;
    settings.DataPath = root + "/";
    settings.PeriodDir = "DELVTP1\\";
    settings.SearchTemporary = false;
    settings.IncludePlacementRecords = true;
    settings.IncludeAssessmentRecords = true;
    settings.IncludeScoreRecords = true;
    settings.IncludeSiteCode = true;
    return settings;
}

struct ChildResult {
    double seconds = 0;
    WorkTableSummary summary;
    long peakKilobytes = 0;
};

// Runs `work` in a child process; its time and summary come back through a
// pipe, its peak resident memory from wait4.
ChildResult InChild(const std::function<WorkTableSummary()>& work) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        ChildResult result;
        result.seconds = Seconds([&] { result.summary = work(); });
        if (::write(pipeEnds[1], &result, sizeof result) != sizeof result) ::_exit(1);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    ChildResult result;
    const bool read = ::read(pipeEnds[0], &result, sizeof result) == sizeof result;
    ::close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "child failed\n");
        std::exit(1);
    }
    result.peakKilobytes = usage.ru_maxrss;
    return result;
}

std::uintmax_t FileSize(const std::string& path) {
    std::error_code ignored;
    return fs::file_size(path, ignored);
}

// What the build reads. Its floor reads these once and writes as many bytes
// as the build leaves in BANTABLE.dbf and BANTABLE.cdx.
const char* const kReadByTheBuild[] = {
    "/DELVTP1/PLACE.DBF", "/DELVTP1/ASSESS.DBF", "/DELVTP1/SCORES.DBF", "/DELVTP1/STUDENT.DBF",
    "/DELVTP1/SSN.NTX",   "/SETUPSCH.DBF",       "/BANPLACE.dbf",       "/BANPLACE.cdx",
    "/BANTEST.dbf",       "/BANTEST.cdx"};

struct SizeResult {
    std::uint32_t perTable;
    ChildResult best;
    IoFloor floor;
};

SizeResult MeasureSize(const std::string& root, std::uint32_t perTable, std::uint32_t students) {
    std::printf("generating %u results per table, %u students ...\n", perTable, students);
    std::fflush(stdout);
    InChild([&] {
        Generate(root, perTable, students);
        return WorkTableSummary{};
    });
    const ProgramSettings settings = SettingsFor(root);
    SizeResult size{perTable, {}, {}};
    const int runs = 3;
    for (int run = 0; run < runs; ++run) {
        ChildResult result = InChild([&] {
            NoUserInterface ui;
            SilentBuildProgress progress;
            WorkTableBuilder builder(ui, progress);
            return builder.BuildWorkTable(settings, "");
        });
        if (run == 0 || result.seconds < size.best.seconds) {
            const long peak = std::max(result.peakKilobytes, size.best.peakKilobytes);
            size.best = result;
            size.best.peakKilobytes = peak;
        } else {
            size.best.peakKilobytes = std::max(size.best.peakKilobytes, result.peakKilobytes);
        }
    }
    const std::uintmax_t workBytes =
        FileSize(root + "/BANTABLE.dbf") + FileSize(root + "/BANTABLE.cdx");
    for (int run = 0; run < runs; ++run) {
        std::vector<std::string> inputs;
        for (const char* name : kReadByTheBuild) inputs.push_back(root + name);
        const IoFloor floor = MeasureIoFloor(inputs, root + "/FLOOR.dbf", workBytes);
        if (run == 0 || floor.seconds < size.floor.seconds) size.floor = floor;
    }
    return size;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t small = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 30000;
    const std::uint32_t large = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 300000;
    const std::uint32_t students = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 100000;
    const std::string root =
        (fs::temp_directory_path() / ("marklift-builder-bench-" + std::to_string(::getpid())))
            .string();

    const ChildResult idle = InChild([] { return WorkTableSummary{}; });
    std::vector<SizeResult> sizes;
    for (std::uint32_t perTable : {small, large})
        sizes.push_back(MeasureSize(root, perTable, students));
    fs::remove_all(root);

    std::printf(
        "\nBuildWorkTable, master tables, all dates, all kinds, site code on, %u students\n",
        students);
    std::printf(
        "(best of 3 builds; floor = read the period's files once + write BANTABLE's bytes)\n\n");
    std::printf("%10s %9s %8s %8s %10s %8s %8s %8s %7s %8s\n", "per table", "gathered", "removed",
                "build s", "records/s", "read MB", "write MB", "floor s", "ratio", "peak MB");
    for (const SizeResult& s : sizes)
        std::printf("%10u %9u %8u %8.3f %10.0f %8.1f %8.1f %8.3f %7.1f %8.1f\n", s.perTable,
                    s.best.summary.gathered, s.best.summary.removed, s.best.seconds,
                    s.best.summary.gathered / s.best.seconds, s.floor.bytesRead / 1048576.0,
                    s.floor.bytesWritten / 1048576.0, s.floor.seconds,
                    s.best.seconds / s.floor.seconds, s.best.peakKilobytes / 1024.0);
    std::printf("\nidle child peak: %.1f MB\n", idle.peakKilobytes / 1024.0);
    const double records =
        static_cast<double>(sizes[1].best.summary.gathered) / sizes[0].best.summary.gathered;
    std::printf(
        "growth small -> large: %.1fx the records took %.1fx the time (%.1fx the floor's)\n",
        records, sizes[1].best.seconds / sizes[0].best.seconds,
        sizes[1].floor.seconds / sizes[0].floor.seconds);
    return 0;
}
