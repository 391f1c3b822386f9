// Reading a whole .ntx that another program may be updating at the same
// time, by the protocol documented at the top of clipper_locks.h.
#pragma once

#include <cstdint>

#include "platform/file.h"
#include "tables/ntx_index.h"

namespace marklift {

// Reads the index under its writers' lock, again when its update counter
// moved meanwhile, and leaves out the keys of records past `records` (the
// count the table was opened with). Throws EXbaseError(OpenFailed) when the
// lock is not had in time or the counter never holds still, and readNtx's
// errors for an index that is damaged when read under the lock.
NtxContents readSharedNtx(File& file, std::uint32_t records);

}  // namespace marklift
