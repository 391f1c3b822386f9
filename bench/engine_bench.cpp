// Measures the engine on a generated work table of a million records, each
// figure as a ratio against a floor measured in the same run:
//   filtered scan          vs reading the file's bytes once
//   filtered copy          vs copying the file
//   building four tags     vs std::sort of the same keys in memory
//   exact .ntx seeks       vs std::map look-ups
// and the peak memory of building one tag against that of scanning the table,
// each in a fresh process of its own (the benchmark run again), so that
// nothing this process holds is counted.
//
//   engine_bench [records] [ntx-keys] [seeks]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tables/byte_source.h"
#include "tables/dbf_file.h"
#include "tables/field_definition.h"
#include "tables/key_index.h"
#include "tables/ntx_index.h"
#include "tables/xbase_table.h"

namespace fs = std::filesystem;
using namespace marklift;

namespace {

const char* const kWorkTable =
    "ID,       C, 9,0;LNAME,    C,13,0;FNAME,    C,11,0;MNAME,    C, 1,0;BIRTHDATE,D, 8,0;"
    "TESTCODE, C, 4,0;TESTSCORE,C, 8,0;DATE,     D, 8,0;SSN,      C,11,0;CODE,     C, 4,0;"
    "CORRECT,  N, 3,0;SCORE,    N, 4,0;ATTEMPT,  N, 3,0;SS1,      N, 2,0;SS2,      N, 2,0;"
    "SS3,      N, 2,0;SS4,      N, 2,0;SS5,      N, 2,0;SS6,      N, 2,0;SS7,      N, 2,0;"
    "SS8,      N, 2,0;SS9,      N, 2,0;SS10,     N, 2,0;GRPNUMBER,C, 7,0;SITECODE, C, 2,0;";
const char* const kDateFilter = "(DTOS(Date) >= \"20040201\") .and. (DTOS(Date) <= \"20040430\")";

double seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The quickest of three runs: the short measures are otherwise at the mercy
// of whatever else the machine does in that moment.
double bestOfThree(const std::function<void()>& work) {
    double best = seconds(work);
    for (int run = 1; run < 3; ++run) best = std::min(best, seconds(work));
    return best;
}

// Distinct for n below a billion.
std::string ssnOf(std::uint64_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u-%02u-%04u", unsigned(n % 1000), unsigned(n / 1000 % 100),
                  unsigned(n / 100000 % 10000));
    return text;
}

void generate(const std::string& path, std::uint32_t records) {
    FieldList fields = parseFieldDefinitions(kWorkTable);
    DbfFile::create(path, fields);
    DbfFile dbf(path, DbfFile::Mode::Exclusive);
    std::mt19937 random(42);
    std::vector<char> record(fields.recordLength(), ' ');
    const char* names[] = {"SMITH", "O'NEIL", "GARCIA", "NGUYEN", "JOHNSON", "LEE", "BROWN"};
    const char* codes[] = {"EN05", "RD", "S12", "MA01", "ESL", "s1"};
    const int termStart = Date::fromYmd(2004, 1, 1).days();
    for (std::uint32_t n = 1; n <= records; ++n) {
        std::string ssn = ssnOf(random() % (records / 3 + 1));
        writeText(*fields.find("SSN"), record.data(), ssn);
        writeText(*fields.find("ID"), record.data(),
                  ssn.substr(0, 3) + ssn.substr(4, 2) + ssn.substr(7));
        writeText(*fields.find("LNAME"), record.data(), names[random() % 7]);
        writeText(*fields.find("CODE"), record.data(), codes[random() % 6]);
        writeText(*fields.find("TESTCODE"), record.data(), codes[random() % 6]);
        if (random() % 50 == 0) {
            writeBlank(*fields.find("DATE"), record.data());
        } else {
            writeDate(*fields.find("DATE"), record.data(),
                      Date(termStart + static_cast<int>(random() % 150)));
        }
        writeInteger(*fields.find("SCORE"), record.data(), random() % 1000);
        dbf.appendRecord(record.data());
    }
    dbf.flush();
}

void readWhole(const std::string& path) {
    std::vector<char> buffer(1 << 20);
    std::ifstream in(path, std::ios::binary);
    std::size_t total = 0;
    while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) total += in.gcount();
    if (total == 0) std::abort();
}

// What the child processes do: open WORK in `dir` and build one tag, or
// only read every record.
constexpr const char* kBuildTag = "--build-tag";
constexpr const char* kScanOnly = "--scan-only";

void childWork(const std::string& mode, const std::string& dir) {
    XbaseTable t;
    t.SetDatabaseName(dir + "/");
    t.SetTableName("WORK");
    t.SetExclusive(true);
    t.Open();
    if (mode == kBuildTag) {
        t.CreateIndex("LNAME", "LNAME");
    } else {
        std::uint32_t records = 0;
        for (t.First(); !t.Eof(); t.Next()) ++records;
        if (records == 0) std::abort();
    }
    t.Close();
}

// A forked child inherits this process's pages, and they would count in its
// peak: the child runs the benchmark program afresh instead.
long peakKilobytesOf(const char* mode, const std::string& dir) {
    pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", "engine_bench", mode, dir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "child %s failed\n", mode);
        std::exit(1);
    }
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && (argv[1] == std::string(kBuildTag) || argv[1] == std::string(kScanOnly))) {
        childWork(argv[1], argv[2]);
        return 0;
    }
    const std::uint32_t records = argc > 1 ? std::stoul(argv[1]) : 1000000;
    const std::uint32_t ntxKeys = argc > 2 ? std::stoul(argv[2]) : 300000;
    const std::uint32_t seeks = argc > 3 ? std::stoul(argv[3]) : 1000000;
    fs::path dir = fs::temp_directory_path() / ("marklift-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string work = (dir / "WORK.dbf").string();
    std::printf("generating %u records...\n", records);
    generate(work, records);

    // Filtered scan against reading the bytes once.
    double floorRead = bestOfThree([&] { readWhole(work); });
    std::uint32_t passing = 0;
    double scan = bestOfThree([&] {
        passing = 0;
        XbaseTable t;
        t.SetDatabaseName(dir.string() + "/");
        t.SetTableName("WORK");
        t.SetReadOnly(true);
        t.Open();
        t.SetFilter(kDateFilter);
        for (t.First(); !t.Eof(); t.Next()) ++passing;
    });

    // Filtered copy against copying the file.
    double floorCopy = bestOfThree(
        [&] { fs::copy_file(work, dir / "COPY.bin", fs::copy_options::overwrite_existing); });
    double copy = bestOfThree([&] {
        XbaseTable::CreateTable(dir.string() + "/OUT.dbf", kWorkTable);
        XbaseTable src, dst;
        src.SetDatabaseName(dir.string() + "/");
        src.SetTableName("WORK");
        src.SetReadOnly(true);
        src.Open();
        src.SetFilterOptions(FilterOptions::RESPECT_WHEN_COUNTING);
        src.SetFilter(kDateFilter);
        dst.SetDatabaseName(dir.string() + "/");
        dst.SetTableName("OUT");
        dst.SetExclusive(true);
        dst.Open();
        src.CopyContentsTo(dst);
        dst.Close();
    });

    // Four tags against sorting the same keys in memory.
    double floorSort = 0;
    {
        DbfFile dbf(work, DbfFile::Mode::ReadOnly);
        for (const char* name : {"SSN", "LNAME", "TESTCODE", "DATE"}) {
            const FieldDef& f = *dbf.fields().find(name);
            std::vector<std::pair<std::string, std::uint32_t>> keys;
            keys.reserve(records);
            for (std::uint32_t n = 1; n <= records; ++n)
                keys.emplace_back(std::string(readRaw(f, dbf.record(n))), n);
            floorSort += seconds([&] { std::sort(keys.begin(), keys.end()); });
        }
    }
    double tags = seconds([&] {
        XbaseTable t;
        t.SetDatabaseName(dir.string() + "/");
        t.SetTableName("WORK");
        t.SetExclusive(true);
        t.Open();
        for (const char* name : {"SSN", "LNAME", "TESTCODE", "DATE"}) t.CreateIndex(name, name);
        t.Close();
    });
    fs::remove(dir / "WORK.cdx");
    long tagPeak = peakKilobytesOf(kBuildTag, dir.string());
    fs::remove(dir / "WORK.cdx");
    long scanPeak = peakKilobytesOf(kScanOnly, dir.string());

    // Exact seeks on an .ntx against std::map look-ups.
    KeyIndex ntxKeysIndex(11);
    std::map<std::string, std::uint32_t> map;
    for (std::uint32_t n = 1; n <= ntxKeys; ++n) {
        ntxKeysIndex.add(ssnOf(std::uint64_t{n} * 7919), n);
        map.emplace(ssnOf(std::uint64_t{n} * 7919), n);
    }
    ntxKeysIndex.sort();
    std::string ntxPath = (dir / "SSN.NTX").string();
    writeNtx(ntxPath, NtxHeader{"SSN", 11, 0, false}, ntxKeysIndex);
    std::vector<std::string> probes;
    std::mt19937 random(7);
    for (std::uint32_t i = 0; i < seeks; ++i)
        probes.push_back(ssnOf(std::uint64_t{random() % (ntxKeys * 2)} * 7919));
    std::size_t hitsMap = 0;
    double floorSeek = seconds([&] {
        for (const std::string& p : probes) hitsMap += map.count(p);
    });
    std::size_t hits = 0;
    double seek = 0;
    {
        std::string wtable = (dir / "STUDENT.dbf").string();
        DbfFile::create(wtable, parseFieldDefinitions("SSN,C,11,0;"));
        {
            DbfFile dbf(wtable, DbfFile::Mode::Exclusive);
            std::vector<char> record(12, ' ');
            for (std::uint32_t n = 1; n <= ntxKeys; ++n) {
                std::string ssn = ssnOf(std::uint64_t{n} * 7919);
                std::copy(ssn.begin(), ssn.end(), record.begin() + 1);
                dbf.appendRecord(record.data());
            }
            dbf.flush();
        }
        XbaseTable t;
        t.SetDatabaseName(dir.string() + "/");
        t.SetTableName("STUDENT");
        t.SetTableType(TableType::ttNTX);
        t.SetReadOnly(true);
        t.Open();
        t.OpenIndexFile(dir.string() + "/SSN.NTX");
        t.SetIndexName("SSN");
        seek = seconds([&] {
            for (const std::string& p : probes) hits += t.SeekKey(p);
        });
    }
    if (hits != hitsMap) std::printf("MISMATCH: %zu seeks found, map found %zu\n", hits, hitsMap);

    std::printf("\n%-34s %10s %10s %8s\n", "measure", "engine s", "floor s", "ratio");
    auto row = [](const char* name, double engine, double floor) {
        std::printf("%-34s %10.3f %10.3f %8.2f\n", name, engine, floor, engine / floor);
    };
    row("filtered scan (vs read once)", scan, floorRead);
    row("filtered copy (vs file copy)", copy, floorCopy);
    row("four tags (vs std::sort)", tags, floorSort);
    row("exact .ntx seeks (vs std::map)", seek, floorSeek);
    std::printf("\nrecords %u, passing the date filter %u\n", records, passing);
    std::printf("one seek: %.3f microseconds\n", seek / seeks * 1e6);
    std::printf(
        "peak memory building one tag over %u records: %.1f MiB"
        " (scanning them: %.1f MiB, ratio %.2f)\n",
        records, tagPeak / 1024.0, scanPeak / 1024.0, double(tagPeak) / scanPeak);
    fs::remove_all(dir);
    return 0;
}
