// XbaseTable: the one table abstraction the program uses. It opens a .dbf
// with its structural .cdx (FoxPro kind) or with .ntx files opened on
// request (Clipper kind), walks it in record or index order under an
// optional filter, reads and writes fields by name, and keeps every open
// index right as records are appended, edited, deleted and packed.
//
// Records marked deleted stay visible to navigation, seeks and RecordCount
// until the table is packed (show deleted is on), but CopyContentsTo never
// copies them.
//
// Index files are kept in memory while the table is open and written back
// when the table is flushed or closed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tables/date.h"
#include "tables/field.h"
#include "tables/xbase_error.h"

namespace marklift {

enum class TableType { ttCDX, ttNTX, ttADT };
enum class FilterOptions { IGNORE_WHEN_COUNTING, RESPECT_WHEN_COUNTING };
enum class EditState { Inactive, Browse, Edit, Insert };

using Bookmark = std::uint32_t;  // a record number

class XbaseTable {
public:
    XbaseTable();
    ~XbaseTable();  // closes, writing what is pending; errors are swallowed
    XbaseTable(const XbaseTable&) = delete;
    XbaseTable& operator=(const XbaseTable&) = delete;

    // -- Properties, set while closed ---------------------------------------
    // Directory with a trailing backslash, as the program writes paths.
    void SetDatabaseName(const std::string& directory);
    const std::string& DatabaseName() const;
    // Base name, with or without ".dbf".
    void SetTableName(const std::string& name);
    const std::string& TableName() const;
    void SetTableType(TableType type);
    TableType GetTableType() const;
    void SetExclusive(bool exclusive);
    bool Exclusive() const;
    // Open with read-only access at the operating-system level; any write
    // then fails with EXbaseError(ReadOnly). For tables of other programs.
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const;
    void SetFilterOptions(FilterOptions options);
    FilterOptions GetFilterOptions() const;

    // The program path of the .dbf: DatabaseName + TableName (+ ".dbf").
    std::string FileName() const;

    // -- Opening -------------------------------------------------------------
    void Open();   // throws EXbaseError(OpenFailed) naming the file
    void Close();  // writes what is pending, closes .ntx files, clears the order
    bool Active() const;
    // Writes buffered records, the header and every changed index now.
    void Flush();

    // Fields of the open table.
    const FieldList& Fields() const;

    // -- Orders --------------------------------------------------------------
    // Opens a Clipper .ntx (full program path) on the open table; its order
    // is selectable by its base name. The index is read whole, under the
    // lock its writers take (clipper_locks.h); it holds the keys of the
    // records the table was opened with. Throws EXbaseError(OpenFailed) when
    // another program holds it longer than a short wait.
    void OpenIndexFile(const std::string& fileName);
    // A tag of the structural .cdx or the base name of an opened .ntx,
    // without regard to case; empty selects record order. Keeps the current
    // record. Throws EXbaseError(NoSuchOrder).
    void SetIndexName(const std::string& name);
    const std::string& IndexName() const;
    // Adds an ascending, non-unique tag to the structural .cdx over all
    // records, creating the file when absent.
    void CreateIndex(const std::string& tagName, const std::string& keyExpression);
    // The names of the structural .cdx's tags, in file order.
    std::vector<std::string> TagNames() const;

    // Exact seek on the active order: the key as stored (text padded to the
    // key's width; for date keys yyyymmdd). True: on the first record with
    // that key. False: back on the record it was on (the last record when
    // it was past the end).
    bool SeekKey(const std::string& key);
    // Moves to the first record whose key is >= `prefix` compared over the
    // prefix's length only (incremental search). False when past the end.
    bool SeekNearest(const std::string& prefix);

    // -- Filter --------------------------------------------------------------
    void SetFilter(const std::string& expression);
    void ClearFilter();
    const std::string& Filter() const;

    // -- Navigation ----------------------------------------------------------
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves by `count` records in the current order (negative: backwards),
    // stopping at either end.
    void MoveBy(int count);
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    std::uint32_t RecNo() const;  // 0 when there is no current record
    Bookmark GetBookmark() const;
    // Throws EXbaseError when the record no longer exists.
    void GotoBookmark(Bookmark bookmark);
    // Every record First and Next would visit, in that order, without moving
    // the cursor. Without a filter no record is read: an order's record
    // numbers are its bookmarks.
    std::vector<Bookmark> Bookmarks();
    // The same in the order named, without making it the active one: an
    // order not in memory is read from its file a page at a time and left
    // there, so a caller who needs only its sequence holds no keys.
    std::vector<Bookmark> Bookmarks(const std::string& indexName);
    // For a caller about to visit many records by GotoBookmark in an order
    // of its own: reads the records of the first of `bookmarks` now, in file
    // order, and holds them until the next call or the next change to the
    // table, so that visiting them reads nothing more. Takes as many as a
    // fixed amount of memory holds, at least one, and returns how many; an
    // empty span lets go of the records held.
    std::size_t ReadAhead(std::span<const Bookmark> bookmarks);
    // Under RESPECT_WHEN_COUNTING the records passing the filter, otherwise
    // all records; records marked deleted count either way.
    std::uint32_t RecordCount();

    // -- Positions -----------------------------------------------------------
    // For views that show a large table row by row without walking it: on a
    // table without a filter, the records of the active order (record order
    // when none) take positions 0 to RecordCount() - 1. Both throw
    // EXbaseError(BadState) while a filter is set, where positions would
    // count records the filter hides.
    //
    // The current record's position; -1 when there is no current record.
    std::int64_t Position() const;
    // Moves to the record at `position`; throws EXbaseError past the end.
    void GotoPosition(std::uint32_t position);

    // -- Editing -------------------------------------------------------------
    EditState State() const;
    void Edit();
    // Adds a blank record in insert mode; it exists on disk once posted.
    void Append();
    void Post();
    void Cancel();
    // Marks the current record deleted; the cursor stays on it.
    void Delete();
    bool Deleted() const;

    // Removes records marked deleted, rebuilds every open index and moves to
    // the first record. Requires exclusive use.
    void Pack();

    // -- Fields of the current record (names without regard to case) ------
    // Read rules: see field.h. Reading outside a record gives empty values.
    std::string GetText(const std::string& field) const;
    Date GetDate(const std::string& field) const;
    bool GetBool(const std::string& field) const;
    std::int64_t GetInt(const std::string& field) const;
    double GetNumber(const std::string& field) const;
    // Writes need Edit or Insert state; they throw EXbaseError otherwise.
    void SetText(const std::string& field, const std::string& value);
    void SetDate(const std::string& field, Date value);
    void SetBool(const std::string& field, bool value);
    void SetInt(const std::string& field, std::int64_t value);
    void SetNumber(const std::string& field, double value);

    // -- Fields found once ---------------------------------------------------
    // For loops over many records: the field is looked up by name once, and
    // the record's value read or written by its definition, one of Fields().
    // A definition of another table throws EXbaseError(NoSuchField).
    const FieldDef& Field(const std::string& name) const;
    std::string GetText(const FieldDef& field) const;
    // The field's bytes as stored (blanks outside a record), valid until the
    // cursor moves or the record changes.
    std::string_view GetRaw(const FieldDef& field) const;
    Date GetDate(const FieldDef& field) const;
    std::int64_t GetInt(const FieldDef& field) const;
    void SetText(const FieldDef& field, std::string_view value);
    void SetDate(const FieldDef& field, Date value);

    // -- Bulk ----------------------------------------------------------------
    // Appends every record of this table (active order; filter under
    // RESPECT_WHEN_COUNTING) to the open `destination`, matching fields by
    // name, converting like types and cutting text to width. Records marked
    // deleted are never copied. Keeps the current record of this table.
    void CopyContentsTo(XbaseTable& destination);

    // Creates an empty FoxPro-kind table from a field-definition string
    // ("NAME, C, 4,0;..."), replacing any file of that name; leaves it closed.
    static void CreateTable(const std::string& fileName, const std::string& fieldDefinitions);

    // -- Display updates -----------------------------------------------------
    // While suspended, listeners are not told of moves and changes.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const;
    // Called after the current record, the order or the data changed (and
    // once when updates resume); for views bound to the table.
    using Listener = std::function<void()>;
    int AddListener(Listener listener);
    void RemoveListener(int id);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace marklift
