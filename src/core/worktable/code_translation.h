// How a gathered record's ZOLT code becomes the test code and score Banner
// expects: the shape of the code picks the code table, the table's row (or
// its absence) picks the outcome.
#pragma once

#include <cstdint>
#include <string>

namespace marklift {

class XbaseTable;

// A code of exactly four characters is a placement code, whatever table it
// was gathered from; any other is a test code (assessment or score).
bool IsPlacementCode(const std::string& code);
// A test code that begins with an upper-case S is a score code, scored by
// SCORE; every other test code (a lower-case s and the empty code included)
// is an assessment code, scored by CORRECT.
bool IsScoreCode(const std::string& code);

// What a code table says about one code.
struct CodeLookup {
    enum class Result {
        NoTable,   // the table does not exist in this run
        NotFound,  // no row with that code
        Selects,   // a row that is included and has a new code
        Excludes,  // a row that is not included, or whose new code is blank
    };
    Result result = Result::NoTable;
    std::string newCode;  // with Selects: NEWCODE without trailing blanks
};

// Seeks `code` on the code table's active CODE order; `codes` is nullptr when
// the table takes no part in the run. A row the user deleted is no row: it
// stays in the file, and in the order, until a pack.
CodeLookup LookUpCode(XbaseTable* codes, const std::string& code);

// Whether an open code table has a row that is not deleted. One without
// could only blank codes, never translate or exclude one, so a run leaves
// it out as if it were not there.
bool HasLiveRow(XbaseTable& codes);

struct Translation {
    enum class Action {
        Keep,    // TESTCODE and TESTSCORE stay as the copy left them
        Set,     // store testCode and testScore
        Delete,  // the record leaves the work table
    };
    Action action = Action::Keep;
    std::string testCode;
    std::string testScore;
};

// `code` is CODE without trailing blanks; `correct` and `score` are the
// record's CORRECT and SCORE (0 when empty).
Translation TranslateCode(const std::string& code, std::int64_t correct, std::int64_t score,
                          const CodeLookup& lookup);

}  // namespace marklift
