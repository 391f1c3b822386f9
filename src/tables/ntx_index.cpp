// Reading a Clipper .ntx index: the header page is checked, then the B-tree
// is walked in key order, one page read at a time, into a KeyIndex. Every
// pointer and count is checked before it is followed.
#include "tables/ntx_index.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "tables/ntx_format.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using Page = std::array<unsigned char, kNtxPageSize>;

[[noreturn]] void damaged(const ByteSource& source, const std::string& what) {
    throw EXbaseError(XbaseErrorCode::BadIndex,
                      "Index file " + source.name() + " is damaged: " + what);
}

[[noreturn]] void damagedPage(const ByteSource& source, std::uint64_t page,
                              const std::string& what) {
    damaged(source, "page at offset " + std::to_string(page) + ": " + what);
}

void readPage(const ByteSource& source, std::uint64_t offset, Page& page) {
    try {
        source.read(offset, page.data(), page.size());
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::IoError, e.what());
    }
}

// A page pointer worth following: page-aligned, past the header, and a
// whole page inside the file.
bool isPageOffset(std::uint64_t offset, std::uint64_t fileSize) {
    return offset % kNtxPageSize == 0 && offset >= kNtxPageSize && fileSize >= kNtxPageSize &&
           offset <= fileSize - kNtxPageSize;
}

NtxHeaderPage readHeader(const ByteSource& source) {
    if (source.size() < kNtxPageSize) {
        damaged(source, "the file is " + std::to_string(source.size()) +
                            " bytes long, shorter than its header page");
    }
    Page page;
    readPage(source, 0, page);
    NtxHeaderPage h = decodeNtxHeader(page.data());

    const unsigned kind = h.signature & 0xFF & ~kNtxNewLockOffsetFlag;
    if (kind != kNtxSignature && kind != kNtxOldSignature)
        damaged(source, "signature " + std::to_string(h.signature) + " is not a Clipper index");
    if (h.keyLength == 0 || h.keyLength > kNtxMaxKeyLength)
        damaged(source, "key length " + std::to_string(h.keyLength) + " is outside 1..256");
    if (h.itemSize != h.keyLength + kNtxItemOverhead) {
        damaged(source, "item size " + std::to_string(h.itemSize) + " does not match key length " +
                            std::to_string(h.keyLength));
    }
    if (h.maxItems == 0 || !ntxPageHolds(h.maxItems, h.itemSize)) {
        damaged(source, std::to_string(h.maxItems) + " items of " + std::to_string(h.itemSize) +
                            " bytes cannot fit in a page");
    }
    if (!h.keyExpressionTerminated) damaged(source, "the key expression is not terminated");
    if (!isPageOffset(h.rootOffset, source.size())) {
        damaged(source,
                "root page offset " + std::to_string(h.rootOffset) + " is not a page of the file");
    }
    return h;
}

class TreeWalker {
public:
    TreeWalker(const ByteSource& source, const NtxHeaderPage& header, KeyIndex& keys)
        : source_(source),
          header_(header),
          keys_(keys),
          visited_(source.size() / kNtxPageSize, false) {}
    TreeWalker(const TreeWalker&) = delete;
    TreeWalker& operator=(const TreeWalker&) = delete;

    // Appends the keys of the subtree at `offset` (a checked page offset).
    void walk(std::uint32_t offset, int depth) {
        if (depth > kNtxMaxDepth) damagedPage(source_, offset, "the tree is too deep");
        if (visited_[offset / kNtxPageSize])
            damagedPage(source_, offset, "the page is reached twice (a loop)");
        visited_[offset / kNtxPageSize] = true;

        Page page;
        readPage(source_, offset, page);
        const std::size_t count = decodeNtxKeyCount(page.data());
        if (count > header_.maxItems) {
            damagedPage(source_, offset,
                        "key count " + std::to_string(count) + " exceeds the maximum " +
                            std::to_string(header_.maxItems));
        }
        const std::size_t firstItem = ntxFirstItemOffset(header_.maxItems);
        for (std::size_t i = 0; i <= count; ++i) {
            const std::size_t itemOffset = decodeNtxSlot(page.data(), i);
            if (itemOffset < firstItem || itemOffset + header_.itemSize > kNtxPageSize) {
                damagedPage(source_, offset,
                            "item " + std::to_string(i) + " at " + std::to_string(itemOffset) +
                                " lies outside the page");
            }
            const NtxItem item = decodeNtxItem(page.data(), itemOffset);
            if (item.child != 0) {
                if (!isPageOffset(item.child, source_.size())) {
                    damagedPage(source_, offset,
                                "child page offset " + std::to_string(item.child) +
                                    " is not a page of the file");
                }
                walk(item.child, depth + 1);
            }
            if (i < count) add(offset, item);
        }
    }

private:
    void add(std::uint32_t pageOffset, const NtxItem& item) {
        if (item.recno == 0) damagedPage(source_, pageOffset, "record number 0");
        const std::string_view key(reinterpret_cast<const char*>(item.key), header_.keyLength);
        if (!keys_.empty()) {
            const std::size_t last = keys_.size() - 1;
            const int c = std::memcmp(keys_.keyAt(last).data(), key.data(), key.size());
            if (c > 0) damagedPage(source_, pageOffset, "keys out of order");
            // A file updated in place may hold equal keys in the order they
            // were added; that is no damage, the run is sorted afterwards.
            if (c == 0 && keys_.recnoAt(last) > item.recno) equalKeysUnordered_ = true;
        }
        keys_.add(key, item.recno);
    }

public:
    bool equalKeysUnordered() const { return equalKeysUnordered_; }

private:
    const ByteSource& source_;
    const NtxHeaderPage& header_;
    KeyIndex& keys_;
    bool equalKeysUnordered_ = false;
    std::vector<bool> visited_;
};

}  // namespace

NtxContents readNtx(const ByteSource& source) {
    const NtxHeaderPage h = readHeader(source);
    NtxContents contents{{h.keyExpression, h.keyLength, h.keyDecimals, h.unique},
                         KeyIndex(h.keyLength)};
    // No page holds more than max items, so this bound is never exceeded and
    // is close for the full pages Clipper builds.
    const std::uint64_t pages = source.size() / kNtxPageSize - 1;
    contents.keys.reserve(pages * h.maxItems);
    TreeWalker walker(source, h, contents.keys);
    walker.walk(h.rootOffset, 1);
    if (walker.equalKeysUnordered()) contents.keys.sort();
    return contents;
}

}  // namespace marklift
