#include "core/worktable/student_identity.h"

#include <algorithm>
#include <cctype>

#include "core/session/shared_routines.h"

namespace marklift {
namespace {

bool IsUndashedSsn(const std::string& ssn) {
    return ssn.size() == 9 &&
           std::all_of(ssn.begin(), ssn.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string DashedSsn(const std::string& digits) {
    return digits.substr(0, 3) + "-" + digits.substr(3, 2) + "-" + digits.substr(5);
}

// The first live record with `key`, else the first with it.
bool SeekLive(XbaseTable& students, const FieldDef& ssnField, const std::string& key) {
    if (!students.SeekKey(key)) return false;
    for (; !students.Eof() && students.GetText(ssnField) == key; students.Next())
        if (!students.Deleted()) return true;
    return students.SeekKey(key);
}

}  // namespace

std::string BannerId(const std::string& ssn) {
    return IsUndashedSsn(ssn) ? ssn : CompactSsn(ssn);
}

bool SeekStudent(XbaseTable& students, const FieldDef& ssnField, const std::string& ssn) {
    if (SeekLive(students, ssnField, ssn)) return true;
    return IsUndashedSsn(ssn) && SeekLive(students, ssnField, DashedSsn(ssn));
}

}  // namespace marklift
