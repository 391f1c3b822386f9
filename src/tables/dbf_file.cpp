#include "tables/dbf_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <limits>

#include "tables/clipper_locks.h"
#include "tables/dbf_format.h"
#include "tables/record_cache.h"
#include "tables/records_ahead.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

// Records are read and written back in blocks of this size, and at most
// this many bytes of them are kept: index walks and record-by-record edits of
// a large table cost memory copies, not a system call each.
constexpr std::size_t kBlockBytes = 64 * 1024;
constexpr std::size_t kCacheBytes = 16 * 1024 * 1024;
// Another program's table, read-only here, is scanned or looked up a record
// at a time (a student by SSN) all over a file that may be larger than the
// cache: each miss then reads a page rather than a whole block. A scan pays
// more reads for the same bytes, which measures as no slower.
constexpr std::size_t kLookupBlockBytes = 4 * 1024;
// Appended records are written once this many bytes are waiting.
constexpr std::size_t kAppendBufferBytes = 256 * 1024;
constexpr std::size_t kMaxFields = 255;
// Records read ahead of their use are held up to this many bytes.
constexpr std::size_t kReadAheadBytes = 16 * 1024 * 1024;

Date today() {
    std::time_t now = std::time(nullptr);
    // Tables are only touched from one thread, so localtime's shared buffer
    // is safe here.
    if (const std::tm* local = std::localtime(&now))
        return Date::fromYmd(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday);
    std::chrono::year_month_day utc{
        std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
    return Date::fromYmd(static_cast<int>(utc.year()), static_cast<int>(unsigned(utc.month())),
                         static_cast<int>(unsigned(utc.day())));
}

File openTableFile(const std::string& path, DbfFile::Mode mode) {
    File::Access access =
        mode == DbfFile::Mode::ReadOnly ? File::Access::ReadOnly : File::Access::ReadWrite;
    File::Lock lock = mode == DbfFile::Mode::Exclusive ? File::Lock::Exclusive : File::Lock::Shared;
    try {
        return File(path, access, lock);
    } catch (const PlatformError& error) {
        // The platform's text names the file and the reason.
        throw EXbaseError(XbaseErrorCode::OpenFailed, error.what());
    }
}

// Opens the file to be replaced under an exclusive lock before emptying it,
// so a table someone else has open is refused rather than wiped.
File openForCreate(const std::string& path) {
    try {
        File file(path, File::Access::ReadWrite, File::Lock::Exclusive, File::Create::IfMissing);
        file.truncate(0);
        return file;
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::OpenFailed, error.what());
    }
}

void checkNewFields(const std::string& path, const FieldList& fields) {
    auto fail = [&](const std::string& reason) {
        throw EXbaseError(XbaseErrorCode::BadFieldDefinition,
                          "The table " + path + " cannot be created: " + reason + ".");
    };
    if (fields.size() == 0) fail("a table needs at least one field");
    if (fields.size() > kMaxFields)
        fail("a table has at most " + std::to_string(kMaxFields) + " fields");
    if (fields.recordLength() > kDbfMaxRecordLength) fail("the record is too long");
    for (const FieldDef& field : fields.fields()) {
        if (field.name.empty() || field.name.size() > kDbfMaxNameLength)
            fail("the field name \"" + field.name + "\" is empty or too long");
        if (field.length == 0) fail("the field " + field.name + " has length 0");
    }
}

}  // namespace

struct DbfFile::State final : RecordCache::Backing {
    State(const std::string& nativePath, Mode openMode)
        : path(nativePath),
          mode(openMode),
          file(openTableFile(nativePath, openMode)),
          cache(*this, openRecords(), openMode == Mode::ReadOnly ? kLookupBlockBytes : kBlockBytes,
                kCacheBytes) {}

    std::string path;
    Mode mode;
    File file;
    DbfHeader header;                           // as on disk but for the record count
    unsigned char prefix[kDbfPrefixSize] = {};  // the header's first bytes as read
    FieldList fields;
    std::uint32_t diskRecords = 0;  // records in the file, not counting the append buffer
    bool changed = false;           // since the header was last written
    // Records 1 .. diskRecords, with in-place changes not yet written.
    RecordCache cache;
    // Records read ahead, as on disk or in the cache when read; dropped at
    // any change.
    RecordsAhead ahead;

    // Appended records not yet written, numbered from diskRecords + 1.
    std::vector<char> pending;
    std::uint32_t pendingCount = 0;

    std::uint32_t recordLength() const { return header.recordLength; }
    std::uint32_t recordCount() const { return diskRecords + pendingCount; }
    // How many whole records `bytes` hold; at least one.
    std::uint32_t recordsPer(std::size_t bytes) const {
        return static_cast<std::uint32_t>(std::max<std::size_t>(bytes / recordLength(), 1));
    }

    // Returns the record length, once it has been checked.
    std::uint32_t readHeader();
    // readHeader(), for another program's table under the protocol of
    // clipper_locks.h: the count is taken while no append is under way and
    // leaves out appended records that are still being filled.
    std::uint32_t openRecords();

    void readBytes(std::uint64_t offset, void* buffer, std::size_t count, std::uint32_t recno);
    void writeBytes(std::uint64_t offset, const void* buffer, std::size_t count);
    void readRecords(std::uint32_t first, std::uint32_t count, char* into) override;
    void writeRecords(std::uint32_t first, std::uint32_t count, const char* from) override;

    void checkRecno(std::uint32_t recno) const;
    void requireWritable() const;
    char* appended(std::uint32_t recno) {
        return pending.data() + std::size_t{recno - diskRecords - 1} * recordLength();
    }

    const char* record(std::uint32_t recno);
    std::size_t readAhead(std::span<const std::uint32_t> visits);
    void readAheadInBlock(std::size_t first, std::size_t end, std::vector<char>& scratch);
    void writePending();
    void flush();
    void pack();
};

std::uint32_t DbfFile::State::readHeader() {
    std::uint64_t fileSize = 0;
    try {
        fileSize = file.size();
        if (fileSize < kDbfPrefixSize)
            throwBadDbfHeader(path, "the file is too short (" + std::to_string(fileSize) +
                                        " bytes) to hold a table header");
        file.readExactly(0, prefix, sizeof prefix);
        header = decodeDbfHeader(prefix);
        if (header.headerLength > fileSize)
            throwBadDbfHeader(path, "the header length " + std::to_string(header.headerLength) +
                                        " is beyond the end of the file");
        std::vector<unsigned char> block(header.headerLength);
        file.readExactly(0, block.data(), block.size());
        fields =
            FieldList(decodeFieldDescriptors(block.data(), block.size(), header.version, path));
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::IoError, error.what());
    }
    if (fields.recordLength() != header.recordLength) {
        throwBadDbfHeader(path, "the record length " + std::to_string(header.recordLength) +
                                    " does not match its fields, which need " +
                                    std::to_string(fields.recordLength()));
    }
    if (dbfEndOfRecords(header, header.recordCount) > fileSize) {
        throwBadDbfHeader(
            path, "the header declares " + std::to_string(header.recordCount) +
                      " records but the file holds only " +
                      std::to_string((fileSize - header.headerLength) / header.recordLength));
    }
    diskRecords = header.recordCount;
    return header.recordLength;
}

std::uint32_t DbfFile::State::openRecords() {
    if (mode != Mode::ReadOnly) return readHeader();
    SharedByteLocks headerLock(file, {kDbfHeaderLockOffset});
    const std::uint32_t length = readHeader();
    diskRecords = settledRecordCount(file, diskRecords);
    return length;
}

void DbfFile::State::readBytes(std::uint64_t offset, void* buffer, std::size_t count,
                               std::uint32_t recno) {
    std::size_t done = 0;
    try {
        done = file.readAt(offset, buffer, count);
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::IoError,
                          std::string(error.what()) + " (record " + std::to_string(recno) + ")");
    }
    if (done != count) {
        throw EXbaseError(XbaseErrorCode::IoError, "The table " + path + " ends before record " +
                                                       std::to_string(recno) + ".");
    }
}

void DbfFile::State::writeBytes(std::uint64_t offset, const void* buffer, std::size_t count) {
    try {
        file.writeAt(offset, buffer, count);
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::IoError, error.what());
    }
}

void DbfFile::State::readRecords(std::uint32_t first, std::uint32_t count, char* into) {
    readBytes(dbfRecordOffset(header, first), into, std::size_t{count} * recordLength(), first);
}

void DbfFile::State::writeRecords(std::uint32_t first, std::uint32_t count, const char* from) {
    writeBytes(dbfRecordOffset(header, first), from, std::size_t{count} * recordLength());
}

void DbfFile::State::checkRecno(std::uint32_t recno) const {
    if (recno == 0 || recno > recordCount()) {
        throw EXbaseError(XbaseErrorCode::BadState,
                          "Record " + std::to_string(recno) + " does not exist in " + path +
                              ", which has " + std::to_string(recordCount()) + " records.");
    }
}

void DbfFile::State::requireWritable() const {
    if (mode == Mode::ReadOnly)
        throw EXbaseError(XbaseErrorCode::ReadOnly, "The table " + path + " is open read-only.");
}

const char* DbfFile::State::record(std::uint32_t recno) {
    checkRecno(recno);
    if (recno > diskRecords) return appended(recno);
    if (!ahead.empty())
        if (const char* held = ahead.find(recno)) return held;
    return cache.read(recno, diskRecords);
}

std::size_t DbfFile::State::readAhead(std::span<const std::uint32_t> visits) {
    if (visits.empty()) {
        ahead.clear();
        return 0;
    }
    // The memory of the records held so far serves the next ones.
    const std::size_t taken = std::min<std::size_t>(visits.size(), recordsPer(kReadAheadBytes));
    ahead.reset(visits.first(taken), recordLength());
    // Appended records not yet written are in memory already; numbers
    // outside the table are left for record() to refuse.
    const std::vector<std::uint32_t>& wanted = ahead.wanted();
    std::size_t first = std::lower_bound(wanted.begin(), wanted.end(), 1u) - wanted.begin();
    const std::size_t onDisk =
        std::upper_bound(wanted.begin(), wanted.end(), diskRecords) - wanted.begin();
    const std::uint32_t perBlock = recordsPer(kBlockBytes);
    std::vector<char> scratch;
    try {
        while (first < onDisk) {
            const std::uint32_t block = (wanted[first] - 1) / perBlock;
            std::size_t end = first + 1;
            while (end < onDisk && (wanted[end] - 1) / perBlock == block) ++end;
            readAheadInBlock(first, end, scratch);
            first = end;
        }
    } catch (const EXbaseError&) {
        // What was not read stays for record() to read, or to refuse.
    }
    return taken;
}

// Records ahead.wanted()[first, end), all in one block of the file: those in
// the cache are taken from there, where they may hold changes not yet
// written; the others with one read of the span they cover.
void DbfFile::State::readAheadInBlock(std::size_t first, std::size_t end,
                                      std::vector<char>& scratch) {
    const std::vector<std::uint32_t>& wanted = ahead.wanted();
    std::uint32_t low = 0, high = 0;
    for (std::size_t i = first; i < end; ++i) {
        if (const char* cached = cache.peek(wanted[i])) {
            ahead.store(i, cached);
        } else {
            if (low == 0) low = wanted[i];
            high = wanted[i];
        }
    }
    if (low == 0) return;
    scratch.resize(std::size_t{high - low + 1} * recordLength());
    readRecords(low, high - low + 1, scratch.data());
    for (std::size_t i = first; i < end; ++i) {
        if (wanted[i] < low || wanted[i] > high || cache.peek(wanted[i])) continue;
        ahead.store(i, scratch.data() + std::size_t{wanted[i] - low} * recordLength());
    }
}

void DbfFile::State::writePending() {
    if (pendingCount == 0) return;
    writeBytes(dbfRecordOffset(header, diskRecords + 1), pending.data(), pending.size());
    diskRecords += pendingCount;
    pending.clear();
    pendingCount = 0;
}

void DbfFile::State::flush() {
    if (!changed) return;
    cache.writeBack();
    writePending();
    header.recordCount = diskRecords;
    header.lastUpdate = today();
    encodeDbfUpdate(header, prefix);
    writeBytes(0, prefix, sizeof prefix);
    const unsigned char mark = kDbfEndOfFileMark;
    writeBytes(dbfEndOfRecords(header, diskRecords), &mark, 1);
    changed = false;
}

// Streams the records one block at a time, moving each kept record down over
// the deleted ones. Kept records are only ever written below the block being
// read, so nothing is overwritten before it has been read. The cache is
// written back first and forgotten: every record may move.
void DbfFile::State::pack() {
    requireWritable();
    if (mode != Mode::Exclusive) {
        throw EXbaseError(XbaseErrorCode::NotExclusive,
                          "The table " + path + " must be open exclusively to be packed.");
    }
    ahead.clear();
    writePending();
    cache.writeBack();
    cache.clear();
    const std::uint32_t blockRecords = recordsPer(kBlockBytes);
    std::vector<char> block(std::size_t{blockRecords} * recordLength());
    std::uint32_t kept = 0;
    for (std::uint32_t first = 1; first <= diskRecords;) {
        std::uint32_t count = std::min(blockRecords, diskRecords - first + 1);
        readRecords(first, count, block.data());
        std::uint32_t keptHere = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            const char* source = block.data() + std::size_t{i} * recordLength();
            if (isDbfRecordDeleted(source)) continue;
            if (keptHere != i)
                std::memmove(block.data() + std::size_t{keptHere} * recordLength(), source,
                             recordLength());
            ++keptHere;
        }
        if (keptHere > 0 && (kept + 1 != first || keptHere != count))
            writeRecords(kept + 1, keptHere, block.data());
        kept += keptHere;
        first += count;
    }
    diskRecords = kept;
    try {
        file.truncate(dbfEndOfRecords(header, kept) + 1);
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::IoError, error.what());
    }
    changed = true;
    flush();
}

DbfFile::DbfFile(const std::string& nativePath, Mode mode)
    : state_(std::make_unique<State>(nativePath, mode)) {}

DbfFile::~DbfFile() {
    try {
        state_->flush();
    } catch (...) {
        // Callers who care call flush() first (see the header).
    }
}

void DbfFile::create(const std::string& nativePath, const FieldList& fields, Kind kind) {
    checkNewFields(nativePath, fields);
    DbfHeader header;
    header.version = kDbfVersionPlain;
    header.lastUpdate = today();
    header.headerLength = dbfHeaderLength(fields.size());
    header.recordLength = static_cast<std::uint16_t>(fields.recordLength());
    if (kind == Kind::FoxPro) {
        header.tableFlags = kDbfFlagStructuralIndex;
        header.codePageMark = kDbfCodePage437;
    }
    std::vector<unsigned char> bytes = encodeDbfHeaderBlock(header, fields);
    bytes.push_back(kDbfEndOfFileMark);
    File file = openForCreate(nativePath);
    try {
        file.writeAt(0, bytes.data(), bytes.size());
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::IoError, error.what());
    }
}

const std::string& DbfFile::path() const {
    return state_->path;
}
DbfFile::Mode DbfFile::mode() const {
    return state_->mode;
}
std::uint8_t DbfFile::version() const {
    return state_->header.version;
}
Date DbfFile::lastUpdate() const {
    return state_->header.lastUpdate;
}
bool DbfFile::hasStructuralIndexFlag() const {
    return (state_->header.tableFlags & kDbfFlagStructuralIndex) != 0;
}
const FieldList& DbfFile::fields() const {
    return state_->fields;
}
std::uint32_t DbfFile::recordLength() const {
    return state_->recordLength();
}
std::uint32_t DbfFile::recordCount() const {
    return state_->recordCount();
}

const char* DbfFile::record(std::uint32_t recno) const {
    return state_->record(recno);
}

bool DbfFile::settled() const {
    return !state_->changed;
}

void DbfFile::readStored(std::uint32_t first, std::uint32_t count, char* into) const {
    const State& s = *state_;
    if (first == 0 || count > s.diskRecords || first > s.diskRecords - count + 1)
        throw EXbaseError(XbaseErrorCode::BadState,
                          "Records " + std::to_string(first) + " to " +
                              std::to_string(std::uint64_t{first} + count - 1) +
                              " are not all in " + s.path + ".");
    const std::size_t bytes = std::size_t{count} * s.recordLength();
    std::size_t done = 0;
    try {
        done = s.file.readAt(dbfRecordOffset(s.header, first), into, bytes);
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::IoError,
                          std::string(error.what()) + " (record " + std::to_string(first) + ")");
    }
    if (done != bytes)
        throw EXbaseError(XbaseErrorCode::IoError,
                          "The table " + s.path + " ends before record " +
                              std::to_string(first + done / s.recordLength()) + ".");
}

std::size_t DbfFile::readAhead(std::span<const std::uint32_t> recnos) {
    return state_->readAhead(recnos);
}

void DbfFile::writeRecord(std::uint32_t recno, const char* bytes) {
    State& s = *state_;
    s.requireWritable();
    s.checkRecno(recno);
    s.changed = true;
    // memmove: `bytes` may be the very record record() handed out, also
    // one held ahead, which is why those go only after the move.
    if (recno > s.diskRecords) {
        std::memmove(s.appended(recno), bytes, s.recordLength());
        return;
    }
    s.cache.write(recno, s.diskRecords, bytes);
    s.ahead.clear();
}

std::uint32_t DbfFile::appendRecord(const char* bytes) {
    State& s = *state_;
    s.requireWritable();
    if (s.recordCount() == std::numeric_limits<std::uint32_t>::max())
        throw EXbaseError(XbaseErrorCode::BadState, "The table " + s.path + " is full.");
    // Reserved once, while the buffer is still empty, so that appending never
    // moves it: `bytes` may be a buffered record handed out by record().
    if (s.pending.capacity() < kAppendBufferBytes + s.recordLength())
        s.pending.reserve(kAppendBufferBytes + s.recordLength());
    std::size_t end = s.pending.size();
    s.pending.resize(end + s.recordLength());
    std::memcpy(s.pending.data() + end, bytes, s.recordLength());
    ++s.pendingCount;
    s.changed = true;
    std::uint32_t recno = s.recordCount();
    if (s.pending.size() >= kAppendBufferBytes) s.writePending();
    return recno;
}

bool DbfFile::isDeleted(std::uint32_t recno) const {
    return isDbfRecordDeleted(state_->record(recno));
}

void DbfFile::setDeleted(std::uint32_t recno, bool deleted) {
    State& s = *state_;
    s.requireWritable();
    s.checkRecno(recno);
    s.changed = true;
    if (recno > s.diskRecords) return setDbfRecordDeleted(s.appended(recno), deleted);
    s.ahead.clear();
    setDbfRecordDeleted(s.cache.modify(recno, s.diskRecords), deleted);
}

void DbfFile::pack() {
    state_->pack();
}

void DbfFile::flush() {
    state_->flush();
}

}  // namespace marklift
