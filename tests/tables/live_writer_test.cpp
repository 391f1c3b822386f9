// Reading a period while a writer process (zolt_writer) appends students and
// their SSN.NTX keys by Clipper's protocol, splitting index pages with a
// pause between its page writes: without the protocol the reader catches
// the index half updated and sees appended records still blank; with it,
// never, and every key it keeps leads to its own record.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "support/live_zolt_period.h"
#include "tables/byte_source.h"
#include "tables/dbf_file.h"
#include "tables/ntx_index.h"
#include "tables/xbase_table.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::SeedLivePeriod;
using marklift::testing::ZoltWriterProcess;

namespace {

const char kPeriod[] = "DELVTP1\\";

struct Tally {
    int reads = 0;
    int faults = 0;
    std::string firstFault;

    void fault(const std::string& what) {
        if (faults++ == 0) firstFault = what;
    }
};

// What a reader without the protocol runs into, by kind.
struct TornReads {
    int reads = 0;
    Tally index;    // pages of an update half written
    Tally records;  // a record appended but not yet filled
    std::size_t mostKeys = 0;
};

// The index and the table as they stand, read without the protocol: how an
// engine that ignores the writers' locks reads them.
void ReadWithoutTheProtocol(const DataDirectory& dir, TornReads& torn) {
    ++torn.reads;
    try {
        File index(dir.native(std::string(kPeriod) + "SSN.NTX"), File::Access::ReadOnly,
                   File::Lock::None);
        // Keys are only ever added: fewer than before are keys lost in a
        // page the reader caught half updated.
        const std::size_t keys = readNtx(FileByteSource(index)).keys.size();
        if (keys < torn.mostKeys)
            torn.index.fault(std::to_string(keys) + " keys after " + std::to_string(torn.mostKeys));
        torn.mostKeys = std::max(torn.mostKeys, keys);
    } catch (const EXbaseError& error) {
        torn.index.fault(error.what());
    }
    // Shared mode reads the table as it stands, without the reader's side:
    // caught between the header and the record it counts, it cannot even
    // open the table.
    try {
        DbfFile students(dir.native(std::string(kPeriod) + "STUDENT.DBF"), DbfFile::Mode::Shared);
        const FieldDef& ssn = *students.fields().find("SSN");
        if (readText(ssn, students.record(students.recordCount())).empty())
            torn.records.fault("record " + std::to_string(students.recordCount()) + " is blank");
    } catch (const EXbaseError& error) {
        torn.records.fault(error.what());
    }
}

// Through the engine, which follows the protocol: every record once, in key
// order, each found under its own key.
void ReadWithTheProtocol(const DataDirectory& dir, Tally& tally) {
    ++tally.reads;
    try {
        XbaseTable t;
        t.SetDatabaseName(dir.path() + kPeriod);
        t.SetTableName("STUDENT");
        t.SetTableType(TableType::ttNTX);
        t.SetReadOnly(true);
        t.Open();
        t.OpenIndexFile(dir.path() + kPeriod + "SSN.NTX");
        t.SetIndexName("SSN");
        std::uint32_t visited = 0;
        std::string last;
        for (t.First(); !t.Eof(); t.Next(), ++visited) {
            const std::string ssn = t.GetText("SSN");
            if (ssn.empty() || ssn <= last)
                return tally.fault("record " + std::to_string(t.RecNo()) +
                                   " is out of key order: " + ssn);
            last = ssn;
        }
        if (visited != t.RecordCount())
            tally.fault(std::to_string(visited) + " keys for " + std::to_string(t.RecordCount()) +
                        " records");
    } catch (const EXbaseError& error) {
        tally.fault(error.what());
    }
}

TEST(LiveWriterTest, OnlyAReaderWithoutTheProtocolSeesUpdatesHalfDone) {
    DataDirectory dir("live-writer");
    SeedLivePeriod(dir, kPeriod, 600);
    ZoltWriterProcess writer(dir.native("DELVTP1"), {"--fill-pause-us", "300", "--page-pause-us",
                                                     "3000", "--interval-us", "100"});
    TornReads without;
    Tally with;
    // Bounded in time; it ends as soon as both kinds of tear were seen a few
    // times and the protocol had as many reads.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((without.index.faults < 3 || without.records.faults < 3 || with.reads < 40) &&
           std::chrono::steady_clock::now() < deadline) {
        ReadWithoutTheProtocol(dir, without);
        ReadWithTheProtocol(dir, with);
    }
    const std::string report = writer.stop();
    std::cout << "writer: " << report << "without the protocol, of " << without.reads
              << " reads: " << without.index.faults
              << " torn indexes (first: " << without.index.firstFault << "), "
              << without.records.faults << " blank students\nwith the protocol: " << with.faults
              << " faults in " << with.reads << " reads\n";
    EXPECT_GE(without.index.faults, 3) << "the writer never left a half-updated index to catch";
    EXPECT_GE(without.records.faults, 3) << "the writer never left a blank student to catch";
    EXPECT_EQ(with.faults, 0) << with.firstFault;
    EXPECT_GE(with.reads, 40);
}

}  // namespace
