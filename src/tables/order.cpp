#include "tables/order.h"

#include <algorithm>
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

TagKeys Order::snapshot(const DbfFile& dbf) const {
    switch (state_) {
        case State::Loaded:
            return TagKeys::borrow(keys_);
        case State::Stale:
            return build(dbf);
        case State::OnDisk:
            break;
    }
    return readFromDisk();
}

KeyIndex Order::build(const DbfFile& dbf) const {
    if (!key_)
        throw EXbaseError(XbaseErrorCode::BadExpression,
                          "Index " + name_ + " has a key this program cannot compute.");
    KeyIndex keys(isNtx_ ? keys_.keyLength() : tag_.keyLength);
    const std::uint32_t count = dbf.recordCount();
    const std::size_t parts = partsFor(count);
    if (parts > 1 && dbf.settled()) {
        // Every record is on the disk: each part reads its own from there.
        keys.resize(count);
        runInParts(count, parts, [&](std::size_t, std::size_t first, std::size_t end) {
            readKeysInto(dbf, keys, static_cast<std::uint32_t>(first),
                         static_cast<std::uint32_t>(end));
        });
    } else {
        keys.reserve(count);
        std::string scratch;
        for (std::uint32_t n = 1; n <= count; ++n) keys.add(keyView(dbf.record(n), scratch), n);
    }
    keys.sort();
    return keys;
}

// The keys of records first + 1 .. end into their places in `keys`, read a
// block at a time.
void Order::readKeysInto(const DbfFile& dbf, KeyIndex& keys, std::uint32_t first,
                         std::uint32_t end) const {
    const std::uint32_t length = dbf.recordLength();
    const std::uint32_t perRead = std::max<std::uint32_t>(kKeyReadBytes / length, 1);
    std::vector<char> block(std::size_t{perRead} * length);
    std::string scratch;
    for (std::uint32_t from = first; from < end; from += perRead) {
        const std::uint32_t count = std::min(perRead, end - from);
        dbf.readStored(from + 1, count, block.data());
        for (std::uint32_t i = 0; i < count; ++i)
            keys.set(from + i, keyView(block.data() + std::size_t{i} * length, scratch),
                     from + i + 1);
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
    std::size_t width = isNtx_ ? keys_.keyLength() : tag_.keyLength;
    std::string key = text.substr(0, width);
    key.resize(width, ' ');
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
