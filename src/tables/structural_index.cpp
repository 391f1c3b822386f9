#include "tables/structural_index.h"

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"
#include "tables/xbase_error.h"

namespace marklift {

StructuralIndex::StructuralIndex(const std::string& programPath, const FieldList& fields)
    : nativePath_(nativePath(programPath)) {
    if (!fileExists(programPath)) return;
    try {
        File file(nativePath_, File::Access::ReadOnly, File::Lock::None);
        FileByteSource source(file);
        CdxReader reader(source);
        for (std::size_t i = 0; i < reader.tags().size(); ++i)
            tags_.push_back(Order::cdxTag(nativePath_, i, reader.tags()[i], fields));
    } catch (const PlatformError& e) {
        throw EXbaseError(XbaseErrorCode::OpenFailed, e.what());
    }
}

StructuralIndex StructuralIndex::create(const std::string& programPath) {
    StructuralIndex index;
    index.nativePath_ = nativePath(programPath);
    return index;
}

Order* StructuralIndex::find(const std::string& upperName) {
    for (auto& tag : tags_)
        if (tag->name() == upperName) return tag.get();
    return nullptr;
}

std::vector<std::string> StructuralIndex::tagNames() const {
    std::vector<std::string> names;
    for (const auto& tag : tags_) names.push_back(tag->name());
    return names;
}

void StructuralIndex::requireMaintainable(const std::string& tableName) const {
    for (const auto& tag : tags_)
        if (!tag->maintainable())
            throw EXbaseError(XbaseErrorCode::ReadOnly,
                              "Index tag " + tag->name() + " of table " + tableName +
                                  " cannot be kept up to date by this program.");
}

void StructuralIndex::addTag(const DbfFile& dbf, const std::string& name,
                             const std::string& keyExpression) {
    if (name.empty() || name.size() > 10)
        throw EXbaseError(XbaseErrorCode::BadExpression,
                          "Tag name \"" + name + "\" must have 1 to 10 characters.");
    if (find(name))
        throw EXbaseError(XbaseErrorCode::BadState,
                          "Tag " + name + " already exists in " + nativePath_ + ".");
    Expression key = Expression::parse(keyExpression, dbf.fields());
    CdxTag tag;
    tag.name = name;
    tag.keyExpression = keyExpression;
    switch (key.type()) {
        case Expression::Type::Character:
            tag.keyLength = static_cast<std::uint16_t>(key.width());
            tag.characterKeys = true;
            break;
        case Expression::Type::Date:
            tag.keyLength = 8;
            tag.characterKeys = false;
            break;
        default:
            throw EXbaseError(
                XbaseErrorCode::BadExpression,
                "Index key \"" + keyExpression + "\" must be a character or date expression.");
    }
    tags_.push_back(Order::newCdxTag(tag, std::move(key), dbf));
    dirty_ = true;
}

void StructuralIndex::recordAppended(const char* record, std::uint32_t recno, const Order* active) {
    for (auto& tag : tags_) {
        if (tag.get() == active)
            tag->recordAppended(record, recno);
        else
            tag->invalidate();
    }
    if (!tags_.empty()) dirty_ = true;
}

void StructuralIndex::recordChanged(const char* before, const char* after, std::uint32_t recno) {
    for (auto& tag : tags_) tag->recordChanged(before, after, recno);
    if (!tags_.empty()) dirty_ = true;
}

void StructuralIndex::invalidateAll() {
    for (auto& tag : tags_) tag->invalidate();
    if (!tags_.empty()) dirty_ = true;
}

void StructuralIndex::flush(const DbfFile& dbf) {
    if (!dirty_) return;
    std::vector<CdxTag> definitions;
    for (const auto& tag : tags_) definitions.push_back(tag->tag());
    // Written whole beside the old file and moved over it, so a failure part
    // way leaves the previous index, and a reader never meets half of one.
    try {
        ReplacingFile replacement(nativePath_);
        writeCdx(replacement.temporaryPath(), definitions,
                 [&](std::size_t i) { return tags_[i]->snapshot(dbf, nativePath_); });
        replacement.commit();
    } catch (const PlatformError& e) {
        // The platform's text names the index file and the reason.
        throw EXbaseError(XbaseErrorCode::IoError, e.what());
    }
    for (std::size_t i = 0; i < tags_.size(); ++i) tags_[i]->writtenTo(nativePath_, i);
    dirty_ = false;
}

}  // namespace marklift
