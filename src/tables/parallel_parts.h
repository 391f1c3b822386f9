// Work over a long range of items split into consecutive parts that run at
// once, one thread each: rebuilding an index's keys touches every record and
// every key, and a user's computer has several processors.
#pragma once

#include <cstddef>
#include <functional>

namespace marklift {

// How many parts a job over `count` items is worth: one below a size where
// threads would cost more than they save, else one per processor thread, at
// most eight.
std::size_t partsFor(std::size_t count);

// Runs `work(part, first, end)` for `parts` consecutive parts of [0, count),
// each on a thread of its own (the first on the calling thread), and waits for
// them all. An exception thrown by a part passes to the caller once every part
// has ended; the first part's wins.
void runInParts(
    std::size_t count, std::size_t parts,
    const std::function<void(std::size_t part, std::size_t first, std::size_t end)>& work);

}  // namespace marklift
