// The field-definition strings tables are created from: items of name, type
// letter, length and decimals separated by commas, each ended by a
// semicolon, blanks around every part ignored:
//   "CODE,     C, 4,0;INCLUDE,  L, 1,0;"
#pragma once

#include <string_view>

#include "tables/field.h"

namespace marklift {

// Types C (length 1..254), D (length 8), L (length 1) and N (length 1..20,
// decimals below length - 1 when not 0); names of 1..10 letters, digits or
// underscores beginning with a letter, unique without regard to case.
// Throws EXbaseError(BadFieldDefinition) naming the string and the faulty item.
FieldList parseFieldDefinitions(std::string_view definitions);

}  // namespace marklift
