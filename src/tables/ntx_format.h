// The on-disk layout of Clipper .ntx index files, and the encode/decode
// pairs the reader (ntx_index.cpp) and the writer (ntx_writer.cpp) share.
// All integers are little-endian; a file is a sequence of 1024-byte pages.
//
// HEADER PAGE (page 0, file offset 0)
//
//   Offset  Size  Meaning
//   ------  ----  --------------------------------------------------------
//        0     2  Signature: 0x0006 (Clipper 5), 0x0003 (older Clipper) in
//                 the low byte, where bit 0x10 may be set as well: its
//                 writers lock at CA-Clipper 5.2's new offset (see
//                 clipper_locks.h). The high byte is left to the writer.
//        2     2  Version: a counter bumped on every update; 1 when built.
//        4     4  File offset of the root page.
//        8     4  File offset of the first unused page (0: none). Unused
//                 pages chain through their first 4 bytes; reading ignores
//                 them.
//       12     2  Item size: key length + 8.
//       14     2  Key length, 1..256.
//       16     2  Decimals of a numeric key.
//       18     2  Max items: the most keys one page holds.
//       20     2  Half page: max items / 2, the fewest keys a page other
//                 than the root keeps.
//       22   256  Key expression, NUL-terminated.
//      278     1  Unique flag: 1 for a unique index, else 0.
//      279   745  Zero in files written here; other writers may keep order
//                 details of their own, which the reader does not need.
//
// B-TREE PAGE (every other page, at a file offset that is a multiple of 1024)
//
//   Offset  Size             Meaning
//   ------  ---------------  -----------------------------------------------
//        0  2                N: keys on this page, 0..max items.
//        2  2*(max items+1)  Slot table: the offset within the page of items
//                            0..max items. Only slots 0..N are in use.
//        -  item size each   The items, wherever the slots point.
//
// ITEM (at a slot offset)
//
//   Offset  Size        Meaning
//   ------  ----------  ---------------------------------------------------
//        0  4           File offset of the child page holding the keys that
//                       sort before this item's key; 0 in a leaf page.
//        4  4           Record number, counted from 1.
//        8  key length  The key bytes, compared as unsigned bytes.
//
// Item N holds no key: only its child pointer is used, for the keys after
// key N-1. Keys live in branch pages as well as leaves, so the keys in index
// order are: child(0), key 0, child(1), key 1, ..., key N-1, child(N).
//
// Capacity: a page has room for the count, max items + 1 slots and max items
// + 1 items; Clipper then rounds max items down to an even number so that a
// split leaves two equal halves (key length 11: 48 items fit, max items 46).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "tables/byte_order.h"

namespace marklift {

inline constexpr std::size_t kNtxPageSize = 1024;
inline constexpr std::size_t kNtxMaxKeyLength = 256;
inline constexpr std::size_t kNtxItemOverhead = 8;  // child pointer + record number
inline constexpr std::size_t kNtxKeyExpressionSize = 256;
inline constexpr std::uint16_t kNtxSignature = 0x0006;
inline constexpr std::uint16_t kNtxOldSignature = 0x0003;
inline constexpr std::uint16_t kNtxNewLockOffsetFlag = 0x0010;
// Every page but the root holds a key or more, so a tree 33 levels deep would
// hold more keys than record numbers can count: anything deeper is damage.
inline constexpr int kNtxMaxDepth = 32;

struct NtxHeaderPage {
    std::uint16_t signature = kNtxSignature;
    std::uint16_t version = 1;
    std::uint32_t rootOffset = 0;
    std::uint32_t freeListOffset = 0;
    std::uint16_t itemSize = 0;
    std::uint16_t keyLength = 0;
    std::uint16_t keyDecimals = 0;
    std::uint16_t maxItems = 0;
    std::uint16_t halfItems = 0;
    std::string keyExpression;
    bool keyExpressionTerminated = true;  // false: no NUL in its 256 bytes
    bool unique = false;
};

// One item of a B-tree page; `key` points into the page.
struct NtxItem {
    std::uint32_t child = 0;
    std::uint32_t recno = 0;
    const unsigned char* key = nullptr;
};

// Max items for a key length, by the capacity rule above.
inline std::uint16_t ntxMaxItems(std::size_t keyLength) {
    const std::size_t items = (kNtxPageSize - 2) / (keyLength + kNtxItemOverhead + 2);
    const std::size_t max = items - 1;
    return static_cast<std::uint16_t>(max - max % 2);
}

// Where the items start: just past the slot table.
inline std::size_t ntxFirstItemOffset(std::size_t maxItems) {
    return 2 + 2 * (maxItems + 1);
}

// True when a page has room for max items + 1 slots and items.
inline bool ntxPageHolds(std::size_t maxItems, std::size_t itemSize) {
    return ntxFirstItemOffset(maxItems) + (maxItems + 1) * itemSize <= kNtxPageSize;
}

inline NtxHeaderPage decodeNtxHeader(const unsigned char* page) {
    NtxHeaderPage h;
    h.signature = decodeLE16(page + 0);
    h.version = decodeLE16(page + 2);
    h.rootOffset = decodeLE32(page + 4);
    h.freeListOffset = decodeLE32(page + 8);
    h.itemSize = decodeLE16(page + 12);
    h.keyLength = decodeLE16(page + 14);
    h.keyDecimals = decodeLE16(page + 16);
    h.maxItems = decodeLE16(page + 18);
    h.halfItems = decodeLE16(page + 20);
    const auto* expression = reinterpret_cast<const char*>(page + 22);
    const auto* end = static_cast<const char*>(std::memchr(expression, 0, kNtxKeyExpressionSize));
    h.keyExpressionTerminated = end != nullptr;
    h.keyExpression.assign(expression, end ? end : expression + kNtxKeyExpressionSize);
    h.unique = page[278] != 0;
    return h;
}

// Fills a whole page; the expression must be shorter than 256 bytes.
inline void encodeNtxHeader(const NtxHeaderPage& h, unsigned char* page) {
    std::fill(page, page + kNtxPageSize, 0);
    encodeLE16(page + 0, h.signature);
    encodeLE16(page + 2, h.version);
    encodeLE32(page + 4, h.rootOffset);
    encodeLE32(page + 8, h.freeListOffset);
    encodeLE16(page + 12, h.itemSize);
    encodeLE16(page + 14, h.keyLength);
    encodeLE16(page + 16, h.keyDecimals);
    encodeLE16(page + 18, h.maxItems);
    encodeLE16(page + 20, h.halfItems);
    std::memcpy(page + 22, h.keyExpression.data(), h.keyExpression.size());
    page[278] = h.unique ? 1 : 0;
}

inline std::uint16_t decodeNtxKeyCount(const unsigned char* page) {
    return decodeLE16(page);
}
inline void encodeNtxKeyCount(unsigned char* page, std::uint16_t count) {
    encodeLE16(page, count);
}

inline std::uint16_t decodeNtxSlot(const unsigned char* page, std::size_t slot) {
    return decodeLE16(page + 2 + 2 * slot);
}
inline void encodeNtxSlot(unsigned char* page, std::size_t slot, std::uint16_t itemOffset) {
    encodeLE16(page + 2 + 2 * slot, itemOffset);
}

// The caller has checked that the item lies inside the page.
inline NtxItem decodeNtxItem(const unsigned char* page, std::size_t itemOffset) {
    const unsigned char* item = page + itemOffset;
    return {decodeLE32(item), decodeLE32(item + 4), item + kNtxItemOverhead};
}
inline void encodeNtxItem(unsigned char* page, std::size_t itemOffset, std::uint32_t child,
                          std::uint32_t recno, std::string_view key) {
    unsigned char* item = page + itemOffset;
    encodeLE32(item, child);
    encodeLE32(item + 4, recno);
    if (!key.empty()) std::memcpy(item + kNtxItemOverhead, key.data(), key.size());
}

}  // namespace marklift
