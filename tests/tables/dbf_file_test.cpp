// Creating, appending, editing, deleting, packing and flushing .dbf files,
// checked byte for byte on disk and by reading them back.
#include "tables/dbf_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "dbf_test_support.h"
#include "support/temp_directory.h"
#include "tables/byte_order.h"
#include "tables/field_definition.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using test::fileBytes;
using test::fixturePath;
using test::makeRecord;
using test::writeFileBytes;
using testing::TempDirectory;

// Bytes 1-3 of a header written today.
std::vector<unsigned char> todayBytes() {
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return {static_cast<unsigned char>(local->tm_year),
            static_cast<unsigned char>(local->tm_mon + 1),
            static_cast<unsigned char>(local->tm_mday)};
}

std::vector<unsigned char> slice(const std::vector<unsigned char>& bytes, std::size_t offset,
                                 std::size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(offset + count)};
}

std::vector<unsigned char> asBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Checks `recno` of a flushed file directly in its bytes.
std::string recordOnDisk(const std::vector<unsigned char>& bytes, std::uint32_t recno) {
    std::size_t headerLength = decodeLE16(bytes.data() + 8);
    std::size_t recordLength = decodeLE16(bytes.data() + 10);
    std::size_t offset = headerLength + (recno - 1) * recordLength;
    return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(offset + recordLength)};
}

// CODE C4, SCORE N5.1: record length 10, header length 32 + 2 * 32 + 2 = 98.
const char* const kSmall = "CODE, C, 4,0;SCORE, N, 5,1;";
constexpr std::size_t kSmallHeader = 98;
constexpr std::size_t kSmallRecord = 10;

TEST(DbfCreate, WritesAnEmptyTableByteForByte) {
    TempDirectory dir;
    std::string path = dir.file("NEW.DBF");
    DbfFile::create(path, parseFieldDefinitions(kSmall));

    std::vector<unsigned char> expected(kSmallHeader + 1, 0);
    auto put = [&](std::size_t offset, std::initializer_list<unsigned char> bytes) {
        std::copy(bytes.begin(), bytes.end(),
                  expected.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    std::vector<unsigned char> today = todayBytes();
    put(0, {0x03, today[0], today[1], today[2], 0, 0, 0, 0, kSmallHeader, 0, kSmallRecord, 0});
    put(28, {0x01, 0x01});
    put(32, {'C', 'O', 'D', 'E'});
    put(43, {'C', 0, 0, 0, 0, 4, 0});
    put(64, {'S', 'C', 'O', 'R', 'E'});
    put(75, {'N', 0, 0, 0, 0, 5, 1});
    put(96, {0x0D, 0x00, 0x1A});
    EXPECT_EQ(fileBytes(path), expected);

    DbfFile table(path, DbfFile::Mode::ReadOnly);
    EXPECT_EQ(table.recordCount(), 0u);
    EXPECT_TRUE(table.hasStructuralIndexFlag());
    EXPECT_EQ(table.fields()[1].offset, 5u);
}

// The work table's header as another xBase engine writes it: the same bytes
// but for the date, the record count and the code page mark.
TEST(DbfCreate, HeaderMatchesTheOtherEnginesWorkTable) {
    TempDirectory dir;
    std::string path = dir.file("BANTABLE.DBF");
    DbfFile::create(path, parseFieldDefinitions(
                              "ID,       C, 9,0;LNAME,    C,13,0;FNAME,    C,11,0;MNAME,    C, 1,0;"
                              "BIRTHDATE,D, 8,0;TESTCODE, C, 4,0;TESTSCORE,C, 8,0;DATE,     D, 8,0;"
                              "SSN,      C,11,0;CODE,     C, 4,0;CORRECT,  N, 3,0;SCORE,    N, 4,0;"
                              "ATTEMPT,  N, 3,0;SS1,      N, 2,0;SS2,      N, 2,0;SS3,      N, 2,0;"
                              "SS4,      N, 2,0;SS5,      N, 2,0;SS6,      N, 2,0;SS7,      N, 2,0;"
                              "SS8,      N, 2,0;SS9,      N, 2,0;SS10,     N, 2,0;GRPNUMBER,C, 7,0;"
                              "SITECODE, C, 2,0;"));
    std::vector<unsigned char> ours = fileBytes(path);
    std::vector<unsigned char> theirs = fileBytes(fixturePath("cdx/MULTI.DBF"));
    ASSERT_EQ(ours.size(), 834u + 1);
    EXPECT_EQ(slice(ours, 0, 1), slice(theirs, 0, 1));
    EXPECT_EQ(slice(ours, 8, 21), slice(theirs, 8, 21));  // lengths, reserved bytes, flags
    EXPECT_EQ(ours[29], 0x01);
    EXPECT_EQ(slice(ours, 30, 834 - 30), slice(theirs, 30, 834 - 30));
    EXPECT_EQ(ours[834], 0x1A);
}

// A Clipper-kind table's header as ZOLT's own tables carry it: no structural
// index flag and no code page mark, the rest as a FoxPro-kind table.
TEST(DbfCreate, ClipperKindMatchesZoltsPlacementTable) {
    TempDirectory dir;
    std::string path = dir.file("PLACE.DBF");
    DbfFile::create(path,
                    parseFieldDefinitions("SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;"
                                          "CODE,C,4,0;DATE,D,8,0;GRPNUMBER,C,7,0;ATTEMPT,N,3,0;"
                                          "DUPLICATE,L,1,0;"),
                    DbfFile::Kind::Clipper);
    constexpr std::size_t kHeader = 322;
    std::vector<unsigned char> ours = fileBytes(path);
    std::vector<unsigned char> theirs = fileBytes(fixturePath("zolt/DELVTP1/PLACE.DBF"));
    ASSERT_EQ(ours.size(), kHeader + 1);
    EXPECT_EQ(slice(ours, 0, 1), slice(theirs, 0, 1));
    EXPECT_EQ(slice(ours, 8, kHeader - 8), slice(theirs, 8, kHeader - 8));
    EXPECT_EQ(ours[28], 0x00);
    EXPECT_EQ(ours[29], 0x00);
    EXPECT_FALSE(DbfFile(path, DbfFile::Mode::ReadOnly).hasStructuralIndexFlag());
}

TEST(DbfCreate, ReplacesAnExistingFile) {
    TempDirectory dir;
    std::string path = dir.file("OLD.DBF");
    writeFileBytes(path, std::vector<unsigned char>(5000, 'x'));
    DbfFile::create(path, parseFieldDefinitions(kSmall));
    EXPECT_EQ(fileBytes(path).size(), kSmallHeader + 1);
    EXPECT_EQ(DbfFile(path, DbfFile::Mode::ReadOnly).recordCount(), 0u);
}

TEST(DbfCreate, LeavesATableSomeoneHasOpenAlone) {
    TempDirectory dir;
    std::string path = dir.file("OPEN.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    DbfFile open(path, DbfFile::Mode::Shared);
    open.appendRecord(makeRecord(fields, {"AB", "1"}).data());
    open.flush();
    std::vector<unsigned char> before = fileBytes(path);
    try {
        DbfFile::create(path, fields);
        ADD_FAILURE() << "created over an open table";
    } catch (const EXbaseError& error) {
        EXPECT_EQ(error.code(), XbaseErrorCode::OpenFailed);
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_EQ(fileBytes(path), before);
}

TEST(DbfCreate, RefusesFieldListsNoHeaderCanHold) {
    auto field = [](std::string name, std::uint8_t length) {
        FieldDef f;
        f.name = std::move(name);
        f.length = length;
        return f;
    };
    std::vector<FieldDef> tooMany;
    for (int i = 0; i < 256; ++i) tooMany.push_back(field("F" + std::to_string(i), 1));
    std::vector<FieldList> lists = {
        FieldList(),
        FieldList({field("ELEVENCHARS", 4)}),
        FieldList({field("", 4)}),
        FieldList({field("EMPTY", 0)}),
        FieldList(tooMany),
        FieldList(std::vector<FieldDef>(258, field("WIDE", 254))),  // record beyond 65535 bytes
    };
    TempDirectory dir;
    std::string path = dir.file("BAD.DBF");
    for (const FieldList& fields : lists) {
        try {
            DbfFile::create(path, fields);
            ADD_FAILURE() << fields.size() << " fields accepted";
        } catch (const EXbaseError& error) {
            EXPECT_EQ(error.code(), XbaseErrorCode::BadFieldDefinition);
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
}

TEST(DbfAppend, FlushWritesRecordsCountDateAndEndMark) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    // Shared, so the file can be read while the table is open: on Windows an
    // exclusive table keeps every other opener out.
    DbfFile table(path, DbfFile::Mode::Shared);
    EXPECT_EQ(table.appendRecord(makeRecord(fields, {"AB", "1.5"}).data()), 1u);
    EXPECT_EQ(table.appendRecord(makeRecord(fields, {"WXYZ", "-12"}).data()), 2u);
    EXPECT_EQ(table.recordCount(), 2u);
    table.flush();

    std::vector<unsigned char> bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), kSmallHeader + 2 * kSmallRecord + 1);
    EXPECT_EQ(slice(bytes, 1, 3), todayBytes());
    EXPECT_EQ(slice(bytes, 4, 4), (std::vector<unsigned char>{2, 0, 0, 0}));
    EXPECT_EQ(slice(bytes, kSmallHeader, 2 * kSmallRecord), asBytes(" AB    1.5 WXYZ-12.0"));
    EXPECT_EQ(bytes.back(), 0x1A);

    table.appendRecord(makeRecord(fields, {"C"}).data());
    table.flush();
    bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), kSmallHeader + 3 * kSmallRecord + 1);
    EXPECT_EQ(bytes[4], 3);
    EXPECT_EQ(recordOnDisk(bytes, 3), " C        ");
    EXPECT_EQ(bytes.back(), 0x1A);
}

TEST(DbfAppend, BufferedRecordsCanBeReadEditedAndDeleted) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    {
        DbfFile table(path, DbfFile::Mode::Shared);
        for (const char* code : {"A", "B", "C"})
            table.appendRecord(makeRecord(fields, {code}).data());
        EXPECT_EQ(readText(fields[0], table.record(2)), "B");
        table.writeRecord(2, makeRecord(fields, {"BB", "2"}).data());
        EXPECT_EQ(readText(fields[0], table.record(2)), "BB");
        table.setDeleted(3, true);
        EXPECT_TRUE(table.isDeleted(3));
        EXPECT_FALSE(table.isDeleted(1));
        // A record handed out by record() may be appended again.
        EXPECT_EQ(table.appendRecord(table.record(2)), 4u);
        // No flush: closing writes what is pending.
    }
    DbfFile table(path, DbfFile::Mode::ReadOnly);
    ASSERT_EQ(table.recordCount(), 4u);
    EXPECT_EQ(std::string(table.record(2), kSmallRecord), " BB    2.0");
    EXPECT_EQ(std::string(table.record(3), kSmallRecord), "*C        ");
    EXPECT_EQ(std::string(table.record(4), kSmallRecord), " BB    2.0");
}

// Enough records to pass through the append buffer and the read cache
// several times, read in order and out of order, before and after flushing.
TEST(DbfAppend, ManyRecords) {
    TempDirectory dir;
    std::string path = dir.file("MANY.DBF");
    FieldList fields = parseFieldDefinitions("N, N, 8,0;PAD, C, 200,0;");  // 209 bytes
    DbfFile::create(path, fields);
    const std::uint32_t count = 5000;
    auto check = [&](const DbfFile& table, std::uint32_t recno) {
        ASSERT_EQ(readInteger(fields[0], table.record(recno)), recno) << recno;
    };
    {
        DbfFile table(path, DbfFile::Mode::Exclusive);
        std::string record = makeRecord(fields, {"0", "padding"});
        for (std::uint32_t recno = 1; recno <= count; ++recno) {
            writeInteger(fields[0], record.data(), recno);
            ASSERT_EQ(table.appendRecord(record.data()), recno);
            if (recno % 97 == 0) {
                check(table, recno);
                check(table, recno / 2);
            }
        }
        for (std::uint32_t recno = 1; recno <= count; ++recno) check(table, recno);
    }
    EXPECT_EQ(fileBytes(path).size(), kSmallHeader + count * 209u + 1);
    DbfFile table(path, DbfFile::Mode::ReadOnly);
    ASSERT_EQ(table.recordCount(), count);
    for (std::uint32_t recno = 1; recno <= count; ++recno) check(table, recno);
    for (std::uint32_t recno = count; recno >= 1; --recno) check(table, recno);
    for (std::uint32_t i = 0, recno = 1; i < count; ++i, recno = (recno + 1009) % count + 1)
        check(table, recno);
}

TEST(DbfEdit, WritesReachTheFileAndWhatWasAlreadyRead) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    {
        DbfFile table(path, DbfFile::Mode::Exclusive);
        for (int i = 1; i <= 100; ++i)
            table.appendRecord(makeRecord(fields, {"R", std::to_string(i)}).data());
    }
    {
        DbfFile table(path, DbfFile::Mode::Shared);
        EXPECT_EQ(readText(fields[1], table.record(50)), "50.0");
        table.writeRecord(50, makeRecord(fields, {"EDIT", "-5"}).data());
        EXPECT_EQ(std::string(table.record(50), kSmallRecord), " EDIT -5.0");
        EXPECT_EQ(readText(fields[1], table.record(51)), "51.0");
        table.setDeleted(60, true);
        table.setDeleted(61, true);
        table.setDeleted(61, false);
        EXPECT_TRUE(table.isDeleted(60));
        EXPECT_FALSE(table.isDeleted(61));
        EXPECT_EQ(std::string(table.record(60), kSmallRecord), "*R    60.0");
        // Writing back the bytes record() handed out.
        table.writeRecord(70, table.record(70));
        table.flush();
    }
    std::vector<unsigned char> bytes = fileBytes(path);
    EXPECT_EQ(recordOnDisk(bytes, 49), " R    49.0");
    EXPECT_EQ(recordOnDisk(bytes, 50), " EDIT -5.0");
    EXPECT_EQ(recordOnDisk(bytes, 60), "*R    60.0");
    EXPECT_EQ(recordOnDisk(bytes, 61), " R    61.0");
    EXPECT_EQ(recordOnDisk(bytes, 70), " R    70.0");
    EXPECT_EQ(bytes.size(), kSmallHeader + 100 * kSmallRecord + 1);
}

TEST(DbfEdit, RecordNumbersOutsideTheTableFail) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    DbfFile table(path, DbfFile::Mode::Exclusive);
    std::string record = makeRecord(fields, {"A"});
    table.appendRecord(record.data());
    table.appendRecord(record.data());
    std::vector<std::function<void()>> calls = {
        [&] { table.record(0); },
        [&] { table.record(3); },
        [&] { table.isDeleted(3); },
        [&] { table.writeRecord(0, record.data()); },
        [&] { table.writeRecord(3, record.data()); },
        [&] { table.setDeleted(3, true); },
    };
    for (const auto& call : calls) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const EXbaseError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(table.recordCount(), 2u);
}

TEST(DbfFlush, DatesTheFileOnlyWhenSomethingChanged) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    {
        DbfFile table(path, DbfFile::Mode::Exclusive);
        table.appendRecord(makeRecord(fields, {"A"}).data());
    }
    std::vector<unsigned char> bytes = fileBytes(path);
    bytes[1] = 101;  // 2001-02-03
    bytes[2] = 2;
    bytes[3] = 3;
    writeFileBytes(path, bytes);
    {
        DbfFile table(path, DbfFile::Mode::Shared);
        EXPECT_EQ(table.lastUpdate(), Date::fromYmd(2001, 2, 3));
        table.record(1);
        table.flush();
    }
    EXPECT_EQ(fileBytes(path), bytes);

    DbfFile table(path, DbfFile::Mode::Shared);
    table.setDeleted(1, true);
    table.flush();
    EXPECT_EQ(slice(fileBytes(path), 1, 3), todayBytes());
    EXPECT_EQ(table.lastUpdate().toYyyymmdd().substr(0, 4), std::to_string(1900 + todayBytes()[0]));
}

TEST(DbfFlush, KeepsTheHeaderBytesOfOtherWriters) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    std::vector<unsigned char> bytes = fileBytes(path);
    for (std::size_t i = 12; i < 28; ++i) bytes[i] = static_cast<unsigned char>(i);
    bytes[29] = 0x03;
    bytes[30] = 0x7F;
    writeFileBytes(path, bytes);
    {
        DbfFile table(path, DbfFile::Mode::Shared);
        table.appendRecord(makeRecord(fields, {"A"}).data());
    }
    std::vector<unsigned char> after = fileBytes(path);
    EXPECT_EQ(after[4], 1);
    EXPECT_EQ(slice(after, 8, 24), slice(bytes, 8, 24));
    EXPECT_EQ(slice(after, 32, kSmallHeader - 32), slice(bytes, 32, kSmallHeader - 32));
}

TEST(DbfReadOnly, RefusesEveryWrite) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    {
        DbfFile table(path, DbfFile::Mode::Exclusive);
        table.appendRecord(makeRecord(fields, {"A"}).data());
    }
    std::vector<unsigned char> before = fileBytes(path);
    {
        DbfFile table(path, DbfFile::Mode::ReadOnly);
        std::string record = makeRecord(fields, {"B"});
        std::vector<std::function<void()>> writes = {
            [&] { table.writeRecord(1, record.data()); },
            [&] { table.appendRecord(record.data()); },
            [&] { table.setDeleted(1, true); },
            [&] { table.pack(); },
        };
        for (const auto& write : writes) {
            try {
                write();
                ADD_FAILURE() << "a write was allowed";
            } catch (const EXbaseError& error) {
                EXPECT_EQ(error.code(), XbaseErrorCode::ReadOnly);
                EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
            }
        }
        EXPECT_EQ(table.recordCount(), 1u);
        table.flush();
    }
    EXPECT_EQ(fileBytes(path), before);
}

// PACK: each case deletes a different set of records, some of them still in
// the append buffer, across more than one read block.
TEST(DbfPack, KeepsTheOtherRecordsInOrder) {
    struct Case {
        const char* name;
        std::function<bool(std::uint32_t)> deleted;
    } cases[] = {
        {"none", [](std::uint32_t) { return false; }},
        {"all", [](std::uint32_t) { return true; }},
        {"ends and every third",
         [](std::uint32_t n) { return n == 1 || n == 2 || n % 3 == 0 || n == 1005; }},
        {"only the last", [](std::uint32_t n) { return n == 1005; }},
        {"the first half", [](std::uint32_t n) { return n <= 500; }},
    };
    FieldList fields = parseFieldDefinitions("N, N, 6,0;PAD, C, 60,0;");  // 67 bytes a record
    const std::uint32_t flushed = 1000, buffered = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory dir;
        std::string path = dir.file("P.DBF");
        DbfFile::create(path, fields);
        std::vector<std::int64_t> kept;
        {
            DbfFile table(path, DbfFile::Mode::Exclusive);
            for (std::uint32_t recno = 1; recno <= flushed + buffered; ++recno) {
                table.appendRecord(makeRecord(fields, {std::to_string(recno), "x"}).data());
                if (recno == flushed) table.flush();
                if (c.deleted(recno))
                    table.setDeleted(recno, true);
                else
                    kept.push_back(recno);
            }
            table.pack();
            ASSERT_EQ(table.recordCount(), kept.size());
            for (std::uint32_t i = 0; i < kept.size(); ++i)
                ASSERT_EQ(readInteger(fields[0], table.record(i + 1)), kept[i]);
        }
        std::vector<unsigned char> bytes = fileBytes(path);
        ASSERT_EQ(bytes.size(), 98 + kept.size() * 67 + 1);
        EXPECT_EQ(decodeLE32(bytes.data() + 4), kept.size());
        EXPECT_EQ(bytes.back(), 0x1A);
        for (std::uint32_t i = 0; i < kept.size(); ++i) {
            ASSERT_EQ(recordOnDisk(bytes, i + 1),
                      makeRecord(fields, {std::to_string(kept[i]), "x"}));
        }

        // Appending after a pack continues after the last kept record.
        {
            DbfFile table(path, DbfFile::Mode::Exclusive);
            table.appendRecord(makeRecord(fields, {"999999"}).data());
        }
        DbfFile table(path, DbfFile::Mode::ReadOnly);
        ASSERT_EQ(table.recordCount(), kept.size() + 1);
        EXPECT_EQ(readInteger(fields[0], table.record(table.recordCount())), 999999);
    }
}

TEST(DbfPack, NeedsExclusiveMode) {
    TempDirectory dir;
    std::string path = dir.file("T.DBF");
    FieldList fields = parseFieldDefinitions(kSmall);
    DbfFile::create(path, fields);
    DbfFile table(path, DbfFile::Mode::Shared);
    table.appendRecord(makeRecord(fields, {"A"}).data());
    table.setDeleted(1, true);
    try {
        table.pack();
        ADD_FAILURE() << "packed in shared mode";
    } catch (const EXbaseError& error) {
        EXPECT_EQ(error.code(), XbaseErrorCode::NotExclusive);
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_EQ(table.recordCount(), 1u);
}

// -- The record cache: reads and in-place changes held in blocks ---------

// A table and what each of its records should hold.
class CachedTable {
public:
    CachedTable(const std::string& path, const char* definitions, std::uint32_t records,
                DbfFile::Mode mode)
        : fields(parseFieldDefinitions(definitions)) {
        DbfFile::create(path, fields);
        table = std::make_unique<DbfFile>(path, mode);
        for (std::uint32_t n = 1; n <= records; ++n) append(n);
        table->flush();
    }
    std::string numbered(std::int64_t number) const {
        std::string record = makeRecord(fields, {"0", "pad"});
        writeInteger(fields[0], record.data(), number);
        return record;
    }
    void append(std::int64_t number) {
        expected.push_back(numbered(number));
        table->appendRecord(expected.back().data());
    }
    void write(std::uint32_t recno, std::int64_t number) {
        expected[recno - 1] = numbered(number);
        table->writeRecord(recno, expected[recno - 1].data());
    }
    void setDeleted(std::uint32_t recno, bool deleted) {
        expected[recno - 1][0] = deleted ? '*' : ' ';
        table->setDeleted(recno, deleted);
    }
    // Every record, through `reader`, last to first.
    void expectAll(const DbfFile& reader) const {
        ASSERT_EQ(reader.recordCount(), expected.size());
        for (std::uint32_t n = reader.recordCount(); n >= 1; --n)
            ASSERT_EQ(std::string(reader.record(n), fields.recordLength()), expected[n - 1]) << n;
    }

    FieldList fields;
    std::unique_ptr<DbfFile> table;
    std::vector<std::string> expected;
};

// 209 bytes a record: 313 records a 64 KiB block.
const char* const kBlockSpanning = "N, N, 8,0;PAD, C, 200,0;";

TEST(DbfCache, RandomEditsAcrossBlocksReadBackAndReachASecondOpener) {
    TempDirectory dir;
    std::string path = dir.file("R.DBF");
    CachedTable t(path, kBlockSpanning, 2000, DbfFile::Mode::Shared);
    DbfFile& table = *t.table;
    // First and last records of blocks, then anywhere.
    for (std::uint32_t n : {1u, 313u, 314u, 626u, 627u, 1999u, 2000u}) t.write(n, -std::int64_t(n));
    std::mt19937 random(1);
    for (int i = 0; i < 6000; ++i) {
        std::uint32_t n = random() % 2000 + 1;
        switch (random() % 4) {
            case 0:
                t.write(n, random() % 100000);
                break;
            case 1: {
                // From a record handed out by record(), maybe in another block.
                std::uint32_t from = random() % 2000 + 1;
                t.expected[n - 1] = t.expected[from - 1];
                table.writeRecord(n, table.record(from));
                break;
            }
            case 2:
                t.setDeleted(n, random() % 2 == 0);
                break;
            default:
                ASSERT_EQ(std::string(table.record(n), 209), t.expected[n - 1]) << n;
        }
    }
    t.expectAll(table);
    table.flush();
    {
        DbfFile second(path, DbfFile::Mode::ReadOnly);
        t.expectAll(second);
    }
    // Blocks written back stay cached; later changes are written at the next flush.
    t.write(314, 7);
    t.setDeleted(1, true);
    table.flush();
    DbfFile third(path, DbfFile::Mode::ReadOnly);
    t.expectAll(third);
    std::vector<unsigned char> bytes = fileBytes(path);
    EXPECT_EQ(recordOnDisk(bytes, 314), t.expected[313]);
    EXPECT_EQ(bytes.size(), kSmallHeader + 2000 * 209u + 1);
}

// Over 16 MiB of records, so changed blocks are given up and written back
// before the end, in order and out of order.
TEST(DbfCache, EditsOfATableLargerThanTheCacheSurviveEviction) {
    TempDirectory dir;
    std::string path = dir.file("BIG.DBF");
    const std::uint32_t count = 9000;  // 2001 bytes a record: 18 MB
    CachedTable t(path,
                  "N, N, 8,0;A, C,250,0;B, C,250,0;C, C,250,0;D, C,250,0;E, C,250,0;"
                  "F, C,250,0;G, C,250,0;H, C,242,0;",
                  count, DbfFile::Mode::Exclusive);
    ASSERT_EQ(t.fields.recordLength(), 2001u);
    for (std::uint32_t n = 1; n <= count; ++n) t.write(n, n * 3);
    std::mt19937 random(2);
    for (int i = 0; i < 3000; ++i) {
        std::uint32_t n = random() % count + 1;
        if (i % 3 == 0)
            t.setDeleted(n, true);
        else
            t.write(n, -std::int64_t(random() % 1000));
    }
    t.expectAll(*t.table);
    t.table.reset();
    DbfFile reopened(path, DbfFile::Mode::ReadOnly);
    t.expectAll(reopened);
}

TEST(DbfCache, PackAfterInPlaceEditsKeepsTheEdits) {
    TempDirectory dir;
    std::string path = dir.file("P.DBF");
    CachedTable t(path, kBlockSpanning, 1000, DbfFile::Mode::Exclusive);
    t.append(1001);  // still buffered
    t.append(1002);
    for (std::uint32_t n = 1; n <= 1002; ++n) {
        if (n % 5 == 0) t.write(n, 50000 + n);
        if (n % 7 == 0 || n == 1001) t.setDeleted(n, true);
        if (n % 35 == 0) t.setDeleted(n, false);
    }
    std::vector<std::string> kept;
    for (const std::string& record : t.expected)
        if (record[0] != '*') kept.push_back(record);
    t.table->pack();
    t.expected = kept;
    t.expectAll(*t.table);
    // In-place changes after the pack land on the packed records.
    t.write(1, 4242);
    t.setDeleted(static_cast<std::uint32_t>(kept.size()), true);
    t.table.reset();
    DbfFile reopened(path, DbfFile::Mode::ReadOnly);
    t.expectAll(reopened);
    EXPECT_EQ(fileBytes(path).size(), kSmallHeader + kept.size() * 209 + 1);
}

// The last block read while short, then records appended behind it.
TEST(DbfCache, AppendsBehindAShortLastBlockAreRead) {
    TempDirectory dir;
    std::string path = dir.file("A.DBF");
    CachedTable t(path, kBlockSpanning, 10, DbfFile::Mode::Shared);
    DbfFile& table = *t.table;
    EXPECT_EQ(std::string(table.record(10), 209), t.expected[9]);
    t.write(9, 99);
    for (std::int64_t n = 11; n <= 13; ++n) t.append(n);
    table.flush();
    EXPECT_EQ(std::string(table.record(12), 209), t.expected[11]);
    t.write(13, 1313);
    // Enough to pass the append buffer and fill the block and the next.
    for (std::int64_t n = 14; n <= 2000; ++n) t.append(n);
    t.write(600, 600600);
    t.expectAll(table);
    table.flush();
    DbfFile second(path, DbfFile::Mode::ReadOnly);
    t.expectAll(second);
}

// -- Records read ahead: what an export in index order reads --------------

// Record numbers in an order of their own, as an index walks them.
std::vector<std::uint32_t> shuffled(std::uint32_t count, unsigned seed) {
    std::vector<std::uint32_t> recnos(count);
    for (std::uint32_t n = 1; n <= count; ++n) recnos[n - 1] = n;
    std::shuffle(recnos.begin(), recnos.end(), std::mt19937(seed));
    return recnos;
}

// Held records are those of the table at the time: changes still in the
// cache, records appended but not yet written, out-of-range numbers left for
// record() to refuse; a later change is never hidden behind a held copy.
TEST(DbfReadAhead, HoldsTheRecordsAsTheyAreAndNeverHidesALaterChange) {
    TempDirectory dir;
    std::string path = dir.file("H.DBF");
    CachedTable t(path, kBlockSpanning, 2000, DbfFile::Mode::Exclusive);
    DbfFile& table = *t.table;
    t.write(700, 7007);  // in the cache, not yet written
    t.write(1500, 1515);
    t.append(2001);  // buffered
    std::vector<std::uint32_t> wanted = shuffled(2001, 3);
    wanted.insert(wanted.begin() + 5, {0u, 2002u, 4000u, 700u});  // repeats and strangers
    ASSERT_EQ(table.readAhead(wanted), wanted.size());
    for (std::uint32_t n : wanted) {
        if (n == 0 || n > 2001)
            EXPECT_THROW(table.record(n), EXbaseError) << n;
        else
            ASSERT_EQ(std::string(table.record(n), 209), t.expected[n - 1]) << n;
    }
    t.write(10, -10);
    t.setDeleted(11, true);
    EXPECT_EQ(std::string(table.record(10), 209), t.expected[9]);
    EXPECT_EQ(std::string(table.record(11), 209), t.expected[10]);
    table.readAhead(wanted);
    table.pack();
    t.expected.erase(t.expected.begin() + 10);
    t.expectAll(table);
}

// A selection larger than the memory held ahead is read a share at a time,
// each share in one sweep; a file cut short under the reader leaves the
// records past its end for record() to refuse.
TEST(DbfReadAhead, TakesAShareAtATimeAndLeavesUnreadableRecordsToRecord) {
    TempDirectory dir;
    std::string path = dir.file("S.DBF");
    const std::uint32_t count = 9000;  // 2001 bytes a record: 18 MB, more than is held
    CachedTable t(path,
                  "N, N, 8,0;A, C,250,0;B, C,250,0;C, C,250,0;D, C,250,0;E, C,250,0;"
                  "F, C,250,0;G, C,250,0;H, C,242,0;",
                  count, DbfFile::Mode::Shared);
    DbfFile& table = *t.table;
    const std::vector<std::uint32_t> wanted = shuffled(count, 4);
    std::size_t shares = 0;
    for (std::size_t from = 0; from < wanted.size(); ++shares) {
        const std::size_t taken = table.readAhead(std::span(wanted).subspan(from));
        ASSERT_GE(taken, 1u);
        ASSERT_LT(taken, wanted.size());
        for (std::size_t i = from; i < from + taken; ++i)
            ASSERT_EQ(std::string(table.record(wanted[i]), 2001), t.expected[wanted[i] - 1]);
        from += taken;
    }
    EXPECT_GE(shares, 2u);
    table.readAhead({});

    DbfFile reader(path, DbfFile::Mode::ReadOnly);
    const std::uintmax_t header = std::filesystem::file_size(path) - 1 - count * 2001u;
    // 32 records a block: the file now ends with a whole block.
    std::filesystem::resize_file(path, header + 4992 * 2001u);
    const std::vector<std::uint32_t> across = {8999, 4993, 4990, 4992};
    EXPECT_EQ(reader.readAhead(across), across.size());
    EXPECT_EQ(std::string(reader.record(4990), 2001), t.expected[4989]);
    EXPECT_EQ(std::string(reader.record(4992), 2001), t.expected[4991]);
    EXPECT_THROW(reader.record(4993), EXbaseError);
    EXPECT_THROW(reader.record(8999), EXbaseError);
}

}  // namespace
}  // namespace marklift
