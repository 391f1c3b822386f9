// FoxPro structural compound indexes (.cdx, compact format): the tag list,
// each tag's keys read whole into a KeyIndex, and whole files written from
// tags. The page layout is documented at the top of cdx_format.h.
//
// Keys in a KeyIndex are in the form the pages sort them by: character keys
// as their padded bytes; date and numeric keys as the 8-byte big-endian
// double with the sign bit flipped (all bits inverted for negatives), so
// that byte order is numeric order. Dates are Julian day numbers, a blank
// date 0.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/byte_source.h"
#include "tables/date.h"
#include "tables/key_index.h"
#include "tables/tag_keys.h"

namespace marklift {

struct CdxTag {
    std::string name;  // upper case, at most 10 characters
    std::string keyExpression;
    std::string forExpression;    // empty: no condition
    std::uint16_t keyLength = 0;  // 8 for date and numeric keys
    // False for date and numeric keys. The file does not record it: the
    // reader takes an 8-byte tag whose first key starts with a byte of 0x80
    // or more (every date key does) for a numeric one.
    bool characterKeys = true;
    bool descending = false;
    bool unique = false;
};

// The key bytes of a date in a date tag.
std::string cdxDateKey(Date date, bool blank);

class CdxReader {
public:
    // Reads the header and the tag directory. Throws EXbaseError(BadIndex)
    // naming the source for a damaged file.
    explicit CdxReader(const ByteSource& source);
    const std::vector<CdxTag>& tags() const { return tags_; }
    // Every key of tag `i`, in index order. Throws EXbaseError(BadIndex) for
    // damaged pages (pointers outside the file, loops, bad counts).
    KeyIndex readKeys(std::size_t i) const;
    // The same one at a time, a page in memory at a time.
    void forEachKey(std::size_t i, const KeyVisitor& visit) const;

private:
    // Throws EXbaseError(NoSuchOrder) when there is no tag `i`.
    const CdxTag& tagAt(std::size_t i) const;
    template <typename OnLeaf>
    void walkTagLeaves(std::size_t i, OnLeaf&& onLeaf) const;

    const ByteSource& source_;
    std::vector<CdxTag> tags_;
    std::vector<std::uint32_t> tagHeaderOffsets_;
};

// Writes a whole .cdx holding `tags`, replacing any file of that name. The
// keys of tag i are asked for once, in tag order, so only one tag's keys need
// be in memory at a time; they come sorted.
void writeCdx(const std::string& nativePath, const std::vector<CdxTag>& tags,
              const std::function<TagKeys(std::size_t)>& keysOfTag);

}  // namespace marklift
