#include "core/worktable/code_translation.h"

#include "core/session/shared_routines.h"
#include "tables/xbase_table.h"

namespace marklift {
namespace {

constexpr std::size_t kPlacementCodeLength = 4;
constexpr int kTestScoreWidth = 4;

// Blank as the original's trimming saw it: blanks and control characters.
bool IsBlank(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

// Seeks the first row of `code` that is not deleted; the rows of one code
// stand together in CODE order.
bool SeekLiveCode(XbaseTable& codes, const std::string& code) {
    if (!codes.SeekKey(code)) return false;
    while (codes.Deleted()) {
        codes.Next();
        if (codes.Eof() || codes.GetText("Code") != code) return false;
    }
    return true;
}

}  // namespace

bool IsPlacementCode(const std::string& code) {
    return code.size() == kPlacementCodeLength;
}

bool IsScoreCode(const std::string& code) {
    return !IsPlacementCode(code) && !code.empty() && code.front() == 'S';
}

CodeLookup LookUpCode(XbaseTable* codes, const std::string& code) {
    if (!codes) return {CodeLookup::Result::NoTable, {}};
    if (!SeekLiveCode(*codes, code)) return {CodeLookup::Result::NotFound, {}};
    std::string newCode = codes->GetText("NewCode");
    if (!codes->GetBool("Include") || IsBlank(newCode)) return {CodeLookup::Result::Excludes, {}};
    return {CodeLookup::Result::Selects, newCode};
}

bool HasLiveRow(XbaseTable& codes) {
    for (codes.First(); !codes.Eof(); codes.Next())
        if (!codes.Deleted()) return true;
    return false;
}

Translation TranslateCode(const std::string& code, std::int64_t correct, std::int64_t score,
                          const CodeLookup& lookup) {
    std::string scoreText;
    std::string ownCode;
    if (IsPlacementCode(code)) {
        // The level is the code's last two characters, the subject its first two.
        scoreText = code.substr(2, 2);
        ownCode = code.substr(0, 2);
    } else {
        scoreText = ZeroPad(IsScoreCode(code) ? score : correct, kTestScoreWidth);
        ownCode = code;
    }
    switch (lookup.result) {
        case CodeLookup::Result::NoTable:
            return {Translation::Action::Set, ownCode, scoreText};
        case CodeLookup::Result::Selects:
            return {Translation::Action::Set, lookup.newCode, scoreText};
        case CodeLookup::Result::Excludes:
            return {Translation::Action::Delete, {}, {}};
        case CodeLookup::Result::NotFound:
            break;
    }
    return {Translation::Action::Keep, {}, {}};
}

}  // namespace marklift
