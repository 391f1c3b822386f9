// Writing a Clipper .ntx index from sorted keys, bottom-up as Clipper builds
// one: leaves are filled to max items, the key after each full page goes up
// a level as its separator, and so on until one page, the root, remains.
#include <numeric>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tables/ntx_format.h"
#include "tables/ntx_index.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

// One level of the tree: the positions (in the KeyIndex) of its keys, how
// many of them each page takes, and the number of its first page. Between
// two pages of a level sits one key that belongs to the level above.
struct Level {
    std::vector<std::uint32_t> keys;
    std::vector<std::size_t> pageSizes;
    std::uint32_t firstPage = 0;
};

// Fills pages to `maxItems` in turn. A short last page that would fall below
// half shares the keys of the page before it evenly instead, so every page
// but the root keeps at least half a page, as a B-tree must.
std::vector<std::size_t> splitIntoPages(std::size_t keyCount, std::size_t maxItems) {
    if (keyCount <= maxItems) return {keyCount};
    const std::size_t pages = (keyCount + 1 + maxItems) / (maxItems + 1);
    std::vector<std::size_t> sizes(pages, maxItems);
    const std::size_t last = keyCount - (pages - 1) * (maxItems + 1);
    sizes.back() = last;
    if (last < maxItems / 2) {
        const std::size_t pair = maxItems + last;
        sizes[pages - 2] = pair - pair / 2;
        sizes.back() = pair / 2;
    }
    return sizes;
}

std::vector<Level> planTree(std::size_t keyCount, std::size_t maxItems) {
    std::vector<Level> levels(1);
    levels[0].keys.resize(keyCount);
    std::iota(levels[0].keys.begin(), levels[0].keys.end(), 0u);
    std::uint32_t nextPage = 1;
    for (;;) {
        Level& level = levels.back();
        level.pageSizes = splitIntoPages(level.keys.size(), maxItems);
        level.firstPage = nextPage;
        nextPage += static_cast<std::uint32_t>(level.pageSizes.size());
        if (level.pageSizes.size() == 1) return levels;
        Level up;
        std::size_t at = 0;
        for (std::size_t p = 0; p + 1 < level.pageSizes.size(); ++p) {
            at += level.pageSizes[p];
            up.keys.push_back(level.keys[at++]);
        }
        levels.push_back(std::move(up));
    }
}

std::uint32_t pageOffset(std::uint32_t page) {
    return page * static_cast<std::uint32_t>(kNtxPageSize);
}

// Lays out one level's pages. Key k of this level is the separator after
// page k of the level below, so its left child is that page; a page's last
// slot points at the page after its last key's.
void encodeLevel(const Level& level, const Level* below, const KeyIndex& keys,
                 const NtxHeaderPage& h, std::vector<unsigned char>& file) {
    const std::size_t firstItem = ntxFirstItemOffset(h.maxItems);
    std::size_t k = 0;
    for (std::size_t p = 0; p < level.pageSizes.size(); ++p) {
        unsigned char* page = file.data() + pageOffset(level.firstPage + p);
        const std::size_t count = level.pageSizes[p];
        encodeNtxKeyCount(page, static_cast<std::uint16_t>(count));
        for (std::size_t slot = 0; slot <= h.maxItems; ++slot)
            encodeNtxSlot(page, slot, static_cast<std::uint16_t>(firstItem + slot * h.itemSize));
        for (std::size_t i = 0; i <= count; ++i, ++k) {
            const std::uint32_t child =
                below ? pageOffset(below->firstPage + static_cast<std::uint32_t>(k)) : 0;
            const std::size_t itemOffset = firstItem + i * h.itemSize;
            if (i < count) {
                const std::uint32_t pos = level.keys[k];
                encodeNtxItem(page, itemOffset, child, keys.recnoAt(pos), keys.keyAt(pos));
            } else {
                encodeNtxItem(page, itemOffset, child, 0, {});
            }
        }
    }
}

[[noreturn]] void cannotWrite(const std::string& path, const std::string& why) {
    throw EXbaseError(XbaseErrorCode::BadState, "Cannot write index " + path + ": " + why);
}

void checkInput(const std::string& path, const NtxHeader& header, const KeyIndex& keys) {
    if (header.keyLength == 0 || header.keyLength > kNtxMaxKeyLength) {
        cannotWrite(path, "key length " + std::to_string(header.keyLength) + " is outside 1..256");
    }
    if (keys.keyLength() != header.keyLength) {
        cannotWrite(path, "the keys are " + std::to_string(keys.keyLength()) +
                              " bytes long, the header says " + std::to_string(header.keyLength));
    }
    if (header.keyExpression.size() >= kNtxKeyExpressionSize ||
        header.keyExpression.find('\0') != std::string::npos) {
        cannotWrite(path, "the key expression does not fit in 255 characters");
    }
    if (!keys.isSorted()) cannotWrite(path, "the keys are not sorted");
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys.recnoAt(i) == 0) cannotWrite(path, "record number 0");
}

}  // namespace

void writeNtx(const std::string& nativePath, const NtxHeader& header, const KeyIndex& keys) {
    checkInput(nativePath, header, keys);

    NtxHeaderPage h;
    h.keyLength = header.keyLength;
    h.itemSize = static_cast<std::uint16_t>(header.keyLength + kNtxItemOverhead);
    h.keyDecimals = header.keyDecimals;
    h.maxItems = ntxMaxItems(header.keyLength);
    h.halfItems = h.maxItems / 2;
    h.keyExpression = header.keyExpression;
    h.unique = header.unique;

    const std::vector<Level> levels = planTree(keys.size(), h.maxItems);
    const Level& root = levels.back();
    if (static_cast<std::uint64_t>(root.firstPage) + 1 > UINT32_MAX / kNtxPageSize)
        cannotWrite(nativePath, "too many keys for one index file");
    h.rootOffset = pageOffset(root.firstPage);

    std::vector<unsigned char> file(pageOffset(root.firstPage + 1), 0);
    encodeNtxHeader(h, file.data());
    for (std::size_t l = 0; l < levels.size(); ++l)
        encodeLevel(levels[l], l == 0 ? nullptr : &levels[l - 1], keys, h, file);

    try {
        File out(nativePath, File::Access::ReadWrite, File::Lock::Exclusive,
                 File::Create::Truncate);
        out.writeAt(0, file.data(), file.size());
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::IoError, e.what());
    }
}

}  // namespace marklift
