#include "tables/table_cursor.h"

#include <algorithm>
#include <string>

#include "tables/dbf_file.h"
#include "tables/expression.h"
#include "tables/key_index.h"
#include "tables/order.h"
#include "tables/xbase_error.h"

namespace marklift {

void TableCursor::attach(DbfFile* dbf) {
    dbf_ = dbf;
}

void TableCursor::detach() {
    dbf_ = nullptr;
    order_ = nullptr;
    filter_ = nullptr;
    recno_ = 0;
    pos_ = 0;
    eof_ = bof_ = true;
}

void TableCursor::changeOrder(Order* order) {
    order_ = order;
    if (recno_ != 0) {
        pos_ = recno_;
        relocate();
    } else if (eof_) {
        setPastEnd();
    }
}

std::uint32_t TableCursor::count() const {
    return dbf_ ? dbf_->recordCount() : 0;
}

bool TableCursor::passes(std::uint32_t recno) const {
    return !filter_ || filter_->test(dbf_->record(recno));
}

KeyIndex& TableCursor::keys() const {
    return order_->keys(*dbf_);
}

void TableCursor::setAt(std::uint32_t recno, std::size_t position) {
    recno_ = recno;
    pos_ = position;
    eof_ = bof_ = false;
    moved_();
}

void TableCursor::setPastEnd() {
    eof_ = true;
    recno_ = 0;
    pos_ = order_ ? keys().size() : count() + 1;
    moved_();
}

void TableCursor::setBeforeStart() {
    bof_ = true;
    recno_ = 0;
    pos_ = 0;
    moved_();
}

void TableCursor::scanForward(std::size_t from) {
    if (order_) {
        KeyIndex& index = keys();
        for (std::size_t p = from; p < index.size(); ++p)
            if (passes(index.recnoAt(p))) return setAt(index.recnoAt(p), p);
    } else {
        for (std::size_t n = std::max<std::size_t>(from, 1); n <= count(); ++n)
            if (passes(static_cast<std::uint32_t>(n)))
                return setAt(static_cast<std::uint32_t>(n), n);
    }
    setPastEnd();
}

void TableCursor::scanBackward(std::ptrdiff_t from) {
    if (order_) {
        KeyIndex& index = keys();
        for (std::ptrdiff_t p = std::min<std::ptrdiff_t>(from, std::ptrdiff_t(index.size()) - 1);
             p >= 0; --p)
            if (passes(index.recnoAt(std::size_t(p))))
                return setAt(index.recnoAt(std::size_t(p)), std::size_t(p));
    } else {
        for (std::ptrdiff_t n = std::min<std::ptrdiff_t>(from, std::ptrdiff_t(count())); n >= 1;
             --n)
            if (passes(static_cast<std::uint32_t>(n)))
                return setAt(static_cast<std::uint32_t>(n), std::size_t(n));
    }
    setBeforeStart();
}

void TableCursor::moveBy(int count) {
    for (int i = 0; i < count && !eof_; ++i) scanForward(bof_ ? 0 : pos_ + 1);
    for (int i = 0; i > count && !bof_; --i)
        scanBackward(eof_ ? PTRDIFF_MAX : std::ptrdiff_t(pos_) - 1);
}

void TableCursor::relocate(std::size_t near) {
    if (!order_ || recno_ == 0) return;
    KeyIndex& index = keys();
    std::string scratch;
    const std::string_view key = order_->keyView(dbf_->record(recno_), scratch);
    if (near != SIZE_MAX) {
        for (std::size_t guess : {near + 1, near}) {
            if (firstEntryAt(index, guess, key)) {
                pos_ = guess;
                return;
            }
        }
    }
    pos_ = index.find(key, recno_);
    if (pos_ == index.size()) setPastEnd();
}

bool TableCursor::firstEntryAt(const KeyIndex& index, std::size_t at, std::string_view key) const {
    auto isEntry = [&](std::size_t p) {
        return index.recnoAt(p) == recno_ && index.keyAt(p) == key;
    };
    return at < index.size() && isEntry(at) && (at == 0 || !isEntry(at - 1));
}

void TableCursor::gotoRecord(std::uint32_t recno) {
    if (recno == 0 || recno > count())
        throw EXbaseError(XbaseErrorCode::BadState, "Record " + std::to_string(recno) +
                                                        " does not exist in " + dbf_->path() + ".");
    const std::size_t near = recno_ != 0 ? pos_ : SIZE_MAX;
    recno_ = recno;
    eof_ = bof_ = false;
    pos_ = recno;
    relocate(near);
    moved_();
}

}  // namespace marklift
