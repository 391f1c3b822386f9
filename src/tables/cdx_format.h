// The on-disk layout of FoxPro compact compound indexes (.cdx) and the
// encode/decode pairs that turn its headers and node pages into values and
// back. No other file takes .cdx bytes apart.
//
// A .cdx file is a run of 512-byte pages; every pointer is a byte offset from
// the start of the file and a multiple of 512. The file holds several
// B-trees, each starting with a 1024-byte header: the tag directory (header
// at offset 0), whose keys are the tag names padded to 10 bytes and whose
// record numbers are the offsets of the tags' headers, and one tree per tag.
// Integers are little-endian except inside interior nodes.
//
// Header (1024 bytes)
//   offset size  meaning
//   0      4     root node pointer
//   4      4     free page list (0 or -1: none; written 0)
//   8      4     version counter (written 0)
//   12     2     key length (10 in the tag directory, at most 240)
//   14     1     options: 0x01 unique, 0x08 FOR clause, 0x20 compact,
//                0x40 compound, 0x80 the tag directory itself
//                (so 0xE0 at offset 0 and 0x60 in a plain tag's header)
//   15     1     signature, 1
//   16     2     header length, 1024
//   18     2     page length, 512
//   20     482   reserved, zero
//   502    2     0 ascending, 1 descending
//   504    2     where the FOR expression starts in the pool
//   506    2     FOR expression's length in the pool, its NUL included
//   508    2     where the key expression starts in the pool (0)
//   510    2     key expression's length in the pool, its NUL included
//   512    512   expression pool: key expression, NUL, FOR expression, NUL
//
// Every node page starts with
//   0      2     attributes: 0 interior, 1 root, 2 leaf, 3 root and leaf
//   2      2     number of keys
//   4      4     left sibling pointer (-1: none)
//   8      4     right sibling pointer (-1: none)
//
// Interior node: from offset 12, one entry per key (at most 500 / (k + 8)
// of them, k the key length), each pointing at a child whose subtree ends
// with that key:
//   +0     k     the child's last key, in full
//   +k     4     its record number, big-endian
//   +k+4   4     child node pointer, big-endian
//
// Compact leaf node: keys lose the bytes they share with the key before them
// in the node ("duplicate" bytes) and their trailing pad bytes (blanks for
// character keys and tag names, NULs for numeric and date keys).
//   12     2     free bytes between the entries and the key bytes
//   14     4     record number mask, (1 << R) - 1
//   18     1     duplicate count mask, (1 << D) - 1
//   19     1     trailing count mask, (1 << T) - 1
//   20     1     R, record number bits
//   21     1     D, duplicate count bits
//   22     1     T, trailing count bits
//   23     1     E, bytes per entry
//   24     n*E   entries, growing up from here; each an E-byte number:
//                  bits 0 .. R-1         record number
//                  bits R .. R+D-1       duplicate count (0 in the first entry)
//                  bits R+D .. R+D+T-1   trailing count
//   ...          key bytes, growing down from the page's end: entry i keeps
//                its k - duplicate - trailing middle bytes just below those
//                of entry i-1
//
// Keys are kept in ascending byte order, equal keys by record number; the
// descending flag is carried along, not acted on. Numeric and date keys are
// 8-byte big-endian doubles with the sign bit set (all bits inverted for
// negative values) so that byte order is numeric order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marklift {

inline constexpr std::size_t kCdxPageSize = 512;
inline constexpr std::size_t kCdxHeaderSize = 1024;
inline constexpr std::size_t kCdxExpressionPoolSize = 512;
inline constexpr std::size_t kCdxMaxKeyLength = 240;
inline constexpr std::size_t kCdxTagNameLength = 10;
inline constexpr std::size_t kCdxNumericKeyLength = 8;
inline constexpr std::uint32_t kCdxNoPage = 0xFFFFFFFF;
inline constexpr std::size_t kCdxLeafHeaderSize = 24;
// The most entries a leaf can hold: one byte each, no key bytes.
inline constexpr std::size_t kCdxMaxLeafKeys = kCdxPageSize - kCdxLeafHeaderSize;

inline constexpr std::uint8_t kCdxUnique = 0x01;
inline constexpr std::uint8_t kCdxForClause = 0x08;
inline constexpr std::uint8_t kCdxCompact = 0x20;
inline constexpr std::uint8_t kCdxCompound = 0x40;
inline constexpr std::uint8_t kCdxTagDirectory = 0x80;

inline constexpr std::uint16_t kCdxRootNode = 1;
inline constexpr std::uint16_t kCdxLeafNode = 2;

inline constexpr char kCdxCharacterPad = ' ';
inline constexpr char kCdxNumericPad = '\0';

// Where a header or page came from, for the text of an EXbaseError.
struct CdxPlace {
    const std::string& file;
    std::uint64_t offset;
    // Throws EXbaseError(BadIndex) naming the file and the offset.
    [[noreturn]] void fail(const std::string& problem) const;
};

struct CdxHeader {
    std::uint32_t root = 0;
    std::uint16_t keyLength = 0;
    std::uint8_t options = 0;
    bool descending = false;
    std::string keyExpression;
    std::string forExpression;
};

// `out` receives kCdxHeaderSize bytes. The expressions must fit the pool.
void encodeCdxHeader(const CdxHeader& header, unsigned char* out);
// Reads kCdxHeaderSize bytes; checks the pool entries and the key length.
CdxHeader decodeCdxHeader(const unsigned char* in, const CdxPlace& place);

struct CdxNodeHeader {
    std::uint16_t attributes = 0;
    std::uint16_t keyCount = 0;
    std::uint32_t left = kCdxNoPage;
    std::uint32_t right = kCdxNoPage;

    bool isLeaf() const { return (attributes & kCdxLeafNode) != 0; }
    bool isRoot() const { return (attributes & kCdxRootNode) != 0; }
};

void encodeCdxNodeHeader(const CdxNodeHeader& node, unsigned char* page);
CdxNodeHeader decodeCdxNodeHeader(const unsigned char* page);

// Interior nodes.
struct CdxInteriorEntry {
    std::string_view key;  // keyLength bytes
    std::uint32_t recno = 0;
    std::uint32_t child = 0;
};

std::size_t cdxInteriorCapacity(std::size_t keyLength);
void encodeCdxInteriorEntry(const CdxInteriorEntry& entry, std::size_t index, unsigned char* page);
// The caller has checked that `index` is below the node's key count and that
// the count fits the page.
CdxInteriorEntry decodeCdxInteriorEntry(const unsigned char* page, std::size_t index,
                                        std::size_t keyLength);

// Compact leaf nodes.
struct CdxLeafLayout {
    unsigned recnoBits = 0;
    unsigned duplicateBits = 0;
    unsigned trailingBits = 0;
    unsigned entryBytes = 0;
};

// The narrowest layout (never under three bytes an entry) that holds record
// numbers up to `maxRecno` and counts up to `keyLength`; leftover bits go to
// the record number.
CdxLeafLayout cdxLeafLayout(std::size_t keyLength, std::uint32_t maxRecno);

// Fills one leaf page entry by entry.
class CdxLeafEncoder {
public:
    CdxLeafEncoder(std::size_t keyLength, char pad, CdxLeafLayout layout);

    // Starts an empty node.
    void clear();
    // Appends an entry (keyLength bytes, recno within the layout); false, and
    // nothing added, when the node has no room for it.
    bool add(std::string_view key, std::uint32_t recno);
    std::size_t count() const { return count_; }
    // The finished page, valid until the next call.
    const unsigned char* finish(std::uint16_t attributes, std::uint32_t left, std::uint32_t right);

private:
    std::size_t keyLength_;
    char pad_;
    CdxLeafLayout layout_;
    std::array<unsigned char, kCdxPageSize> page_{};
    std::size_t count_ = 0;
    std::size_t keyBytes_ = 0;
    std::string previous_;
};

// A decoded leaf: key i is keys[i * keyLength, (i + 1) * keyLength).
struct CdxLeaf {
    CdxNodeHeader node;
    std::vector<std::uint32_t> recnos;
    std::string keys;
};

// Decodes a leaf page into `out` (its buffers are reused), checking the bit
// layout, every entry's counts and the free space against the page.
void decodeCdxLeaf(const unsigned char* page, std::size_t keyLength, char pad,
                   const CdxPlace& place, CdxLeaf& out);

// The 8 key bytes of a number in a numeric or date tag.
std::string encodeCdxNumberKey(double value);

}  // namespace marklift
