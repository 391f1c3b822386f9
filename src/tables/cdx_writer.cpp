// Writing whole .cdx files: each tag's B-tree is built bottom-up from its
// sorted keys and streamed to disk page by page, then the tag directory.
#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <numeric>
#include <optional>

#include "platform/file.h"
#include "tables/cdx_format.h"
#include "tables/cdx_index.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using PageSink = std::function<void(std::uint32_t offset, const unsigned char* page)>;

[[noreturn]] void refuse(const std::string& path, const std::string& problem) {
    throw EXbaseError(XbaseErrorCode::BadIndex, path + ": cannot write the index: " + problem);
}

// Builds one B-tree from keys handed over in order. Leaves are packed full
// and written as soon as the next one starts; each level above keeps one open
// node. Pages are numbered in the order nodes are started, from `firstPage`
// on, so a parent lands just after the second of its first children.
class TreeBuilder {
public:
    TreeBuilder(const std::string& path, std::size_t keyLength, char pad, std::uint32_t maxRecno,
                std::uint64_t firstPage, const PageSink& sink)
        : path_(path),
          keyLength_(keyLength),
          sink_(sink),
          next_(firstPage),
          leaf_(keyLength, pad, cdxLeafLayout(keyLength, maxRecno)),
          leafPage_(allocate()) {}
    TreeBuilder(const TreeBuilder&) = delete;
    TreeBuilder& operator=(const TreeBuilder&) = delete;

    void add(std::string_view key, std::uint32_t recno) {
        if (!leaf_.add(key, recno)) {
            const std::uint32_t next = allocate();
            sink_(leafPage_, leaf_.finish(kCdxLeafNode, leafLeft_, next));
            push(0, lastKey_, lastRecno_, leafPage_);
            leafLeft_ = leafPage_;
            leafPage_ = next;
            leaf_.clear();
            leaf_.add(key, recno);  // an empty leaf takes any key
        }
        lastKey_.assign(key);
        lastRecno_ = recno;
    }

    // Writes the nodes still open; returns the root's offset.
    std::uint32_t finish() {
        if (levels_.empty()) {
            sink_(leafPage_, leaf_.finish(kCdxRootNode | kCdxLeafNode, leafLeft_, kCdxNoPage));
            return leafPage_;
        }
        sink_(leafPage_, leaf_.finish(kCdxLeafNode, leafLeft_, kCdxNoPage));
        push(0, lastKey_, lastRecno_, leafPage_);
        for (std::size_t level = 0;; ++level) {
            Interior& node = levels_[level];
            if (level + 1 == levels_.size()) {
                writeInterior(node, kCdxRootNode, kCdxNoPage);
                return node.page;
            }
            writeInterior(node, 0, kCdxNoPage);
            push(level + 1, node.lastKey, node.lastRecno, node.page);
        }
    }

    // The offset just past the last page started.
    std::uint64_t end() const { return next_; }

private:
    struct Interior {
        std::uint32_t page = 0;
        std::uint32_t left = kCdxNoPage;
        std::uint16_t count = 0;
        std::array<unsigned char, kCdxPageSize> bytes{};
        std::string lastKey;
        std::uint32_t lastRecno = 0;
    };

    std::uint32_t allocate() {
        if (next_ + kCdxPageSize > kCdxNoPage) refuse(path_, "it would grow past 4 GiB");
        const auto page = static_cast<std::uint32_t>(next_);
        next_ += kCdxPageSize;
        return page;
    }

    void push(std::size_t level, std::string_view key, std::uint32_t recno, std::uint32_t child) {
        if (level == levels_.size()) levels_.emplace_back().page = allocate();
        Interior& node = levels_[level];
        if (node.count == cdxInteriorCapacity(keyLength_)) {
            const std::uint32_t next = allocate();
            writeInterior(node, 0, next);
            push(level + 1, node.lastKey, node.lastRecno, node.page);
            node.left = node.page;
            node.page = next;
            node.count = 0;
            node.bytes.fill(0);
        }
        encodeCdxInteriorEntry({key, recno, child}, node.count++, node.bytes.data());
        node.lastKey.assign(key);
        node.lastRecno = recno;
    }

    void writeInterior(Interior& node, std::uint16_t attributes, std::uint32_t right) {
        encodeCdxNodeHeader({attributes, node.count, node.left, right}, node.bytes.data());
        sink_(node.page, node.bytes.data());
    }

    const std::string& path_;
    std::size_t keyLength_;
    const PageSink& sink_;
    std::uint64_t next_;
    CdxLeafEncoder leaf_;
    std::uint32_t leafPage_;
    std::uint32_t leafLeft_ = kCdxNoPage;
    std::string lastKey_;
    std::uint32_t lastRecno_ = 0;
    std::deque<Interior> levels_;  // levels_[0] sits just above the leaves
};

std::string directoryKey(const std::string& name) {
    std::string key = name;
    key.resize(kCdxTagNameLength, kCdxCharacterPad);
    return key;
}

void checkTags(const std::string& path, const std::vector<CdxTag>& tags) {
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const CdxTag& tag = tags[i];
        const std::string what = "tag \"" + tag.name + "\"";
        if (tag.name.empty() || tag.name.size() > kCdxTagNameLength ||
            std::any_of(tag.name.begin(), tag.name.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
            refuse(path, what + " is not a tag name");
        for (std::size_t j = 0; j < i; ++j) {
            if (tags[j].name == tag.name) refuse(path, what + " appears twice");
        }
        if (tag.keyLength == 0 || tag.keyLength > kCdxMaxKeyLength ||
            (!tag.characterKeys && tag.keyLength != kCdxNumericKeyLength))
            refuse(path, what + " has a key length of " + std::to_string(tag.keyLength));
        if (tag.keyExpression.find('\0') != std::string::npos ||
            tag.forExpression.find('\0') != std::string::npos ||
            tag.keyExpression.size() + tag.forExpression.size() + 2 > kCdxExpressionPoolSize)
            refuse(path, what + " has expressions that do not fit its header");
    }
}

void writeHeader(File& file, std::uint64_t offset, const CdxHeader& header) {
    std::array<unsigned char, kCdxHeaderSize> bytes;
    encodeCdxHeader(header, bytes.data());
    file.writeAt(offset, bytes.data(), bytes.size());
}

// Writes one tag's header at `offset` and its tree after it; returns the
// offset just past the tree.
std::uint64_t writeTag(const std::string& path, File& file, const PageSink& sink, const CdxTag& tag,
                       const TagKeys& keys, std::uint64_t offset) {
    if (keys.keyLength() != tag.keyLength)
        refuse(path, "keys of tag " + tag.name + " are " + std::to_string(keys.keyLength()) +
                         " bytes long, not " + std::to_string(tag.keyLength));
    TreeBuilder tree(path, tag.keyLength, tag.characterKeys ? kCdxCharacterPad : kCdxNumericPad,
                     keys.maxRecno(), offset + kCdxHeaderSize, sink);
    EntryOrder order;
    keys.forEach([&](std::string_view key, std::uint32_t recno) {
        if (!order.follows(key, recno)) refuse(path, "keys of tag " + tag.name + " are not sorted");
        tree.add(key, recno);
    });

    CdxHeader header;
    header.root = tree.finish();
    header.keyLength = tag.keyLength;
    header.options = kCdxCompact | kCdxCompound | (tag.unique ? kCdxUnique : 0) |
                     (tag.forExpression.empty() ? 0 : kCdxForClause);
    header.descending = tag.descending;
    header.keyExpression = tag.keyExpression;
    header.forExpression = tag.forExpression;
    writeHeader(file, offset, header);
    return tree.end();
}

}  // namespace

void writeCdx(const std::string& nativePath, const std::vector<CdxTag>& tags,
              const std::function<TagKeys(std::size_t)>& keysOfTag) {
    checkTags(nativePath, tags);
    std::vector<std::size_t> byName(tags.size());
    std::iota(byName.begin(), byName.end(), std::size_t{0});
    std::sort(byName.begin(), byName.end(), [&](std::size_t a, std::size_t b) {
        return directoryKey(tags[a].name) < directoryKey(tags[b].name);
    });

    // The directory goes right after the file header, but the tag offsets it
    // holds are known only once the tags are written: room is kept for it as
    // if every offset needed 32 bits, which it never needs more of.
    const PageSink nowhere = [](std::uint32_t, const unsigned char*) {};
    TreeBuilder sizing(nativePath, kCdxTagNameLength, kCdxCharacterPad, kCdxNoPage, kCdxHeaderSize,
                       nowhere);
    for (std::size_t i : byName) sizing.add(directoryKey(tags[i].name), kCdxNoPage);
    sizing.finish();

    std::optional<File> file;
    try {
        file.emplace(nativePath, File::Access::ReadWrite, File::Lock::None, File::Create::Truncate);
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::OpenFailed, e.what());
    }
    try {
        const PageSink sink = [&](std::uint32_t offset, const unsigned char* page) {
            file->writeAt(offset, page, kCdxPageSize);
        };
        std::vector<std::uint32_t> headerOffsets(tags.size());
        std::uint64_t end = sizing.end();
        for (std::size_t i = 0; i < tags.size(); ++i) {
            headerOffsets[i] = static_cast<std::uint32_t>(end);
            end = writeTag(nativePath, *file, sink, tags[i], keysOfTag(i), end);
        }

        TreeBuilder directory(
            nativePath, kCdxTagNameLength, kCdxCharacterPad,
            tags.empty() ? 0 : *std::max_element(headerOffsets.begin(), headerOffsets.end()),
            kCdxHeaderSize, sink);
        for (std::size_t i : byName) directory.add(directoryKey(tags[i].name), headerOffsets[i]);
        CdxHeader header;
        header.root = directory.finish();
        header.keyLength = kCdxTagNameLength;
        header.options = kCdxCompact | kCdxCompound | kCdxTagDirectory;
        writeHeader(*file, 0, header);
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::IoError, e.what());
    }
}

}  // namespace marklift
