#include "ntx_inserter.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "tables/ntx_format.h"

namespace marklift::testing {
namespace {

using Page = std::array<unsigned char, kNtxPageSize>;

struct Entry {
    std::uint32_t child = 0;
    std::uint32_t recno = 0;
    std::string key;
};

// One B-tree page as a list: the keys with the children before them, and
// the child after the last key.
struct Node {
    std::uint32_t offset = 0;
    std::vector<Entry> entries;
    std::uint32_t lastChild = 0;
};

Node readNode(const File& index, const NtxHeaderPage& h, std::uint32_t offset) {
    Page page;
    index.readExactly(offset, page.data(), page.size());
    Node node;
    node.offset = offset;
    const std::size_t count = decodeNtxKeyCount(page.data());
    for (std::size_t i = 0; i <= count; ++i) {
        const NtxItem item = decodeNtxItem(page.data(), decodeNtxSlot(page.data(), i));
        if (i == count) {
            node.lastChild = item.child;
        } else {
            node.entries.push_back(
                {item.child, item.recno,
                 std::string(reinterpret_cast<const char*>(item.key), h.keyLength)});
        }
    }
    return node;
}

void writeNode(File& index, const NtxHeaderPage& h, const Node& node) {
    Page page{};
    encodeNtxKeyCount(page.data(), static_cast<std::uint16_t>(node.entries.size()));
    const std::size_t firstItem = ntxFirstItemOffset(h.maxItems);
    for (std::size_t slot = 0; slot <= h.maxItems; ++slot)
        encodeNtxSlot(page.data(), slot, static_cast<std::uint16_t>(firstItem + slot * h.itemSize));
    for (std::size_t i = 0; i < node.entries.size(); ++i) {
        const Entry& e = node.entries[i];
        encodeNtxItem(page.data(), firstItem + i * h.itemSize, e.child, e.recno, e.key);
    }
    encodeNtxItem(page.data(), firstItem + node.entries.size() * h.itemSize, node.lastChild, 0, {});
    index.writeAt(node.offset, page.data(), page.size());
}

bool before(const Entry& a, std::string_view key, std::uint32_t recno) {
    const int c = a.key.compare(key);
    return c < 0 || (c == 0 && a.recno < recno);
}

}  // namespace

void insertNtxKey(File& index, std::string_view key, std::uint32_t recno,
                  const std::function<void()>& betweenWrites) {
    Page headerPage;
    index.readExactly(0, headerPage.data(), headerPage.size());
    NtxHeaderPage h = decodeNtxHeader(headerPage.data());
    if (key.size() != h.keyLength) throw std::invalid_argument("key of the wrong length");

    // The way down, with the place taken in each page.
    std::vector<Node> path;
    std::vector<std::size_t> places;
    for (std::uint32_t offset = h.rootOffset; offset != 0;) {
        path.push_back(readNode(index, h, offset));
        const Node& node = path.back();
        std::size_t at = 0;
        while (at < node.entries.size() && before(node.entries[at], key, recno)) ++at;
        places.push_back(at);
        offset = at < node.entries.size() ? node.entries[at].child : node.lastChild;
    }

    std::uint64_t fileEnd = index.size();
    auto newPage = [&] {
        const auto offset = static_cast<std::uint32_t>(fileEnd);
        fileEnd += kNtxPageSize;
        return offset;
    };
    std::vector<Node> rewritten;  // pages changed in place, from the leaf up
    std::vector<Node> added;      // new pages
    Entry rising{0, recno, std::string(key)};
    std::size_t level = path.size();
    for (;;) {
        --level;
        Node& node = path[level];
        node.entries.insert(node.entries.begin() + static_cast<std::ptrdiff_t>(places[level]),
                            rising);
        rewritten.push_back(node);
        if (node.entries.size() <= h.maxItems) break;
        // The lower half moves out; the page keeps its offset and the upper
        // half, so the pointer to it above stays right.
        Node& split = rewritten.back();
        const std::size_t middle = split.entries.size() / 2;
        Node lower;
        lower.offset = newPage();
        lower.entries.assign(split.entries.begin(),
                             split.entries.begin() + static_cast<std::ptrdiff_t>(middle));
        lower.lastChild = split.entries[middle].child;
        rising = {lower.offset, split.entries[middle].recno, split.entries[middle].key};
        split.entries.erase(split.entries.begin(),
                            split.entries.begin() + static_cast<std::ptrdiff_t>(middle) + 1);
        added.push_back(lower);
        if (level == 0) {
            Node root;
            root.offset = newPage();
            root.entries.push_back(rising);
            root.lastChild = split.offset;
            added.push_back(root);
            h.rootOffset = root.offset;
            break;
        }
    }

    // As a writer that flushes its page buffers in tree order: from the top
    // down, the new pages after the pages that point to them.
    for (auto page = rewritten.rbegin(); page != rewritten.rend(); ++page) {
        writeNode(index, h, *page);
        betweenWrites();
    }
    for (const Node& page : added) {
        writeNode(index, h, page);
        betweenWrites();
    }
    ++h.version;
    Page header;
    encodeNtxHeader(h, header.data());
    index.writeAt(0, header.data(), header.size());
}

}  // namespace marklift::testing
