// Reading .cdx files: the tag directory at open, one tag's keys on demand.
#include "tables/cdx_index.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "tables/cdx_format.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

// Julian day number of Date's zero day, 1899-12-30.
constexpr double kJulianDayOfZeroDate = 2415019;

// The smallest first byte of a numeric key for a value of zero or more.
constexpr unsigned char kNumericKeyLead = 0x80;

using Page = std::array<unsigned char, kCdxPageSize>;

// Reads `size` bytes at `offset` after checking that they lie whole inside
// the file; node pages must also stay clear of the file header.
void readChecked(const ByteSource& source, std::uint64_t offset, std::size_t size,
                 unsigned char* out) {
    const CdxPlace place{source.name(), offset};
    if (offset % kCdxPageSize != 0) place.fail("pointer is not on a page boundary");
    if (offset > source.size() || size > source.size() - offset)
        place.fail("pointer lies outside the file");
    if (size == kCdxPageSize && offset < kCdxHeaderSize)
        place.fail("node pointer into the file header");
    source.read(offset, out, size);
}

CdxHeader readHeader(const ByteSource& source, std::uint64_t offset) {
    std::array<unsigned char, kCdxHeaderSize> bytes;
    readChecked(source, offset, bytes.size(), bytes.data());
    return decodeCdxHeader(bytes.data(), {source.name(), offset});
}

void checkInteriorCount(const CdxNodeHeader& node, std::size_t keyLength, const CdxPlace& place) {
    if (node.keyCount == 0 || node.keyCount > cdxInteriorCapacity(keyLength))
        place.fail("interior node with " + std::to_string(node.keyCount) + " keys");
}

// Visits the leaves of the tree under `root` from left to right, calling
// onLeaf(page bytes, node header, place). On the way it checks what a damaged
// file gets wrong: every page is reached once (no loops), attributes match
// the node's place, interior key counts fit the page, and the sibling
// pointers of each level link exactly the nodes the tree reaches, in order.
template <typename OnLeaf>
void walkLeaves(const ByteSource& source, std::uint32_t root, std::size_t keyLength,
                OnLeaf&& onLeaf) {
    struct Pending {
        std::uint32_t offset;
        std::size_t depth;
    };
    struct LevelEnd {
        std::uint32_t offset = kCdxNoPage;
        std::uint32_t right = kCdxNoPage;
    };
    std::vector<bool> reached(source.size() / kCdxPageSize);
    std::vector<Pending> pending{{root, 0}};
    std::vector<LevelEnd> levels;
    Page page;
    while (!pending.empty()) {
        const Pending at = pending.back();
        pending.pop_back();
        const CdxPlace place{source.name(), at.offset};
        readChecked(source, at.offset, kCdxPageSize, page.data());
        if (reached[at.offset / kCdxPageSize]) place.fail("page reached twice (a loop)");
        reached[at.offset / kCdxPageSize] = true;

        const CdxNodeHeader node = decodeCdxNodeHeader(page.data());
        if (node.attributes > (kCdxRootNode | kCdxLeafNode))
            place.fail("unknown node attributes " + std::to_string(node.attributes));
        if (node.isRoot() != (at.depth == 0))
            place.fail(at.depth == 0 ? "root node not marked as root"
                                     : "inner node marked as root");
        if (levels.size() <= at.depth) levels.resize(at.depth + 1);
        LevelEnd& level = levels[at.depth];
        if (node.left != level.offset || (level.offset != kCdxNoPage && level.right != at.offset))
            place.fail("sibling pointers disagree with the tree");
        level = {at.offset, node.right};

        if (node.isLeaf()) {
            onLeaf(std::as_const(page).data(), node, place);
            continue;
        }
        checkInteriorCount(node, keyLength, place);
        for (std::size_t i = node.keyCount; i-- > 0;)
            pending.push_back(
                {decodeCdxInteriorEntry(page.data(), i, keyLength).child, at.depth + 1});
    }
    for (const LevelEnd& level : levels) {
        if (level.right != kCdxNoPage)
            CdxPlace{source.name(), level.offset}.fail(
                "last node of its level has a right sibling");
    }
}

// The file does not record whether a tag's keys are characters or numbers;
// an 8-byte tag whose first key starts with a byte of 0x80 or more holds
// numbers or dates (the first byte of a date key is 0x80 for a blank date and
// above it for any other), which is what a text key rarely does.
bool firstKeyLooksNumeric(const ByteSource& source, const CdxHeader& header) {
    if (header.keyLength != kCdxNumericKeyLength) return false;
    Page page;
    std::uint32_t offset = header.root;
    for (std::uint64_t steps = 0; steps <= source.size() / kCdxPageSize; ++steps) {
        const CdxPlace place{source.name(), offset};
        readChecked(source, offset, kCdxPageSize, page.data());
        const CdxNodeHeader node = decodeCdxNodeHeader(page.data());
        if (node.isLeaf()) {
            CdxLeaf leaf;
            decodeCdxLeaf(page.data(), header.keyLength, kCdxCharacterPad, place, leaf);
            return !leaf.keys.empty() &&
                   static_cast<unsigned char>(leaf.keys[0]) >= kNumericKeyLead;
        }
        checkInteriorCount(node, header.keyLength, place);
        offset = decodeCdxInteriorEntry(page.data(), 0, header.keyLength).child;
    }
    CdxPlace{source.name(), header.root}.fail("interior nodes loop");
}

std::string tagName(std::string_view key) {
    const std::size_t end = key.find_last_not_of(std::string_view(" \0", 2));
    return std::string(key.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

}  // namespace

std::string cdxDateKey(Date date, bool blank) {
    return encodeCdxNumberKey(blank ? 0.0 : date.days() + kJulianDayOfZeroDate);
}

CdxReader::CdxReader(const ByteSource& source) : source_(source) {
    if (source.size() < kCdxHeaderSize)
        throw EXbaseError(XbaseErrorCode::BadIndex, source.name() +
                                                        ": too short for a compound index (" +
                                                        std::to_string(source.size()) + " bytes)");
    const CdxHeader directory = readHeader(source, 0);
    if ((directory.options & kCdxCompound) == 0 || directory.keyLength != kCdxTagNameLength)
        CdxPlace{source.name(), 0}.fail("not a compound index header");

    std::vector<std::pair<std::uint32_t, std::string>> entries;
    std::string previousKey;
    CdxLeaf leaf;
    walkLeaves(source, directory.root, kCdxTagNameLength,
               [&](const unsigned char* page, const CdxNodeHeader&, const CdxPlace& place) {
                   decodeCdxLeaf(page, kCdxTagNameLength, kCdxCharacterPad, place, leaf);
                   for (std::size_t i = 0; i < leaf.recnos.size(); ++i) {
                       std::string_view key(leaf.keys.data() + i * kCdxTagNameLength,
                                            kCdxTagNameLength);
                       if (!entries.empty() && key <= previousKey)
                           place.fail("tag names out of order");
                       std::string name = tagName(key);
                       if (name.empty()) place.fail("tag without a name");
                       if (leaf.recnos[i] < kCdxHeaderSize)
                           place.fail("tag " + name + " has its header inside the file header");
                       entries.emplace_back(leaf.recnos[i], std::move(name));
                       previousKey.assign(key);
                   }
               });

    // Tags are numbered in the order they were made, which is the order of
    // their headers in the file.
    std::sort(entries.begin(), entries.end());
    for (const auto& [offset, name] : entries) {
        if (!tagHeaderOffsets_.empty() && tagHeaderOffsets_.back() == offset)
            CdxPlace{source.name(), offset}.fail("two tags share one header");
        const CdxHeader header = readHeader(source, offset);
        CdxTag tag;
        tag.name = name;
        tag.keyExpression = header.keyExpression;
        tag.forExpression = header.forExpression;
        tag.keyLength = header.keyLength;
        tag.characterKeys = !firstKeyLooksNumeric(source, header);
        tag.descending = header.descending;
        tag.unique = (header.options & kCdxUnique) != 0;
        tags_.push_back(std::move(tag));
        tagHeaderOffsets_.push_back(offset);
    }
}

const CdxTag& CdxReader::tagAt(std::size_t i) const {
    if (i >= tags_.size())
        throw EXbaseError(XbaseErrorCode::NoSuchOrder,
                          source_.name() + ": no tag number " + std::to_string(i + 1));
    return tags_[i];
}

template <typename OnLeaf>
void CdxReader::walkTagLeaves(std::size_t i, OnLeaf&& onLeaf) const {
    const std::size_t keyLength = tagAt(i).keyLength;
    const CdxHeader header = readHeader(source_, tagHeaderOffsets_[i]);
    walkLeaves(source_, header.root, keyLength, std::forward<OnLeaf>(onLeaf));
}

KeyIndex CdxReader::readKeys(std::size_t i) const {
    // Counting the keys first costs a second read of each page but saves
    // growing the index (and copying it) many times over.
    std::size_t count = 0;
    walkTagLeaves(i, [&](const unsigned char*, const CdxNodeHeader& node, const CdxPlace&) {
        count += std::min<std::size_t>(node.keyCount, kCdxMaxLeafKeys);
    });
    KeyIndex keys(tagAt(i).keyLength);
    keys.reserve(count);
    forEachKey(i, [&](std::string_view key, std::uint32_t recno) { keys.add(key, recno); });
    return keys;
}

void CdxReader::forEachKey(std::size_t i, const KeyVisitor& visit) const {
    const CdxTag& tag = tagAt(i);
    const std::size_t keyLength = tag.keyLength;
    const char pad = tag.characterKeys ? kCdxCharacterPad : kCdxNumericPad;
    EntryOrder order;
    CdxLeaf leaf;
    walkTagLeaves(i, [&](const unsigned char* page, const CdxNodeHeader&, const CdxPlace& place) {
        decodeCdxLeaf(page, keyLength, pad, place, leaf);
        for (std::size_t k = 0; k < leaf.recnos.size(); ++k) {
            const std::string_view key(leaf.keys.data() + k * keyLength, keyLength);
            const std::uint32_t recno = leaf.recnos[k];
            if (!order.follows(key, recno)) place.fail("keys out of order");
            visit(key, recno);
        }
    });
}

}  // namespace marklift
