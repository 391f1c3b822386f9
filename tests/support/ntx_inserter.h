// Adds one key to a Clipper .ntx in place, the way a Clipper-kind program
// updates an index it shares: the key goes into its leaf; a page that
// overflows splits, its lower half moving to a new page at the end of the
// file and its middle key going up; a root that splits gets a new root. The
// changed pages are written one at a time, new pages first, and the header,
// with the update counter raised, last. For the test writer that plays ZOLT;
// the caller holds the index lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/file.h"

namespace marklift::testing {

// `betweenWrites` runs between two page writes: a writer's pace, which a
// reader that ignores the lock sees as a tree half updated.
void insertNtxKey(File& index, std::string_view key, std::uint32_t recno,
                  const std::function<void()>& betweenWrites);

}  // namespace marklift::testing
