// Damaged .dbf files are refused with an error naming the file; harmless
// differences between writers are read as usual.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "dbf_test_support.h"
#include "support/temp_directory.h"
#include "tables/byte_order.h"
#include "tables/dbf_file.h"
#include "tables/field_definition.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using Bytes = std::vector<unsigned char>;
using test::fileBytes;
using test::writeFileBytes;
using testing::TempDirectory;

// CODE C4 and WHEN D8: header length 98 (terminator at 96), record length
// 13, two records "AB"/2004-03-15 and "CD"/blank, end mark at 124.
const char* const kFields = "CODE, C, 4,0;WHEN, D, 8,0;";

Bytes goodTable(const TempDirectory& dir) {
    std::string path = dir.file("GOOD.DBF");
    FieldList fields = parseFieldDefinitions(kFields);
    DbfFile::create(path, fields);
    {
        DbfFile table(path, DbfFile::Mode::Exclusive);
        table.appendRecord(test::makeRecord(fields, {"AB", "20040315"}).data());
        table.appendRecord(test::makeRecord(fields, {"CD"}).data());
    }
    return fileBytes(path);
}

struct Mutation {
    const char* name;
    std::function<void(Bytes&)> apply;
};

TEST(DbfDamage, RefusedWithBadHeaderNamingTheFile) {
    const Mutation cases[] = {
        {"empty file", [](Bytes& b) { b.clear(); }},
        {"shorter than a header", [](Bytes& b) { b.resize(20); }},
        {"header length beyond the file", [](Bytes& b) { encodeLE16(&b[8], 5000); }},
        {"header length inside the field list", [](Bytes& b) { encodeLE16(&b[8], 64); }},
        {"header length ending before the terminator", [](Bytes& b) { encodeLE16(&b[8], 96); }},
        {"header length below the prefix", [](Bytes& b) { encodeLE16(&b[8], 0); }},
        {"no terminator", [](Bytes& b) { b[96] = 'X'; }},
        {"no field", [](Bytes& b) { b[32] = 0x0D; }},
        {"a field of length 0", [](Bytes& b) { b[80] = 0; }},
        {"record length too long", [](Bytes& b) { encodeLE16(&b[10], 14); }},
        {"record length too short", [](Bytes& b) { encodeLE16(&b[10], 12); }},
        {"more records declared than held", [](Bytes& b) { encodeLE32(&b[4], 3); }},
        {"a huge record count", [](Bytes& b) { encodeLE32(&b[4], 0xFFFFFFFF); }},
        {"cut inside the last record", [](Bytes& b) { b.erase(b.end() - 6, b.end()); }},
        {"Visual FoxPro without its backlink", [](Bytes& b) { b[0] = 0x30; }},
    };
    TempDirectory dir;
    const Bytes good = goodTable(dir);
    ASSERT_EQ(good.size(), 98u + 2 * 13 + 1);
    for (const Mutation& mutation : cases) {
        SCOPED_TRACE(mutation.name);
        Bytes bytes = good;
        mutation.apply(bytes);
        std::string path = dir.file("DAMAGED.DBF");
        writeFileBytes(path, bytes);
        for (DbfFile::Mode mode : {DbfFile::Mode::ReadOnly, DbfFile::Mode::Exclusive}) {
            try {
                DbfFile table(path, mode);
                ADD_FAILURE() << "opened with " << table.recordCount() << " records";
            } catch (const EXbaseError& error) {
                EXPECT_EQ(error.code(), XbaseErrorCode::BadHeader) << error.what();
                EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
            }
        }
        EXPECT_EQ(fileBytes(path), bytes) << "a refused file is left as it was";
    }
}

TEST(DbfDamage, HarmlessDifferencesAreRead) {
    const Mutation cases[] = {
        {"as written", [](Bytes&) {}},
        {"no end mark", [](Bytes& b) { b.pop_back(); }},
        {"padding after the end mark", [](Bytes& b) { b.insert(b.end(), 100, 0); }},
        {"dBase III with memo", [](Bytes& b) { b[0] = 0x83; }},
        {"dBase IV with memo", [](Bytes& b) { b[0] = 0x8B; }},
        {"FoxPro 2 with memo", [](Bytes& b) { b[0] = 0xF5; }},
        {"no structural index flag", [](Bytes& b) { b[28] = 0; }},
        {"field offsets filled in",
         [](Bytes& b) {
             encodeLE32(&b[32 + 12], 1);
             encodeLE32(&b[64 + 12], 0xDEADBEEF);  // never trusted
         }},
        {"an update date that is no date", [](Bytes& b) { b[2] = 13; }},
        {"Visual FoxPro with its backlink",
         [](Bytes& b) {
             b[0] = 0x30;
             b.erase(b.begin() + 97);  // the terminator is followed by the backlink instead
             b.insert(b.begin() + 97, 263, 0);
             encodeLE16(&b[8], 97 + 263);
         }},
        {"a longer header",
         [](Bytes& b) {
             b.insert(b.begin() + 98, 30, 0);
             encodeLE16(&b[8], 128);
         }},
    };
    TempDirectory dir;
    const Bytes good = goodTable(dir);
    FieldList fields = parseFieldDefinitions(kFields);
    for (const Mutation& mutation : cases) {
        SCOPED_TRACE(mutation.name);
        Bytes bytes = good;
        mutation.apply(bytes);
        std::string path = dir.file("ODD.DBF");
        writeFileBytes(path, bytes);
        try {
            DbfFile table(path, DbfFile::Mode::ReadOnly);
            EXPECT_EQ(table.version(), bytes[0]);
            ASSERT_EQ(table.recordCount(), 2u);
            ASSERT_EQ(table.fields().size(), 2u);
            EXPECT_EQ(table.fields()[1].offset, 5u);
            EXPECT_EQ(readText(fields[0], table.record(1)), "AB");
            EXPECT_EQ(readText(fields[1], table.record(1)), "03/15/2004");
            EXPECT_EQ(readText(fields[0], table.record(2)), "CD");
        } catch (const EXbaseError& error) {
            ADD_FAILURE() << error.what();
        }
    }
}

// Random damage to the header and the file's length: every outcome is either
// a table whose records can all be read or an EXbaseError, never a crash or
// a read outside the file (the sanitizer build watches for those).
TEST(DbfDamage, RandomDamageNeverCrashes) {
    TempDirectory dir;
    const Bytes good = goodTable(dir);
    std::mt19937 random(20240315);
    int opened = 0, refused = 0;
    for (int round = 0; round < 500; ++round) {
        // A new file each round: emptying an old one is slow on some file systems.
        std::string path = dir.file("RANDOM" + std::to_string(round) + ".DBF");
        Bytes bytes = good;
        int changes = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < changes; ++i)
            bytes[random() % 100] = static_cast<unsigned char>(random());
        if (random() % 4 == 0) bytes.resize(random() % bytes.size());
        writeFileBytes(path, bytes);
        try {
            DbfFile table(path, DbfFile::Mode::ReadOnly);
            for (std::uint32_t recno = 1; recno <= table.recordCount(); ++recno) {
                for (const FieldDef& field : table.fields().fields())
                    readText(field, table.record(recno));
            }
            ++opened;
        } catch (const EXbaseError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
            ++refused;
        }
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace marklift
