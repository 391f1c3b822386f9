// Who a gathered record belongs to: the identifier Banner knows the student
// by, made from the SSN, and the student's record in ZOLT's student table.
#pragma once

#include <string>

#include "tables/xbase_table.h"

namespace marklift {

// An SSN kept as nine digits without dashes is the identifier as it stands;
// any other shape gives CompactSsn's characters (1-3, 5-6 and 8-11).
std::string BannerId(const std::string& ssn);

// Moves `students`, on its SSN order, to the student of `ssn`: looked up as
// stored, then, for nine digits without dashes, in the dashed form
// NNN-NN-NNNN. Of several records with one SSN a live one is taken before
// one marked deleted. False when neither form is found. `ssnField` is the
// table's SSN field, found once by the caller (XbaseTable::Field).
bool SeekStudent(XbaseTable& students, const FieldDef& ssnField, const std::string& ssn);

}  // namespace marklift
