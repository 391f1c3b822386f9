#include "cli/demo_data/demo_students.h"

#include <string_view>

#include "cli/demo_data/demo_names.h"
#include "cli/demo_data/zolt_layouts.h"
#include "tables/field.h"
#include "tables/key_index.h"
#include "tables/ntx_index.h"

namespace marklift::demo {
namespace {

// SSNs run over the 800 million numbers from 100-00-0000 to 899-99-9999.
constexpr std::uint64_t kSsnFirst = 100'000'000;
constexpr std::uint64_t kSsnSpan = 800'000'000;  // 2^11 * 5^8
constexpr std::size_t kSsnLength = 11;

std::uint16_t indexBelow(std::size_t size, DemoRandom& random) {
    return static_cast<std::uint16_t>(random.below(static_cast<std::uint32_t>(size)));
}

// Mostly the ages of students fresh from school, some older.
Date birthDateOf(DemoRandom& random) {
    int age = random.oneIn(4) ? random.between(25, 60) : random.between(17, 24);
    return Date::fromYmd(2026 - age, random.between(1, 12), random.between(1, 28));
}

}  // namespace

// The n-th SSN is a * n + b over the span: with a prime to the span every n
// below it gives another number, so no set of the numbers used is needed.
std::vector<DemoStudent> makeStudents(std::uint32_t count, DemoRandom& random) {
    std::uint64_t a = 2 * std::uint64_t{random.below(kSsnSpan / 2)} + 1;
    if (a % 5 == 0) a += 2;
    const std::uint64_t b = random.below(kSsnSpan);
    std::vector<DemoStudent> students(count);
    for (std::uint32_t n = 0; n < count; ++n) {
        DemoStudent& s = students[n];
        s.ssn = static_cast<std::uint32_t>(kSsnFirst + (a * n + b) % kSsnSpan);
        s.lastName = indexBelow(lastNames().size(), random);
        s.firstName = indexBelow(firstNames().size(), random);
        s.middleInitial = random.oneIn(3) ? ' ' : static_cast<char>('A' + random.below(26));
        s.street = static_cast<std::uint8_t>(indexBelow(streets().size(), random));
        s.houseNumber = static_cast<std::uint16_t>(random.between(1, 9999));
        if (!random.oneIn(25)) s.birthDate = birthDateOf(random);
    }
    return students;
}

void formatSsn(std::uint32_t ssn, bool dashes, char (&out)[11]) {
    char digits[9];
    for (int i = 8; i >= 0; --i, ssn /= 10) digits[i] = static_cast<char>('0' + ssn % 10);
    std::size_t at = 0;
    for (int i = 0; i < 9; ++i) {
        if (dashes && (i == 3 || i == 5)) out[at++] = '-';
        out[at++] = digits[i];
    }
    while (at < kSsnLength) out[at++] = ' ';
}

std::vector<WrittenFile> writeStudentTable(const std::filesystem::path& directory,
                                           const std::string& tableName,
                                           const std::string& indexName,
                                           std::span<const DemoStudent> students,
                                           std::uint32_t rows, DemoRandom& random) {
    DemoTable table(directory, tableName, kStudentFields);
    const FieldDef& ssn = table.field("SSN");
    const FieldDef& lname = table.field("LNAME");
    const FieldDef& fname = table.field("FNAME");
    const FieldDef& mname = table.field("MNAME");
    const FieldDef& birthDate = table.field("BIRTHDATE");
    const FieldDef& address = table.field("ADDRESS");
    KeyIndex keys(kSsnLength);
    keys.reserve(rows);

    // Each student is kept with the chance rows still wanted / students
    // still to come, which takes exactly `rows` of them.
    std::uint32_t wanted = rows;
    for (std::size_t i = 0; i < students.size() && wanted > 0; ++i) {
        const auto left = static_cast<std::uint32_t>(students.size() - i);
        if (random.below(left) >= wanted) continue;
        --wanted;
        const DemoStudent& s = students[i];
        char* record = table.record();
        char ssnText[kSsnLength];
        formatSsn(s.ssn, true, ssnText);
        writeText(ssn, record, {ssnText, kSsnLength});
        writeText(lname, record, lastNames()[s.lastName]);
        writeText(fname, record, firstNames()[s.firstName]);
        writeText(mname, record, {&s.middleInitial, 1});
        if (!s.birthDate.isZero()) writeDate(birthDate, record, s.birthDate);
        writeText(address, record,
                  std::to_string(s.houseNumber) + " " + std::string(streets()[s.street]));
        keys.add({ssnText, kSsnLength}, table.append(random.oneIn(50)));
    }
    keys.sort();
    std::vector<WrittenFile> written{table.finish()};
    writeNtx((directory / indexName).string(), {"SSN", kSsnLength, 0, false}, keys);
    written.push_back({indexName, static_cast<std::uint32_t>(keys.size()), 0});
    return written;
}

}  // namespace marklift::demo
