// A table's structural .cdx: its tags as Orders, kept right as the table
// changes and written back as a whole file when the table is flushed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tables/dbf_file.h"
#include "tables/order.h"

namespace marklift {

class StructuralIndex {
public:
    StructuralIndex() = default;
    // Opens the .cdx at `programPath` when it exists; otherwise no tags.
    StructuralIndex(const std::string& programPath, const FieldList& fields);
    // No tags yet; the file is written at the first flush.
    static StructuralIndex create(const std::string& programPath);

    bool empty() const { return tags_.empty(); }
    Order* find(const std::string& upperName);
    std::vector<std::string> tagNames() const;
    // Throws EXbaseError(ReadOnly) when a tag cannot be kept up to date.
    void requireMaintainable(const std::string& tableName) const;

    void addTag(const DbfFile& dbf, const std::string& name, const std::string& keyExpression);
    // Only `active`'s keys (the order the table walks, if one of these) are
    // kept up to date as records are appended: the others are rebuilt when
    // next needed, at the latest when written, once rather than a record at
    // a time and without holding them in memory meanwhile.
    void recordAppended(const char* record, std::uint32_t recno, const Order* active);
    void recordChanged(const char* before, const char* after, std::uint32_t recno);
    void invalidateAll();
    // Writes the whole file when anything changed: to a temporary name
    // first, then over the old file, so a failure never leaves half an index.
    void flush(const DbfFile& dbf);

private:
    std::string nativePath_;
    std::vector<std::unique_ptr<Order>> tags_;
    bool dirty_ = false;
};

}  // namespace marklift
