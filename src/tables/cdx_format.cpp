#include "tables/cdx_format.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "tables/byte_order.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

// Header fields (see the table in cdx_format.h).
constexpr std::size_t kRootAt = 0;
constexpr std::size_t kKeyLengthAt = 12;
constexpr std::size_t kOptionsAt = 14;
constexpr std::size_t kSignatureAt = 15;
constexpr std::size_t kHeaderLengthAt = 16;
constexpr std::size_t kPageLengthAt = 18;
constexpr std::size_t kOrderAt = 502;
constexpr std::size_t kForStartAt = 504;
constexpr std::size_t kForLengthAt = 506;
constexpr std::size_t kKeyStartAt = 508;
constexpr std::size_t kKeyLengthInPoolAt = 510;
constexpr std::size_t kPoolAt = 512;
constexpr unsigned char kSignature = 1;

// Node header fields.
constexpr std::size_t kAttributesAt = 0;
constexpr std::size_t kKeyCountAt = 2;
constexpr std::size_t kLeftAt = 4;
constexpr std::size_t kRightAt = 8;
constexpr std::size_t kNodeHeaderSize = 12;

// Compact leaf fields.
constexpr std::size_t kFreeSpaceAt = 12;
constexpr std::size_t kRecnoMaskAt = 14;
constexpr std::size_t kDuplicateMaskAt = 18;
constexpr std::size_t kTrailingMaskAt = 19;
constexpr std::size_t kRecnoBitsAt = 20;
constexpr std::size_t kDuplicateBitsAt = 21;
constexpr std::size_t kTrailingBitsAt = 22;
constexpr std::size_t kEntryBytesAt = 23;
constexpr std::size_t kLeafRoom = kCdxPageSize - kCdxLeafHeaderSize;

constexpr unsigned kMinEntryBytes = 3;
constexpr unsigned kMaxEntryBytes = 8;

std::uint64_t lowBits(unsigned bits) {
    return bits >= 64 ? ~0ULL : (1ULL << bits) - 1;
}

std::string poolText(const unsigned char* header, std::size_t start, std::size_t length,
                     const char* which, const CdxPlace& place) {
    if (start > kCdxExpressionPoolSize || length > kCdxExpressionPoolSize - start)
        place.fail(std::string(which) + " expression lies outside the expression pool");
    const char* text = reinterpret_cast<const char*>(header + kPoolAt + start);
    return std::string(text, std::find(text, text + length, '\0'));
}

}  // namespace

void CdxPlace::fail(const std::string& problem) const {
    throw EXbaseError(XbaseErrorCode::BadIndex, file + ": damaged index at offset " +
                                                    std::to_string(offset) + ": " + problem);
}

void encodeCdxHeader(const CdxHeader& header, unsigned char* out) {
    const std::size_t keyPool = header.keyExpression.size() + 1;
    const std::size_t forPool = header.forExpression.size() + 1;
    if (keyPool + forPool > kCdxExpressionPoolSize)
        throw std::length_error("index expressions do not fit the expression pool");
    std::memset(out, 0, kCdxHeaderSize);
    encodeLE32(out + kRootAt, header.root);
    encodeLE16(out + kKeyLengthAt, header.keyLength);
    out[kOptionsAt] = header.options;
    out[kSignatureAt] = kSignature;
    encodeLE16(out + kHeaderLengthAt, kCdxHeaderSize);
    encodeLE16(out + kPageLengthAt, kCdxPageSize);
    encodeLE16(out + kOrderAt, header.descending ? 1 : 0);
    encodeLE16(out + kForStartAt, static_cast<std::uint16_t>(keyPool));
    encodeLE16(out + kForLengthAt, static_cast<std::uint16_t>(forPool));
    encodeLE16(out + kKeyStartAt, 0);
    encodeLE16(out + kKeyLengthInPoolAt, static_cast<std::uint16_t>(keyPool));
    std::memcpy(out + kPoolAt, header.keyExpression.data(), header.keyExpression.size());
    std::memcpy(out + kPoolAt + keyPool, header.forExpression.data(), header.forExpression.size());
}

CdxHeader decodeCdxHeader(const unsigned char* in, const CdxPlace& place) {
    CdxHeader header;
    header.root = decodeLE32(in + kRootAt);
    header.keyLength = decodeLE16(in + kKeyLengthAt);
    header.options = in[kOptionsAt];
    if (header.keyLength == 0 || header.keyLength > kCdxMaxKeyLength)
        place.fail("key length " + std::to_string(header.keyLength) + " is out of range");
    if ((header.options & kCdxCompact) == 0) place.fail("not a compact index header");
    const std::uint16_t order = decodeLE16(in + kOrderAt);
    if (order > 1) place.fail("unknown sort order " + std::to_string(order));
    header.descending = order == 1;
    header.keyExpression = poolText(in, decodeLE16(in + kKeyStartAt),
                                    decodeLE16(in + kKeyLengthInPoolAt), "key", place);
    header.forExpression =
        poolText(in, decodeLE16(in + kForStartAt), decodeLE16(in + kForLengthAt), "FOR", place);
    return header;
}

void encodeCdxNodeHeader(const CdxNodeHeader& node, unsigned char* page) {
    encodeLE16(page + kAttributesAt, node.attributes);
    encodeLE16(page + kKeyCountAt, node.keyCount);
    encodeLE32(page + kLeftAt, node.left);
    encodeLE32(page + kRightAt, node.right);
}

CdxNodeHeader decodeCdxNodeHeader(const unsigned char* page) {
    return {decodeLE16(page + kAttributesAt), decodeLE16(page + kKeyCountAt),
            decodeLE32(page + kLeftAt), decodeLE32(page + kRightAt)};
}

std::size_t cdxInteriorCapacity(std::size_t keyLength) {
    return (kCdxPageSize - kNodeHeaderSize) / (keyLength + 8);
}

void encodeCdxInteriorEntry(const CdxInteriorEntry& entry, std::size_t index, unsigned char* page) {
    const std::size_t keyLength = entry.key.size();
    unsigned char* at = page + kNodeHeaderSize + index * (keyLength + 8);
    std::memcpy(at, entry.key.data(), keyLength);
    encodeBE32(at + keyLength, entry.recno);
    encodeBE32(at + keyLength + 4, entry.child);
}

CdxInteriorEntry decodeCdxInteriorEntry(const unsigned char* page, std::size_t index,
                                        std::size_t keyLength) {
    const unsigned char* at = page + kNodeHeaderSize + index * (keyLength + 8);
    return {std::string_view(reinterpret_cast<const char*>(at), keyLength),
            decodeBE32(at + keyLength), decodeBE32(at + keyLength + 4)};
}

CdxLeafLayout cdxLeafLayout(std::size_t keyLength, std::uint32_t maxRecno) {
    const auto countBits = static_cast<unsigned>(std::bit_width(keyLength));
    const unsigned recnoNeeded = std::max(1u, static_cast<unsigned>(std::bit_width(maxRecno)));
    const unsigned entryBytes = std::max(kMinEntryBytes, (recnoNeeded + 2 * countBits + 7) / 8);
    const unsigned recnoBits = std::min(32u, entryBytes * 8 - 2 * countBits);
    return {recnoBits, countBits, countBits, entryBytes};
}

CdxLeafEncoder::CdxLeafEncoder(std::size_t keyLength, char pad, CdxLeafLayout layout)
    : keyLength_(keyLength), pad_(pad), layout_(layout) {
    previous_.reserve(keyLength);
}

void CdxLeafEncoder::clear() {
    page_.fill(0);
    count_ = 0;
    keyBytes_ = 0;
    previous_.clear();
}

bool CdxLeafEncoder::add(std::string_view key, std::uint32_t recno) {
    if (key.size() != keyLength_ || recno > lowBits(layout_.recnoBits))
        throw std::invalid_argument("key or record number does not fit the leaf layout");
    std::size_t trailing = 0;
    while (trailing < keyLength_ && key[keyLength_ - 1 - trailing] == pad_) ++trailing;
    std::size_t duplicate = 0;
    if (count_ > 0) {
        while (duplicate < keyLength_ - trailing && previous_[duplicate] == key[duplicate])
            ++duplicate;
    }
    const std::size_t stored = keyLength_ - duplicate - trailing;
    const std::size_t used = count_ * layout_.entryBytes + keyBytes_;
    if (used + layout_.entryBytes + stored > kLeafRoom) return false;

    const std::uint64_t entry =
        recno | (std::uint64_t{duplicate} << layout_.recnoBits) |
        (std::uint64_t{trailing} << (layout_.recnoBits + layout_.duplicateBits));
    unsigned char* at = page_.data() + kCdxLeafHeaderSize + count_ * layout_.entryBytes;
    for (unsigned i = 0; i < layout_.entryBytes; ++i)
        at[i] = static_cast<unsigned char>(entry >> (8 * i));
    keyBytes_ += stored;
    std::memcpy(page_.data() + kCdxPageSize - keyBytes_, key.data() + duplicate, stored);
    previous_.assign(key);
    ++count_;
    return true;
}

const unsigned char* CdxLeafEncoder::finish(std::uint16_t attributes, std::uint32_t left,
                                            std::uint32_t right) {
    unsigned char* page = page_.data();
    encodeCdxNodeHeader({attributes, static_cast<std::uint16_t>(count_), left, right}, page);
    const std::size_t free = kLeafRoom - count_ * layout_.entryBytes - keyBytes_;
    encodeLE16(page + kFreeSpaceAt, static_cast<std::uint16_t>(free));
    encodeLE32(page + kRecnoMaskAt, static_cast<std::uint32_t>(lowBits(layout_.recnoBits)));
    page[kDuplicateMaskAt] = static_cast<unsigned char>(lowBits(layout_.duplicateBits));
    page[kTrailingMaskAt] = static_cast<unsigned char>(lowBits(layout_.trailingBits));
    page[kRecnoBitsAt] = static_cast<unsigned char>(layout_.recnoBits);
    page[kDuplicateBitsAt] = static_cast<unsigned char>(layout_.duplicateBits);
    page[kTrailingBitsAt] = static_cast<unsigned char>(layout_.trailingBits);
    page[kEntryBytesAt] = static_cast<unsigned char>(layout_.entryBytes);
    return page;
}

void decodeCdxLeaf(const unsigned char* page, std::size_t keyLength, char pad,
                   const CdxPlace& place, CdxLeaf& out) {
    out.node = decodeCdxNodeHeader(page);
    const unsigned recnoBits = page[kRecnoBitsAt];
    const unsigned duplicateBits = page[kDuplicateBitsAt];
    const unsigned trailingBits = page[kTrailingBitsAt];
    const unsigned entryBytes = page[kEntryBytesAt];
    if (entryBytes == 0 || entryBytes > kMaxEntryBytes || recnoBits > 32 || duplicateBits > 8 ||
        trailingBits > 8 || recnoBits + duplicateBits + trailingBits > entryBytes * 8 ||
        decodeLE32(page + kRecnoMaskAt) != lowBits(recnoBits) ||
        page[kDuplicateMaskAt] != lowBits(duplicateBits) ||
        page[kTrailingMaskAt] != lowBits(trailingBits))
        place.fail("leaf entry layout makes no sense");
    const std::size_t count = out.node.keyCount;
    const std::size_t entryArea = count * entryBytes;
    if (entryArea > kLeafRoom)
        place.fail(std::to_string(count) + " keys do not fit in a leaf page");

    out.recnos.resize(count);
    out.keys.resize(count * keyLength);
    char* keys = out.keys.data();
    const std::uint64_t duplicateMask = lowBits(duplicateBits);
    const std::uint64_t trailingMask = lowBits(trailingBits);
    std::size_t keyEnd = kCdxPageSize;
    const std::size_t keyFloor = kCdxLeafHeaderSize + entryArea;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* at = page + kCdxLeafHeaderSize + i * entryBytes;
        std::uint64_t entry = 0;
        for (unsigned b = 0; b < entryBytes; ++b) entry |= std::uint64_t{at[b]} << (8 * b);
        const std::size_t duplicate = (entry >> recnoBits) & duplicateMask;
        const std::size_t trailing = (entry >> (recnoBits + duplicateBits)) & trailingMask;
        if (duplicate + trailing > keyLength || (i == 0 && duplicate > 0))
            place.fail("key " + std::to_string(i) + " has impossible byte counts");
        const std::size_t stored = keyLength - duplicate - trailing;
        if (keyEnd - keyFloor < stored) place.fail("key bytes overrun the leaf entries");
        keyEnd -= stored;
        char* key = keys + i * keyLength;
        if (duplicate > 0) std::memcpy(key, key - keyLength, duplicate);
        std::memcpy(key + duplicate, page + keyEnd, stored);
        std::memset(key + duplicate + stored, pad, trailing);
        out.recnos[i] = static_cast<std::uint32_t>(entry & lowBits(recnoBits));
    }
    if (decodeLE16(page + kFreeSpaceAt) != keyEnd - keyFloor)
        place.fail("leaf free space does not match its keys");
}

std::string encodeCdxNumberKey(double value) {
    if (value == 0) value = 0;  // one key for +0 and -0
    auto bits = std::bit_cast<std::uint64_t>(value);
    bits = (bits >> 63) != 0 ? ~bits : bits | (1ULL << 63);
    std::string key(kCdxNumericKeyLength, '\0');
    for (std::size_t i = 0; i < kCdxNumericKeyLength; ++i)
        key[i] = static_cast<char>(bits >> (8 * (kCdxNumericKeyLength - 1 - i)));
    return key;
}

}  // namespace marklift
