// Small routines shared by every subsystem: directory texts, zero-padded
// numbers, the compact social security number, and opening a table with
// retries and the question whether to go on trying.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/session/user_interface.h"
#include "tables/xbase_table.h"

namespace marklift {

// The first 255 characters of `directory`, with a backslash appended unless
// that text already ends in one or has all 255 characters. "" gives "\".
std::string WithTrailingBackslash(const std::string& directory);

// `value` in decimal with "0"s in front up to `width` characters; never cut.
// The zeros go in front of a minus sign: ZeroPad(-5, 3) is "0-5".
std::string ZeroPad(std::int64_t value, int width);
// The same, appended to `text`: an export pads several values a record.
void AppendZeroPadded(std::string& text, std::int64_t value, int width);

// Characters 1-3, 5-6 and 8-11 of "123-45-6789"; nothing is checked, and a
// short text gives what it has of those ranges.
std::string CompactSsn(const std::string& ssn);

// Closes `table` when open and opens it, trying again while the engine
// refuses: silently twelve times, then asking the user whether to retry.
// False when the user gave up, after telling them the program will end; the
// caller must then throw ProgramCancelled. Errors other than EXbaseError
// reach the caller unchanged.
bool OpenWithRetry(XbaseTable& table, UserInterface& ui);

// The retry loop of OpenWithRetry without the engine: `attempt` opens (or
// throws EXbaseError), `question` is asked after each twelfth failure
// (UserInterface::askRetry, told the last failure's text).
bool OpenWithRetry(const std::function<void()>& attempt, const std::string& question,
                   UserInterface& ui);

// "Unable to open Table: " + directory + name + ".ADT." or ".CDX." + CRLF +
// "OK to retry?".
std::string OpenRetryQuestion(const std::string& databaseName, const std::string& tableName,
                              TableType type);

}  // namespace marklift
