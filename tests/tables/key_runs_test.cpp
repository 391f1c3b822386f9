// Keys sorted in runs through a scratch file come out, and are written, in
// exactly the order one sort of them all gives, and leave no file behind.
#include "tables/key_runs.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "support/temp_directory.h"
#include "tables/cdx_index.h"
#include "tables/dbf_file.h"
#include "tables/expression.h"
#include "tables/field_definition.h"
#include "tables/order.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using testing::TempDirectory;
using Entries = std::vector<std::pair<std::string, std::uint32_t>>;

// Few distinct keys over many records, so that equal keys fall in every run.
std::vector<std::string> repeatingKeys(std::size_t count) {
    std::mt19937 random(7);
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < count; ++i) keys.push_back("K" + std::to_string(random() % 37));
    return keys;
}

// Records first + 1 .. end's keys, sorted.
KeyIndex sortedRange(const std::vector<std::string>& keys, std::size_t first, std::size_t end) {
    KeyIndex run(4);
    for (std::size_t i = first; i < end; ++i) run.add(keys[i], static_cast<std::uint32_t>(i + 1));
    run.sort();
    return run;
}

KeyRuns inRuns(const std::vector<std::string>& keys, std::size_t perRun,
               const std::string& scratchBeside) {
    KeyRuns runs(4, scratchBeside);
    for (std::size_t first = 0; first < keys.size(); first += perRun)
        runs.add(sortedRange(keys, first, std::min(keys.size(), first + perRun)));
    return runs;
}

// The entries of a KeyRuns or a KeyIndex, in the order they hand them over.
template <typename Keys>
Entries entriesOf(const Keys& keys) {
    Entries entries;
    keys.forEach([&](std::string_view key, std::uint32_t recno) {
        entries.emplace_back(std::string(key), recno);
    });
    return entries;
}

TEST(KeyRuns, MergeToTheOrderOfOneSortAndLeaveNoScratchFile) {
    const std::vector<std::string> keys = repeatingKeys(3000);
    const Entries whole = entriesOf(sortedRange(keys, 0, keys.size()));
    TempDirectory directory;
    const std::string beside = directory.file("T.cdx");
    for (std::size_t perRun : {1, 7, 1000, 2999, 3000}) {
        SCOPED_TRACE(perRun);
        {
            const KeyRuns runs = inRuns(keys, perRun, beside);
            EXPECT_EQ(runs.size(), keys.size());
            EXPECT_EQ(runs.maxRecno(), keys.size());
            EXPECT_EQ(entriesOf(runs), whole);
        }
        EXPECT_TRUE(directory.entries().empty());
    }
}

TEST(KeyRuns, GiveATagTheBytesOfOneWrittenFromMemory) {
    const std::vector<std::string> keys = repeatingKeys(20000);
    TempDirectory directory;
    CdxTag tag;
    tag.name = "CODE";
    tag.keyExpression = "CODE";
    tag.keyLength = 4;
    writeCdx(directory.file("MEMORY.cdx"), {tag},
             [&](std::size_t) { return TagKeys(sortedRange(keys, 0, keys.size())); });
    writeCdx(directory.file("RUNS.cdx"), {tag},
             [&](std::size_t) { return TagKeys(inRuns(keys, 3001, directory.file("RUNS.cdx"))); });
    EXPECT_EQ(directory.readFile("RUNS.cdx"), directory.readFile("MEMORY.cdx"));
    EXPECT_EQ(directory.entries(), (std::vector<std::string>{"MEMORY.cdx", "RUNS.cdx"}));
}

TEST(KeyRuns, AScratchFileThatCannotBeMadeIsAnIoError) {
    TempDirectory directory;
    const std::vector<std::string> keys = repeatingKeys(10);
    KeyRuns runs(4, directory.file("MISSING/T.cdx"));
    runs.add(sortedRange(keys, 0, 5));
    try {
        runs.add(sortedRange(keys, 5, 10));
        FAIL() << "the first run had nowhere to go";
    } catch (const EXbaseError& error) {
        EXPECT_EQ(error.code(), XbaseErrorCode::IoError);
    }
}

// Large enough that each run is read from the file on several threads, each
// from its own place in the run.
TEST(KeyRuns, AnOrderBuiltInRunsIsTheOrderBuiltWhole) {
    TempDirectory directory;
    const std::string path = directory.file("T.dbf");
    const FieldList fields = parseFieldDefinitions("CODE,C,4,0;");
    DbfFile::create(path, fields);
    const std::vector<std::string> keys = repeatingKeys(300000);
    {
        DbfFile dbf(path, DbfFile::Mode::Exclusive);
        std::string record(fields.recordLength(), ' ');
        for (const std::string& key : keys) {
            record.replace(1, key.size(), key);
            dbf.appendRecord(record.data());
            record.replace(1, key.size(), std::string(key.size(), ' '));
        }
    }
    const DbfFile dbf(path, DbfFile::Mode::Exclusive);
    ASSERT_TRUE(dbf.settled());
    CdxTag tag;
    tag.name = "CODE";
    tag.keyExpression = "CODE";
    tag.keyLength = 4;
    const auto order = Order::newCdxTag(tag, Expression::parse("CODE", fields), dbf);
    const KeyRuns runs = order->buildInRuns(dbf, directory.file("T.cdx"), 140000);
    EXPECT_EQ(entriesOf(runs), entriesOf(order->build(dbf)));
}

}  // namespace
}  // namespace marklift
