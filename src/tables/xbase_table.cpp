#include "tables/xbase_table.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/file.h"
#include "platform/paths.h"
#include "tables/byte_source.h"
#include "tables/cdx_index.h"
#include "tables/dbf_file.h"
#include "tables/expression.h"
#include "tables/field_definition.h"
#include "tables/ntx_index.h"
#include "tables/order.h"
#include "tables/record_copier.h"
#include "tables/structural_index.h"
#include "tables/table_cursor.h"

namespace marklift {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool endsWithIgnoringCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           upper(text.substr(text.size() - suffix.size())) == upper(suffix);
}

// The file name without directory and extension: "C:\X\SSN.NTX" -> "SSN".
std::string baseName(const std::string& fileName) {
    std::size_t slash = fileName.find_last_of("\\/");
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

struct XbaseTable::Impl {
    // Properties.
    std::string databaseName;
    std::string tableName;
    TableType tableType = TableType::ttCDX;
    bool exclusive = false;
    bool readOnly = false;
    FilterOptions filterOptions = FilterOptions::IGNORE_WHEN_COUNTING;

    // The open table.
    std::unique_ptr<DbfFile> dbf;
    StructuralIndex structural;
    std::vector<std::unique_ptr<Order>> ntxOrders;
    std::string indexName;
    std::optional<Expression> filter;
    std::string filterText;

    TableCursor cursor{[this] { loadCurrent(); }};
    EditState state = EditState::Inactive;
    std::vector<char> buffer;  // the current record, edited in place
    std::vector<char> before;  // the record as it was, while a change is posted

    // Display updates.
    int disabled = 0;
    int nextListenerId = 1;
    std::vector<std::pair<int, Listener>> listeners;

    std::string fileName() const {
        std::string name = databaseName + tableName;
        if (!endsWithIgnoringCase(tableName, ".dbf")) name += ".dbf";
        return name;
    }

    void requireOpen() const {
        if (!dbf)
            throw EXbaseError(XbaseErrorCode::NotOpen, "Table " + fileName() + " is not open.");
    }

    void requireUnfiltered() const {
        if (filter)
            throw EXbaseError(XbaseErrorCode::BadState,
                              "Table " + dbf->path() + " has no positions while filtered.");
    }

    void requireWritable() const {
        requireOpen();
        if (dbf->mode() == DbfFile::Mode::ReadOnly)
            throw EXbaseError(XbaseErrorCode::ReadOnly,
                              "Table " + dbf->path() + " is open read-only.");
        structural.requireMaintainable(dbf->path());
        for (const auto& order : ntxOrders)
            if (order)
                throw EXbaseError(XbaseErrorCode::ReadOnly, "Index file " + order->fileName() +
                                                                " of table " + dbf->path() +
                                                                " cannot be updated.");
    }

    void notify() {
        if (disabled > 0) return;
        for (auto& [id, listener] : listeners) listener();
    }

    const char* recordBytes(std::uint32_t n) const { return dbf->record(n); }

    // The active order's keys, for a seek: pending edits posted first.
    KeyIndex& keysToSeek() {
        requireOpen();
        postIfEditing();
        if (!cursor.order())
            throw EXbaseError(XbaseErrorCode::NoSuchOrder,
                              "No index is active on table " + dbf->path() + ".");
        return cursor.keys();
    }

    void loadCurrent() {
        const std::uint32_t appended = std::exchange(justAppended, 0);
        if (cursor.eof() || cursor.bof() || cursor.recno() == 0) {
            std::fill(buffer.begin(), buffer.end(), ' ');
            return;
        }
        if (appended == cursor.recno()) return;
        std::memcpy(buffer.data(), recordBytes(cursor.recno()), buffer.size());
    }

    // The record a Post just appended, which the buffer holds as it is:
    // reading it back would fill the record cache with the blocks of a table
    // being written.
    std::uint32_t justAppended = 0;

    // -- Editing -----------------------------------------------------------

    void postIfEditing() {
        if (state == EditState::Edit || state == EditState::Insert) post();
    }

    void post() {
        if (state == EditState::Insert) {
            std::uint32_t n = dbf->appendRecord(buffer.data());
            structural.recordAppended(buffer.data(), n, cursor.order());
            state = EditState::Browse;
            justAppended = n;
            cursor.gotoRecord(n);
        } else if (state == EditState::Edit) {
            const std::uint32_t recno = cursor.recno();
            std::memcpy(before.data(), recordBytes(recno), before.size());
            dbf->writeRecord(recno, buffer.data());
            structural.recordChanged(before.data(), buffer.data(), recno);
            state = EditState::Browse;
            cursor.relocate();
        }
        notify();
    }

    char* editableRecord() {
        if (state != EditState::Edit && state != EditState::Insert)
            throw EXbaseError(XbaseErrorCode::BadState,
                              "Table " + dbf->path() + " is not in edit mode.");
        return buffer.data();
    }

    const FieldDef& field(const std::string& name) const {
        requireOpen();
        const FieldDef* f = dbf->fields().find(name);
        if (!f)
            throw EXbaseError(XbaseErrorCode::NoSuchField,
                              "Field " + name + " not found in " + dbf->path() + ".");
        return *f;
    }

    // A definition handed back by the caller, checked to be this table's:
    // another table's offsets would read the wrong bytes.
    const FieldDef& field(const FieldDef& f) const {
        requireOpen();
        const std::vector<FieldDef>& own = dbf->fields().fields();
        const std::less<const FieldDef*> before;
        if (own.empty() || before(&f, own.data()) || !before(&f, own.data() + own.size()))
            throw EXbaseError(XbaseErrorCode::NoSuchField,
                              "Field " + f.name + " is not a field of " + dbf->path() + ".");
        return f;
    }

    std::string textOf(const FieldDef& f) const {
        return cursor.recno() == 0 && state != EditState::Insert ? std::string()
                                                                 : readText(f, buffer.data());
    }

    // -- Orders ------------------------------------------------------------

    Order* findOrder(const std::string& name) {
        std::string wanted = upper(name);
        if (Order* tag = structural.find(wanted)) return tag;
        for (auto& order : ntxOrders)
            if (upper(order->name()) == wanted) return order.get();
        return nullptr;
    }

    Order& requireOrder(const std::string& name) {
        Order* order = findOrder(name);
        if (!order)
            throw EXbaseError(XbaseErrorCode::NoSuchOrder,
                              "Index " + name + " not found for table " + dbf->path() + ".");
        return *order;
    }

    // Every record passing the filter, in `order` (nullptr: record order).
    // Without a filter no record is read.
    std::vector<Bookmark> bookmarksIn(Order* order) {
        std::vector<Bookmark> bookmarks;
        bookmarks.reserve(cursor.count());
        if (order) {
            order->forEachEntry(*dbf, [&](std::string_view, std::uint32_t recno) {
                if (cursor.passes(recno)) bookmarks.push_back(recno);
            });
        } else {
            for (std::uint32_t n = 1; n <= cursor.count(); ++n)
                if (cursor.passes(n)) bookmarks.push_back(n);
        }
        return bookmarks;
    }

    void closeAll() {
        dbf.reset();
        structural = StructuralIndex();
        ntxOrders.clear();
        indexName.clear();
        filter.reset();
        cursor.detach();
        state = EditState::Inactive;
        buffer.clear();
        before.clear();
    }

    void flush() {
        if (!dbf) return;
        if (dbf->mode() == DbfFile::Mode::ReadOnly) return;
        dbf->flush();
        structural.flush(*dbf);
    }
};

XbaseTable::XbaseTable() : impl_(std::make_unique<Impl>()) {}

XbaseTable::~XbaseTable() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; callers who care close explicitly.
    }
}

void XbaseTable::SetDatabaseName(const std::string& directory) {
    impl_->databaseName = directory;
}
const std::string& XbaseTable::DatabaseName() const {
    return impl_->databaseName;
}
void XbaseTable::SetTableName(const std::string& name) {
    impl_->tableName = name;
}
const std::string& XbaseTable::TableName() const {
    return impl_->tableName;
}
void XbaseTable::SetTableType(TableType type) {
    impl_->tableType = type;
}
TableType XbaseTable::GetTableType() const {
    return impl_->tableType;
}
void XbaseTable::SetExclusive(bool exclusive) {
    impl_->exclusive = exclusive;
}
bool XbaseTable::Exclusive() const {
    return impl_->exclusive;
}
void XbaseTable::SetReadOnly(bool readOnly) {
    impl_->readOnly = readOnly;
}
bool XbaseTable::ReadOnly() const {
    return impl_->readOnly;
}
void XbaseTable::SetFilterOptions(FilterOptions options) {
    impl_->filterOptions = options;
}
FilterOptions XbaseTable::GetFilterOptions() const {
    return impl_->filterOptions;
}
std::string XbaseTable::FileName() const {
    return impl_->fileName();
}

void XbaseTable::Open() {
    Impl& d = *impl_;
    if (d.dbf) return;
    DbfFile::Mode mode = d.exclusive  ? DbfFile::Mode::Exclusive
                         : d.readOnly ? DbfFile::Mode::ReadOnly
                                      : DbfFile::Mode::Shared;
    std::string path = d.fileName();
    if (!fileExists(path))
        throw EXbaseError(XbaseErrorCode::OpenFailed, "Table " + path + " does not exist.");
    try {
        d.dbf = std::make_unique<DbfFile>(nativePath(path), mode);
        if (d.tableType == TableType::ttCDX) {
            std::string cdx = path.substr(0, path.size() - 4) + ".cdx";
            d.structural = StructuralIndex(cdx, d.dbf->fields());
        }
    } catch (...) {
        d.closeAll();
        throw;
    }
    d.buffer.assign(d.dbf->recordLength(), ' ');
    d.before.assign(d.dbf->recordLength(), ' ');
    d.state = EditState::Browse;
    d.cursor.attach(d.dbf.get());
    d.cursor.scanForward(0);
    d.notify();
}

void XbaseTable::Close() {
    Impl& d = *impl_;
    if (!d.dbf) return;
    try {
        if (d.state == EditState::Edit || d.state == EditState::Insert) d.post();
        d.flush();
    } catch (...) {
        d.closeAll();
        throw;
    }
    d.closeAll();
}

bool XbaseTable::Active() const {
    return impl_->dbf != nullptr;
}

void XbaseTable::Flush() {
    impl_->requireOpen();
    impl_->flush();
}

const FieldList& XbaseTable::Fields() const {
    impl_->requireOpen();
    return impl_->dbf->fields();
}

void XbaseTable::OpenIndexFile(const std::string& fileName) {
    Impl& d = *impl_;
    d.requireOpen();
    d.ntxOrders.push_back(Order::openNtx(fileName, baseName(fileName), *d.dbf));
}

void XbaseTable::SetIndexName(const std::string& name) {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    Order* order = name.empty() ? nullptr : &d.requireOrder(name);
    d.indexName = name;
    d.cursor.changeOrder(order);
    d.notify();
}

const std::string& XbaseTable::IndexName() const {
    return impl_->indexName;
}

void XbaseTable::CreateIndex(const std::string& tagName, const std::string& keyExpression) {
    Impl& d = *impl_;
    d.requireWritable();
    d.postIfEditing();
    if (d.tableType != TableType::ttCDX)
        throw EXbaseError(XbaseErrorCode::BadState,
                          "Table " + d.dbf->path() + " has no structural index.");
    if (d.structural.empty()) {
        std::string path = d.fileName();
        d.structural = StructuralIndex::create(path.substr(0, path.size() - 4) + ".cdx");
    }
    d.structural.addTag(*d.dbf, upper(tagName), keyExpression);
    d.structural.flush(*d.dbf);
}

std::vector<std::string> XbaseTable::TagNames() const {
    return impl_->structural.tagNames();
}

bool XbaseTable::SeekKey(const std::string& key) {
    Impl& d = *impl_;
    KeyIndex& keys = d.keysToSeek();
    std::string wanted = d.cursor.order()->seekKey(key);
    for (std::size_t p = keys.lowerBound(wanted); p < keys.size() && keys.keyAt(p) == wanted; ++p) {
        if (d.cursor.passes(keys.recnoAt(p))) {
            d.cursor.setAt(keys.recnoAt(p), p);
            d.notify();
            return true;
        }
    }
    if (d.cursor.eof()) d.cursor.scanBackward(std::ptrdiff_t(keys.size()) - 1);
    return false;
}

bool XbaseTable::SeekNearest(const std::string& prefix) {
    Impl& d = *impl_;
    KeyIndex& keys = d.keysToSeek();
    std::string wanted = d.cursor.order()->seekPrefix(prefix);
    d.cursor.scanForward(keys.lowerBound(wanted, '\0'));
    d.notify();
    return !d.cursor.eof();
}

void XbaseTable::SetFilter(const std::string& expression) {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    // The parser knows the fields, not the table: the text gets its name here.
    std::optional<Expression> filter;
    try {
        filter = Expression::parse(expression, d.dbf->fields());
    } catch (const EXbaseError& e) {
        throw EXbaseError(e.code(), "Table " + d.dbf->path() + ": " + e.what());
    }
    if (filter->type() != Expression::Type::Logical)
        throw EXbaseError(
            XbaseErrorCode::BadExpression,
            "Filter \"" + expression + "\" is not a condition for table " + d.dbf->path() + ".");
    d.filter = std::move(filter);
    d.filterText = expression;
    d.cursor.setFilter(&*d.filter);
    d.cursor.scanForward(0);
    d.notify();
}

void XbaseTable::ClearFilter() {
    Impl& d = *impl_;
    d.cursor.setFilter(nullptr);
    d.filter.reset();
    d.filterText.clear();
}

const std::string& XbaseTable::Filter() const {
    return impl_->filterText;
}

void XbaseTable::First() {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    d.cursor.scanForward(0);
    d.notify();
}

void XbaseTable::Last() {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    d.cursor.scanBackward(PTRDIFF_MAX);
    d.notify();
}

void XbaseTable::Next() {
    MoveBy(1);
}
void XbaseTable::Prior() {
    MoveBy(-1);
}

void XbaseTable::MoveBy(int countToMove) {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    d.cursor.moveBy(countToMove);
    d.notify();
}

bool XbaseTable::Eof() const {
    return impl_->cursor.eof();
}
bool XbaseTable::Bof() const {
    return impl_->cursor.bof();
}
bool XbaseTable::IsEmpty() const {
    return impl_->cursor.count() == 0;
}
std::uint32_t XbaseTable::RecNo() const {
    return impl_->cursor.recno();
}
Bookmark XbaseTable::GetBookmark() const {
    return impl_->cursor.recno();
}

void XbaseTable::GotoBookmark(Bookmark bookmark) {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    d.cursor.gotoRecord(bookmark);
    d.notify();
}

std::vector<Bookmark> XbaseTable::Bookmarks() {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    return d.bookmarksIn(d.cursor.order());
}

std::vector<Bookmark> XbaseTable::Bookmarks(const std::string& indexName) {
    Impl& d = *impl_;
    d.requireOpen();
    d.postIfEditing();
    return d.bookmarksIn(&d.requireOrder(indexName));
}

std::size_t XbaseTable::ReadAhead(std::span<const Bookmark> bookmarks) {
    impl_->requireOpen();
    return impl_->dbf->readAhead(bookmarks);
}

std::uint32_t XbaseTable::RecordCount() {
    Impl& d = *impl_;
    d.requireOpen();
    const std::uint32_t count = d.cursor.count();
    if (d.filterOptions == FilterOptions::IGNORE_WHEN_COUNTING || !d.filter) return count;
    std::uint32_t passing = 0;
    for (std::uint32_t n = 1; n <= count; ++n)
        if (d.cursor.passes(n)) ++passing;
    return passing;
}

std::int64_t XbaseTable::Position() const {
    const Impl& d = *impl_;
    d.requireOpen();
    d.requireUnfiltered();
    const TableCursor& cursor = d.cursor;
    if (cursor.eof() || cursor.bof() || cursor.recno() == 0) return -1;
    // In record order the cursor's place is the record number itself.
    return cursor.order() ? std::int64_t(cursor.pos()) : std::int64_t(cursor.recno()) - 1;
}

void XbaseTable::GotoPosition(std::uint32_t position) {
    Impl& d = *impl_;
    d.requireOpen();
    d.requireUnfiltered();
    d.postIfEditing();
    TableCursor& cursor = d.cursor;
    const std::size_t size = cursor.order() ? cursor.keys().size() : cursor.count();
    if (position >= size)
        throw EXbaseError(
            XbaseErrorCode::BadState,
            "Position " + std::to_string(position) + " is past the end of " + d.dbf->path() + ".");
    if (cursor.order())
        cursor.setAt(cursor.keys().recnoAt(position), position);
    else
        cursor.setAt(position + 1, position + 1);
    d.notify();
}

EditState XbaseTable::State() const {
    return impl_->state;
}

void XbaseTable::Edit() {
    Impl& d = *impl_;
    d.requireWritable();
    if (d.state == EditState::Edit || d.state == EditState::Insert) return;
    if (d.cursor.recno() == 0)
        throw EXbaseError(XbaseErrorCode::BadState,
                          "There is no current record to edit in " + d.dbf->path() + ".");
    d.state = EditState::Edit;
}

void XbaseTable::Append() {
    Impl& d = *impl_;
    d.requireWritable();
    d.postIfEditing();
    std::fill(d.buffer.begin(), d.buffer.end(), ' ');
    d.state = EditState::Insert;
}

void XbaseTable::Post() {
    impl_->requireOpen();
    impl_->post();
}

void XbaseTable::Cancel() {
    Impl& d = *impl_;
    if (d.state != EditState::Edit && d.state != EditState::Insert) return;
    d.state = EditState::Browse;
    d.loadCurrent();
    d.notify();
}

void XbaseTable::Delete() {
    Impl& d = *impl_;
    d.requireWritable();
    if (d.state == EditState::Insert) return Cancel();
    d.postIfEditing();
    if (d.cursor.recno() == 0)
        throw EXbaseError(XbaseErrorCode::BadState,
                          "There is no current record to delete in " + d.dbf->path() + ".");
    d.dbf->setDeleted(d.cursor.recno(), true);
    d.loadCurrent();
    d.notify();
}

bool XbaseTable::Deleted() const {
    const Impl& d = *impl_;
    return d.cursor.recno() != 0 && !d.buffer.empty() && d.buffer[0] == '*';
}

void XbaseTable::Pack() {
    Impl& d = *impl_;
    d.requireWritable();
    d.postIfEditing();
    if (d.dbf->mode() != DbfFile::Mode::Exclusive)
        throw EXbaseError(XbaseErrorCode::NotExclusive,
                          "Table " + d.dbf->path() + " must be opened exclusively to pack it.");
    d.dbf->pack();
    d.structural.invalidateAll();
    d.flush();
    d.cursor.scanForward(0);
    d.notify();
}

std::string XbaseTable::GetText(const std::string& name) const {
    return impl_->textOf(impl_->field(name));
}

Date XbaseTable::GetDate(const std::string& name) const {
    const FieldDef& f = impl_->field(name);
    return readDate(f, impl_->buffer.data());
}

bool XbaseTable::GetBool(const std::string& name) const {
    const FieldDef& f = impl_->field(name);
    return readLogical(f, impl_->buffer.data());
}

std::int64_t XbaseTable::GetInt(const std::string& name) const {
    const FieldDef& f = impl_->field(name);
    return readInteger(f, impl_->buffer.data());
}

double XbaseTable::GetNumber(const std::string& name) const {
    const FieldDef& f = impl_->field(name);
    return readNumber(f, impl_->buffer.data());
}

void XbaseTable::SetText(const std::string& name, const std::string& value) {
    const FieldDef& f = impl_->field(name);
    writeText(f, impl_->editableRecord(), value);
}

void XbaseTable::SetDate(const std::string& name, Date value) {
    const FieldDef& f = impl_->field(name);
    writeDate(f, impl_->editableRecord(), value);
}

void XbaseTable::SetBool(const std::string& name, bool value) {
    const FieldDef& f = impl_->field(name);
    writeLogical(f, impl_->editableRecord(), value);
}

void XbaseTable::SetInt(const std::string& name, std::int64_t value) {
    const FieldDef& f = impl_->field(name);
    writeInteger(f, impl_->editableRecord(), value);
}

void XbaseTable::SetNumber(const std::string& name, double value) {
    const FieldDef& f = impl_->field(name);
    writeNumber(f, impl_->editableRecord(), value);
}

const FieldDef& XbaseTable::Field(const std::string& name) const {
    return impl_->field(name);
}

std::string XbaseTable::GetText(const FieldDef& field) const {
    return impl_->textOf(impl_->field(field));
}

std::string_view XbaseTable::GetRaw(const FieldDef& field) const {
    return readRaw(impl_->field(field), impl_->buffer.data());
}

Date XbaseTable::GetDate(const FieldDef& field) const {
    return readDate(impl_->field(field), impl_->buffer.data());
}

std::int64_t XbaseTable::GetInt(const FieldDef& field) const {
    return readInteger(impl_->field(field), impl_->buffer.data());
}

void XbaseTable::SetText(const FieldDef& field, std::string_view value) {
    writeText(impl_->field(field), impl_->editableRecord(), value);
}

void XbaseTable::SetDate(const FieldDef& field, Date value) {
    writeDate(impl_->field(field), impl_->editableRecord(), value);
}

void XbaseTable::CopyContentsTo(XbaseTable& destination) {
    Impl& s = *impl_;
    Impl& t = *destination.impl_;
    s.requireOpen();
    t.requireWritable();
    s.postIfEditing();
    t.postIfEditing();
    RecordCopier copier(s.dbf->fields(), t.dbf->fields());
    std::vector<char> out(t.dbf->recordLength());
    // Appending in bulk: the destination's orders are rebuilt once when next
    // needed rather than kept sorted record by record.
    t.structural.invalidateAll();
    const bool filtered = s.filter && s.filterOptions == FilterOptions::RESPECT_WHEN_COUNTING;
    auto copyOne = [&](std::uint32_t n) {
        const char* in = s.recordBytes(n);
        if (in[0] == '*') return;
        if (filtered && !s.filter->test(in)) return;
        copier.copy(in, out.data());
        t.dbf->appendRecord(out.data());
    };
    if (s.cursor.order()) {
        KeyIndex& keys = s.cursor.keys();
        for (std::size_t p = 0; p < keys.size(); ++p) copyOne(keys.recnoAt(p));
    } else {
        for (std::uint32_t n = 1; n <= s.cursor.count(); ++n) copyOne(n);
    }
    if (s.cursor.recno() != 0) s.loadCurrent();
    t.notify();
}

void XbaseTable::CreateTable(const std::string& fileName, const std::string& fieldDefinitions) {
    FieldList fields = parseFieldDefinitions(fieldDefinitions);
    DbfFile::create(nativePath(fileName), fields);
}

void XbaseTable::DisableControls() {
    ++impl_->disabled;
}

void XbaseTable::EnableControls() {
    if (impl_->disabled > 0 && --impl_->disabled == 0) impl_->notify();
}

bool XbaseTable::ControlsDisabled() const {
    return impl_->disabled > 0;
}

int XbaseTable::AddListener(Listener listener) {
    int id = impl_->nextListenerId++;
    impl_->listeners.emplace_back(id, std::move(listener));
    return id;
}

void XbaseTable::RemoveListener(int id) {
    auto& l = impl_->listeners;
    l.erase(std::remove_if(l.begin(), l.end(), [id](const auto& e) { return e.first == id; }),
            l.end());
}

}  // namespace marklift
