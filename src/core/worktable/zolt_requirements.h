// What the builder requires of ZOLT's tables, checked before it reads them:
// a table or field that is not there stops the run with the engine's error
// naming it, where reading on would ask in vain to retry or leave blanks and
// zeros in the upload file.
#pragma once

#include <string>

namespace marklift {

class XbaseTable;

// The table's .dbf exists. A missing table is no passing lock that a retry
// could wait out. Throws EXbaseError(OpenFailed) naming the file.
void RequireZoltTable(const XbaseTable& table);

// The same for an .ntx file (program path).
void RequireZoltIndex(const std::string& fileName);

// A placement, assessment or score table, open, its filter set: it has SSN,
// CODE and DATE, and each record the copy takes has the field that scores
// its code (CORRECT for an assessment code, SCORE for a score code). Throws
// EXbaseError(NoSuchField) naming the file and the field.
void RequireGatheredFields(XbaseTable& source);

// An open student table has SSN, LNAME, FNAME, MNAME and BIRTHDATE.
void RequireStudentFields(const XbaseTable& students);

}  // namespace marklift
