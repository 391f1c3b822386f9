#include "tables/order.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/file.h"
#include "platform/paths.h"
#include "tables/ntx_shared_read.h"
#include "tables/parallel_parts.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

// Records read at a time when keys are built from the file.
constexpr std::size_t kKeyReadBytes = 64 * 1024;

// The most memory sorting a tag's keys for writing may take; a table with
// more records is sorted in runs. Large enough that the tables of a usual
// testing period sort in one.
constexpr std::size_t kRunMemory = 8 * 1024 * 1024;

std::optional<Expression> tryParse(const std::string& text, const FieldList& fields) {
    try {
        return Expression::parse(text, fields);
    } catch (const EXbaseError&) {
        return std::nullopt;
    }
}

}  // namespace

std::unique_ptr<Order> Order::openNtx(const std::string& fileName, const std::string& name,
                                      const DbfFile& dbf) {
    std::unique_ptr<Order> order(new Order());
    order->name_ = name;
    order->fileName_ = fileName;
    order->isNtx_ = true;
    NtxContents contents;
    try {
        File file(nativePath(fileName), File::Access::ReadOnly, File::Lock::None);
        // This engine never updates an .ntx, so every one it opens is read
        // as another program's: that program may be writing it now.
        contents = readSharedNtx(file, dbf.recordCount());
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::OpenFailed,
                          "Cannot open index file " + fileName + ": " + e.what());
    }
    order->keys_ = std::move(contents.keys);
    order->key_ = tryParse(contents.header.keyExpression, dbf.fields());
    order->state_ = State::Loaded;
    return order;
}

std::unique_ptr<Order> Order::cdxTag(const std::string& cdxPath, std::size_t tagIndex,
                                     const CdxTag& tag, const FieldList& fields) {
    std::unique_ptr<Order> order(new Order());
    order->name_ = tag.name;
    order->fileName_ = cdxPath;
    order->tagIndex_ = tagIndex;
    order->tag_ = tag;
    order->key_ = tryParse(tag.keyExpression, fields);
    // The file cannot tell an 8-byte character key from a date key for
    // certain; the expression can.
    order->dateKeys_ =
        order->key_ ? order->key_->type() == Expression::Type::Date : !tag.characterKeys;
    return order;
}

std::unique_ptr<Order> Order::newCdxTag(const CdxTag& tag, Expression key, const DbfFile& dbf) {
    std::unique_ptr<Order> order(new Order());
    order->name_ = tag.name;
    order->tag_ = tag;
    order->dateKeys_ = !tag.characterKeys;
    order->key_ = std::move(key);
    order->keys_ = order->build(dbf);
    order->state_ = State::Loaded;
    return order;
}

bool Order::maintainable() const {
    return key_.has_value() && tag_.forExpression.empty() && !tag_.descending;
}

KeyIndex Order::readFromDisk() const {
    try {
        File file(fileName_, File::Access::ReadOnly, File::Lock::None);
        FileByteSource source(file);
        CdxReader reader(source);
        if (tagIndex_ >= reader.tags().size())
            throw EXbaseError(XbaseErrorCode::BadIndex,
                              "Tag " + name_ + " is missing from " + fileName_ + ".");
        return reader.readKeys(tagIndex_);
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::OpenFailed, e.what());
    }
}

KeyIndex& Order::keys(const DbfFile& dbf) {
    if (state_ == State::Stale) {
        keys_ = build(dbf);
        state_ = State::Loaded;
    } else if (state_ == State::OnDisk) {
        keys_ = readFromDisk();
        state_ = State::Loaded;
    }
    return keys_;
}

TagKeys Order::snapshot(const DbfFile& dbf, const std::string& scratchBeside) const {
    switch (state_) {
        case State::Loaded:
            return TagKeys::borrow(keys_);
        case State::Stale:
            return buildInRuns(dbf, scratchBeside,
                               KeyIndex::sortableWithin(kRunMemory, keyLength()));
        case State::OnDisk:
            break;
    }
    return readFromDisk();
}

void Order::forEachEntry(const DbfFile& dbf, const KeyVisitor& visit) {
    if (state_ != State::OnDisk) return keys(dbf).forEach(visit);
    try {
        File file(fileName_, File::Access::ReadOnly, File::Lock::None);
        FileByteSource source(file);
        CdxReader(source).forEachKey(tagIndex_, visit);
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::OpenFailed, e.what());
    }
}

void Order::requireKey() const {
    if (!key_)
        throw EXbaseError(XbaseErrorCode::BadExpression,
                          "Index " + name_ + " has a key this program cannot compute.");
}

KeyIndex Order::build(const DbfFile& dbf) const {
    requireKey();
    return buildRange(dbf, 0, dbf.recordCount());
}

KeyRuns Order::buildInRuns(const DbfFile& dbf, const std::string& scratchBeside,
                           std::size_t entriesPerRun) const {
    requireKey();
    KeyRuns runs(keyLength(), scratchBeside);
    const std::uint32_t count = dbf.recordCount();
    const auto perRun = static_cast<std::uint32_t>(
        std::clamp<std::size_t>(entriesPerRun, 1, std::numeric_limits<std::uint32_t>::max()));
    for (std::uint32_t first = 0; first < count;) {
        const std::uint32_t end = first + std::min(perRun, count - first);
        runs.add(buildRange(dbf, first, end));
        first = end;
    }
    return runs;
}

KeyIndex Order::buildRange(const DbfFile& dbf, std::uint32_t first, std::uint32_t end) const {
    KeyIndex keys(keyLength());
    const std::uint32_t count = end - first;
    const std::size_t parts = partsFor(count);
    if (parts > 1 && dbf.settled()) {
        // Every record is on the disk: each part reads its own from there.
        keys.resize(count);
        runInParts(count, parts, [&](std::size_t, std::size_t from, std::size_t to) {
            readKeysInto(dbf, keys, first, static_cast<std::uint32_t>(from),
                         static_cast<std::uint32_t>(to));
        });
    } else {
        keys.reserve(count);
        std::string scratch;
        for (std::uint32_t n = first + 1; n <= end; ++n)
            keys.add(keyView(dbf.record(n), scratch), n);
    }
    keys.sort();
    return keys;
}

// The keys of records base + from + 1 .. base + to into places from .. to
// of `keys`, read a block at a time.
void Order::readKeysInto(const DbfFile& dbf, KeyIndex& keys, std::uint32_t base, std::uint32_t from,
                         std::uint32_t to) const {
    const std::uint32_t length = dbf.recordLength();
    const std::uint32_t perRead = std::max<std::uint32_t>(kKeyReadBytes / length, 1);
    std::vector<char> block(std::size_t{perRead} * length);
    std::string scratch;
    for (std::uint32_t at = from; at < to; at += perRead) {
        const std::uint32_t count = std::min(perRead, to - at);
        dbf.readStored(base + at + 1, count, block.data());
        for (std::uint32_t i = 0; i < count; ++i)
            keys.set(at + i, keyView(block.data() + std::size_t{i} * length, scratch),
                     base + at + i + 1);
    }
}

std::string Order::keyOf(const char* record) const {
    std::string scratch;
    return std::string(keyView(record, scratch));
}

std::string_view Order::keyView(const char* record, std::string& scratch) const {
    const std::string_view value = key_->view(record);
    if (!dateKeys_) return value;
    std::optional<Date> date = Date::fromYyyymmdd(value);
    scratch = cdxDateKey(date.value_or(Date()), !date.has_value());
    return scratch;
}

std::string Order::seekKey(const std::string& text) const {
    if (dateKeys_) {
        std::optional<Date> date = Date::fromYyyymmdd(text);
        return cdxDateKey(date.value_or(Date()), !date.has_value());
    }
    std::string key = text.substr(0, keyLength());
    key.resize(keyLength(), ' ');
    return key;
}

std::string Order::seekPrefix(const std::string& text) const {
    return dateKeys_ ? seekKey(text) : text;
}

void Order::recordAppended(const char* record, std::uint32_t recno) {
    if (state_ == State::Loaded) {
        std::string scratch;
        keys_.insert(keyView(record, scratch), recno);
    } else {
        invalidate();
    }
}

void Order::recordChanged(const char* before, const char* after, std::uint32_t recno) {
    // Keys not in memory are rebuilt when next needed: comparing keys here
    // would only cost a key computation per edited record.
    if (state_ != State::Loaded) return invalidate();
    std::string oldKey = keyOf(before), newKey = keyOf(after);
    if (oldKey == newKey) return;
    keys_.erase(oldKey, recno);
    keys_.insert(newKey, recno);
}

void Order::invalidate() {
    if (state_ == State::Stale) return;
    keys_ = KeyIndex(keys_.keyLength());
    state_ = State::Stale;
}

void Order::writtenTo(const std::string& cdxPath, std::size_t tagIndex) {
    fileName_ = cdxPath;
    tagIndex_ = tagIndex;
    if (state_ == State::Stale) state_ = State::OnDisk;
}

}  // namespace marklift
