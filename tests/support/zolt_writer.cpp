// A stand-in for ZOLT during a testing period: it keeps appending students
// (each with its SSN.NTX key) and their placement, assessment and score
// results to a period's tables, in shared mode and by the locking protocol
// of Clipper-kind writers (src/tables/clipper_locks.h), until it is sent
// SIGTERM. Appends go as APPEND BLANK does: the record is added blank under
// the header lock, then filled under its record lock, its key added under
// the index lock. Tests run it beside Marklift's reader.
#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ntx_inserter.h"
#include "platform/paths.h"
#include "tables/clipper_locks.h"
#include "tables/dbf_file.h"

using namespace marklift;

namespace {

constexpr char kUsage[] =
    "usage: zolt_writer PERIOD-DIRECTORY [--fill-pause-us N] [--page-pause-us N]\n"
    "                   [--hold-index-ms N] [--interval-us N]\n"
    "  Appends students with their SSN.NTX keys and results to STUDENT, PLACE,\n"
    "  ASSESS and SCORES in PERIOD-DIRECTORY until sent SIGTERM, then prints\n"
    "  \"students N results N\".\n"
    "  --fill-pause-us  between adding a record blank and filling it (default 0)\n"
    "  --page-pause-us  between two page writes of an index update (default 0)\n"
    "  --hold-index-ms  extra time each index update holds the index lock (default 0)\n"
    "  --interval-us    between one student and the next (default 1000)\n";

struct UsageError {};

volatile std::sig_atomic_t stopping = 0;

void stop(int) {
    stopping = 1;
}

struct Options {
    std::string directory;
    std::chrono::microseconds fillPause{0};
    std::chrono::microseconds pagePause{0};
    std::chrono::milliseconds holdIndex{0};
    std::chrono::microseconds interval{1000};
};

Options parse(int argc, char** argv) {
    if (argc < 2) throw UsageError();
    Options options;
    options.directory = argv[1];
    for (int i = 2; i < argc; i += 2) {
        if (i + 1 >= argc) throw UsageError();
        const std::string name = argv[i];
        const long value = std::stol(argv[i + 1]);
        if (name == "--fill-pause-us") {
            options.fillPause = std::chrono::microseconds(value);
        } else if (name == "--page-pause-us") {
            options.pagePause = std::chrono::microseconds(value);
        } else if (name == "--hold-index-ms") {
            options.holdIndex = std::chrono::milliseconds(value);
        } else if (name == "--interval-us") {
            options.interval = std::chrono::microseconds(value);
        } else {
            throw UsageError();
        }
    }
    return options;
}

// Waits as a writer does: as long as it takes.
void lockExclusive(File& file, std::uint64_t offset) {
    while (!file.tryLockRange(offset, 1, File::RangeLock::Exclusive))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
}

// One of the period's tables, appended to by the protocol.
class SharedTable {
public:
    SharedTable(const std::string& path, std::chrono::microseconds pause)
        : table_(path, DbfFile::Mode::Shared),
          locks_(path, File::Access::ReadWrite, File::Lock::None),
          pause_(pause) {}

    // A record of blanks with `values` (field name, text) written into it.
    std::vector<char> record(const std::vector<std::pair<std::string, std::string>>& values) const {
        std::vector<char> bytes(table_.recordLength(), ' ');
        for (const auto& [name, value] : values)
            if (const FieldDef* field = table_.fields().find(name))
                writeText(*field, bytes.data(), value);
        return bytes;
    }

    // APPEND BLANK, then the fields; `whileLocked` runs before the record
    // lock is given up, as an index update does. Returns the record number.
    template <class WhileLocked>
    std::uint32_t append(const std::vector<char>& bytes, WhileLocked whileLocked) {
        lockExclusive(locks_, kDbfHeaderLockOffset);
        const std::vector<char> blank(bytes.size(), ' ');
        const std::uint32_t recno = table_.appendRecord(blank.data());
        table_.flush();
        lockExclusive(locks_, dbfRecordLockOffset(recno));
        locks_.unlockRange(kDbfHeaderLockOffset, 1);
        std::this_thread::sleep_for(pause_);
        table_.writeRecord(recno, bytes.data());
        table_.flush();
        whileLocked(recno);
        locks_.unlockRange(dbfRecordLockOffset(recno), 1);
        return recno;
    }

private:
    DbfFile table_;
    File locks_;
    std::chrono::microseconds pause_;
};

// Student n's data, distinct for every n. SSNs are spread over the whole
// index (7919 is prime to 900,000,000, so n -> SSN is one to one) and start
// at 100-00-0000, clear of the students a test writes first.
struct Student {
    explicit Student(std::uint32_t n) {
        const std::uint64_t v = 100'000'000 + (std::uint64_t{n} * 7919) % 900'000'000;
        char text[16];
        std::snprintf(text, sizeof text, "%03u-%02u-%04u", unsigned(v / 1'000'000),
                      unsigned(v / 10'000 % 100), unsigned(v % 10'000));
        ssn = text;
        lname = "W" + std::to_string(n);
        fname = "F" + std::to_string(n * 31 % 9973);
        mname = std::string(1, char('A' + n % 26));
        const int days = static_cast<int>(n * 37 % 15000);
        birthdate = Date(Date::fromYmd(1950, 1, 1).days() + days).toYyyymmdd();
    }
    std::string ssn, lname, fname, mname, birthdate;
};

class Writer {
public:
    explicit Writer(const Options& options)
        : options_(options),
          students_(table("STUDENT"), options.fillPause),
          placements_(table("PLACE"), options.fillPause),
          assessments_(table("ASSESS"), options.fillPause),
          scores_(table("SCORES"), options.fillPause),
          index_(nativePath(options.directory + "\\SSN.NTX"), File::Access::ReadWrite,
                 File::Lock::None) {}

    void run() {
        while (!stopping) {
            addStudent();
            const int results = 1 + static_cast<int>(random_() % 3);
            for (int i = 0; i < results && !stopping; ++i) addResult();
            std::this_thread::sleep_for(options_.interval);
        }
        std::cout << "students " << studentsAdded_ << " results " << resultsAdded_ << "\n";
    }

private:
    std::string table(const char* name) const {
        return nativePath(options_.directory + "\\" + name + ".DBF");
    }

    void pageWritten() const { std::this_thread::sleep_for(options_.pagePause); }

    void addStudent() {
        const Student s(studentsAdded_);
        students_.append(students_.record({{"SSN", s.ssn},
                                           {"LNAME", s.lname},
                                           {"FNAME", s.fname},
                                           {"MNAME", s.mname},
                                           {"BIRTHDATE", s.birthdate}}),
                         [&](std::uint32_t recno) {
                             lockExclusive(index_, kNtxLockOffset);
                             std::this_thread::sleep_for(options_.holdIndex);
                             testing::insertNtxKey(index_, s.ssn, recno, [this] { pageWritten(); });
                             index_.unlockRange(kNtxLockOffset, 1);
                         });
        ++studentsAdded_;
    }

    // A result for one of the students added so far.
    void addResult() {
        const Student s(static_cast<std::uint32_t>(random_() % studentsAdded_));
        const std::string score = std::to_string(random_() % 100);
        const auto none = [](std::uint32_t) {};
        switch (random_() % 3) {
            case 0:
                placements_.append(placements_.record({{"SSN", s.ssn},
                                                       {"LNAME", s.lname},
                                                       {"FNAME", s.fname},
                                                       {"MNAME", s.mname},
                                                       {"CODE", "EN05"},
                                                       {"DATE", "20240301"},
                                                       {"DUPLICATE", "T"}}),
                                   none);
                break;
            case 1:
                assessments_.append(assessments_.record({{"SSN", s.ssn},
                                                         {"CODE", "RD"},
                                                         {"DATE", "20240301"},
                                                         {"CORRECT", score},
                                                         {"RETEST", "Y"}}),
                                    none);
                break;
            default:
                scores_.append(scores_.record({{"SSN", s.ssn},
                                               {"CODE", "SRD"},
                                               {"DATE", "20240301"},
                                               {"SCORE", score},
                                               {"RETEST", "Y"}}),
                               none);
        }
        ++resultsAdded_;
    }

    Options options_;
    SharedTable students_, placements_, assessments_, scores_;
    File index_;
    std::minstd_rand random_{2024};
    std::uint32_t studentsAdded_ = 0;
    std::uint32_t resultsAdded_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        struct sigaction action {};
        action.sa_handler = stop;
        ::sigaction(SIGTERM, &action, nullptr);
        Writer(options).run();
        return 0;
    } catch (const UsageError&) {
        std::cerr << kUsage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "zolt_writer: " << error.what() << "\n";
        return 1;
    }
}
