// A copy of a file written whole under a temporary name beside its target
// and moved into the target's place only by commit(): a copy cut short (a
// full disk, a share gone) leaves the target as it was and nothing beside it.
#pragma once

#include <string>

#include "platform/replacing_file.h"

namespace marklift {

class ReplacingCopy {
public:
    // Copies every byte of `from` to a temporary file beside `to` (both
    // program paths) and pushes it to the disk. Throws PlatformError naming
    // the file that failed; the target is then untouched. Without commit(),
    // the temporary file goes when the object does.
    ReplacingCopy(const std::string& from, const std::string& to);
    ReplacingCopy(const ReplacingCopy&) = delete;
    ReplacingCopy& operator=(const ReplacingCopy&) = delete;

    // Renames the copy over the target; only the rename is left to fail, so
    // copies made first can replace their targets together. Throws
    // PlatformError; the target is then as it was.
    void commit() { target_.commit(); }

private:
    ReplacingFile target_;
};

}  // namespace marklift
