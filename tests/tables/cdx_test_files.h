// Files for the .cdx tests: fixture bytes and a reader holding both its
// source and its result.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tables/byte_source.h"
#include "tables/cdx_index.h"

namespace marklift::testing {

inline std::string fixturePath(const std::string& relative) {
    return std::string(MARKLIFT_FIXTURES) + "/" + relative;
}

inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A CdxReader over bytes in memory, owning them.
struct MemoryCdx {
    MemoryCdx(std::string name, std::vector<unsigned char> bytes)
        : source(std::move(name), std::move(bytes)), reader(source) {}
    MemoryCdx(const MemoryCdx&) = delete;
    MemoryCdx& operator=(const MemoryCdx&) = delete;
    MemoryByteSource source;
    CdxReader reader;
};

// Opens the bytes and reads every tag, as a table opening the file would.
inline void readEverything(const std::string& name, std::vector<unsigned char> bytes) {
    MemoryCdx cdx(name, std::move(bytes));
    for (std::size_t i = 0; i < cdx.reader.tags().size(); ++i) cdx.reader.readKeys(i);
}

}  // namespace marklift::testing
