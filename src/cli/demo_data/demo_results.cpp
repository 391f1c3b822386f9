#include "cli/demo_data/demo_results.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "cli/demo_data/demo_names.h"
#include "cli/demo_data/zolt_layouts.h"
#include "cli/demo_data/zolt_reference.h"
#include "tables/field.h"

namespace marklift::demo {
namespace {

constexpr std::size_t kSubscores = 10;

// The codes of the period's LEVELS or TEST rows that this kind of result
// carries: score codes begin with "S", assessment codes do not.
std::vector<std::string_view> codesOf(ResultKind kind) {
    std::vector<std::string_view> codes;
    if (kind == ResultKind::Placement) {
        for (const LevelRow& row : levelRows())
            if (std::find(codes.begin(), codes.end(), row.code) == codes.end())
                codes.push_back(row.code);
        return codes;
    }
    for (const TestRow& row : testRows())
        if ((row.code.front() == 'S') == (kind == ResultKind::Score)) codes.push_back(row.code);
    return codes;
}

std::string zeroPadded(std::uint32_t value, std::size_t width) {
    std::string digits = std::to_string(value);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

class ResultMaker {
public:
    ResultMaker(DemoTable& table, const ResultPlan& plan, std::span<const DemoStudent> students,
                DemoRandom& random);
    void fill(std::uint32_t index, char* record);

private:
    void fillPlacement(const DemoStudent& student, char* record);
    void fillTestResult(char* record);
    Date dateOf(std::uint32_t index);

    const ResultPlan& plan_;
    std::span<const DemoStudent> students_;
    DemoRandom& random_;
    std::vector<std::string_view> codes_;
    const FieldDef& ssn_;
    const FieldDef& code_;
    const FieldDef& date_;
    const FieldDef& group_;
    const FieldDef& attempt_;
    // Placements only.
    const FieldDef* lname_ = nullptr;
    const FieldDef* fname_ = nullptr;
    const FieldDef* mname_ = nullptr;
    const FieldDef* duplicate_ = nullptr;  // master only
    // Assessments and scores only.
    const FieldDef* correct_ = nullptr;
    const FieldDef* score_ = nullptr;
    std::vector<const FieldDef*> subscores_;
    const FieldDef* retest_ = nullptr;  // master only
};

ResultMaker::ResultMaker(DemoTable& table, const ResultPlan& plan,
                         std::span<const DemoStudent> students, DemoRandom& random)
    : plan_(plan),
      students_(students),
      random_(random),
      codes_(codesOf(plan.kind)),
      ssn_(table.field("SSN")),
      code_(table.field("CODE")),
      date_(table.field("DATE")),
      group_(table.field("GRPNUMBER")),
      attempt_(table.field("ATTEMPT")) {
    if (plan.kind == ResultKind::Placement) {
        lname_ = &table.field("LNAME");
        fname_ = &table.field("FNAME");
        mname_ = &table.field("MNAME");
        if (plan.master) duplicate_ = &table.field("DUPLICATE");
    } else {
        correct_ = &table.field("CORRECT");
        score_ = &table.field("SCORE");
        for (std::size_t i = 1; i <= kSubscores; ++i)
            subscores_.push_back(&table.field("SS" + std::to_string(i)));
        if (plan.master) retest_ = &table.field("RETEST");
    }
}

Date ResultMaker::dateOf(std::uint32_t index) {
    if (random_.oneIn(100)) return {};
    if (plan_.today && random_.oneIn(40)) return *plan_.today;
    const std::uint64_t days = plan_.testingDays.size();
    return plan_.testingDays[std::size_t(index * days / plan_.records)];
}

void ResultMaker::fill(std::uint32_t index, char* record) {
    const DemoStudent& student = random_.pick(students_);
    char ssnText[11];
    formatSsn(student.ssn, !random_.oneIn(150), ssnText);
    writeText(ssn_, record, {ssnText, sizeof ssnText});
    if (Date date = dateOf(index); !date.isZero()) writeDate(date_, record, date);
    writeInteger(attempt_, record, random_.oneIn(5) ? random_.between(2, 3) : 1);
    if (plan_.kind == ResultKind::Placement) {
        fillPlacement(student, record);
    } else {
        fillTestResult(record);
    }
}

void ResultMaker::fillPlacement(const DemoStudent& student, char* record) {
    writeText(*lname_, record, lastNames()[student.lastName]);
    writeText(*fname_, record, firstNames()[student.firstName]);
    writeText(*mname_, record, {&student.middleInitial, 1});
    // Now and then a code the period's LEVELS lacks.
    writeText(code_, record, random_.oneIn(100) ? "XX99" : random_.pick(codes_));
    writeText(group_, record, zeroPadded(random_.below(30'000), 7));
    if (duplicate_) writeLogical(*duplicate_, record, !random_.oneIn(8));
}

void ResultMaker::fillTestResult(char* record) {
    // Assessments now and then lack a code; ZOLT leaves it empty.
    const bool noCode = plan_.kind == ResultKind::Assessment && random_.oneIn(100);
    writeText(code_, record, noCode ? "" : random_.pick(codes_));
    if (!random_.oneIn(100)) writeInteger(*correct_, record, random_.between(0, 60));
    writeInteger(*score_, record, random_.between(20, 999));
    // Tests have from none to all ten subscores, the first ones filled.
    const std::size_t filled = random_.below(kSubscores + 1);
    for (std::size_t i = 0; i < filled; ++i)
        writeInteger(*subscores_[i], record, random_.between(0, 99));
    if (!random_.oneIn(8)) writeText(group_, record, "G" + zeroPadded(random_.below(30'000), 6));
    if (retest_) {
        static constexpr std::array<std::string_view, 10> kRetest = {"",  "",  "",  "",  "",
                                                                     "Y", "Y", "N", "N", "n"};
        writeText(*retest_, record, random_.pick(kRetest));
    }
}

}  // namespace

WrittenFile writeResultTable(const std::filesystem::path& directory, const std::string& name,
                             const ResultPlan& plan, std::span<const DemoStudent> students,
                             DemoRandom& random) {
    const bool placement = plan.kind == ResultKind::Placement;
    std::string definitions(placement ? kPlacementFields : kTestResultFields);
    if (plan.master) definitions += placement ? kPlacementMasterField : kTestResultMasterField;
    DemoTable table(directory, name, definitions);
    ResultMaker maker(table, plan, students, random);
    for (std::uint32_t i = 0; i < plan.records; ++i) {
        maker.fill(i, table.record());
        table.append(random.oneIn(40));
    }
    return table.finish();
}

}  // namespace marklift::demo
