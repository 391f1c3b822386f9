#include "platform/replacing_copy.h"

#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "platform/paths.h"

namespace marklift {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

}  // namespace

ReplacingCopy::ReplacingCopy(const std::string& from, const std::string& to) : target_(to) {
    const File source(nativePath(from), File::Access::ReadOnly, File::Lock::None);
    std::vector<char> chunk(kChunkSize);
    std::uint64_t offset = 0;
    for (;;) {
        const std::size_t read = source.readAt(offset, chunk.data(), chunk.size());
        if (read == 0) break;
        target_.write(std::string_view(chunk.data(), read));
        offset += read;
    }
    // Every byte on the disk before the copy may take the target's place.
    target_.finish();
}

}  // namespace marklift
