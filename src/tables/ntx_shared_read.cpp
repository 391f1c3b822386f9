#include "tables/ntx_shared_read.h"

#include <array>
#include <optional>

#include "tables/byte_source.h"
#include "tables/clipper_locks.h"
#include "tables/ntx_format.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

// Reads that find the counter moved before the index counts as in use.
constexpr int kReadsUntilInUse = 3;

// A file too short for a header reads as zeros here; readNtx names that
// damage.
NtxHeaderPage readHeaderPage(const File& file) {
    std::array<unsigned char, kNtxPageSize> page{};
    try {
        file.readAt(0, page.data(), page.size());
    } catch (const PlatformError& error) {
        throw EXbaseError(XbaseErrorCode::IoError, error.what());
    }
    return decodeNtxHeader(page.data());
}

KeyIndex keysUpTo(const KeyIndex& keys, std::uint32_t records) {
    KeyIndex kept(keys.keyLength());
    kept.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys.recnoAt(i) <= records) kept.add(keys.keyAt(i), keys.recnoAt(i));
    return kept;
}

}  // namespace

NtxContents readSharedNtx(File& file, std::uint32_t records) {
    // The signature does not change while an index is updated; only which
    // byte its writers lock depends on it.
    const std::vector<std::uint64_t> lockOffsets = ntxLockOffsets(readHeaderPage(file).signature);
    for (int read = 0; read < kReadsUntilInUse; ++read) {
        SharedByteLocks lock(file, lockOffsets);
        const std::uint16_t before = readHeaderPage(file).version;
        std::optional<NtxContents> contents;
        try {
            contents = readNtx(FileByteSource(file));
        } catch (const EXbaseError& error) {
            // A page that fails its checks while the counter held still is
            // damage; otherwise it was read in the middle of an update.
            if (error.code() != XbaseErrorCode::BadIndex || readHeaderPage(file).version == before)
                throw;
            continue;
        }
        if (readHeaderPage(file).version != before) continue;
        contents->keys = keysUpTo(contents->keys, records);
        return std::move(*contents);
    }
    throw EXbaseError(XbaseErrorCode::OpenFailed, file.path() + " is in use by another program");
}

}  // namespace marklift
