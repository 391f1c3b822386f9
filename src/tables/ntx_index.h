// Clipper .ntx single-order index files: read whole into a KeyIndex, and
// written from one. The page layout is documented at the top of ntx_format.h.
#pragma once

#include <cstdint>
#include <string>

#include "tables/byte_source.h"
#include "tables/key_index.h"

namespace marklift {

struct NtxHeader {
    std::string keyExpression;
    std::uint16_t keyLength = 0;
    std::uint16_t keyDecimals = 0;
    bool unique = false;
};

struct NtxContents {
    NtxHeader header;
    KeyIndex keys;  // in index order; keys exactly as stored in the pages
};

// Walks every page of the B-tree. Throws EXbaseError(BadIndex) naming the
// source (and the page offset) for a damaged file: a bad header, a page or
// record pointer outside the file, a loop between pages, keys out of order
// or a tree deeper than any real index.
NtxContents readNtx(const ByteSource& source);

// Writes a complete, multi-level index for `keys` (already sorted), in the
// layout Clipper itself writes, replacing any file of that name.
void writeNtx(const std::string& nativePath, const NtxHeader& header, const KeyIndex& keys);

}  // namespace marklift
