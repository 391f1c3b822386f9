// What the .dbf tests share: whole-file byte access, fixture paths and record
// building.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "tables/field.h"

namespace marklift::test {

inline std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::string fixturePath(const std::string& relative) {
    return std::string(MARKLIFT_FIXTURES) + "/" + relative;
}

// A present record holding `texts` in the fields in order; fields without a
// text stay blank.
inline std::string makeRecord(const FieldList& fields,
                              std::initializer_list<std::string_view> texts) {
    std::string record(fields.recordLength(), ' ');
    std::size_t i = 0;
    for (std::string_view text : texts) writeText(fields[i++], record.data(), text);
    return record;
}

}  // namespace marklift::test
