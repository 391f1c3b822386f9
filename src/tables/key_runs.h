// An order's keys sorted in bounded memory, for writing an index over more
// records than are worth holding at once. The records come a range at a
// time; each range's keys are sorted in memory and, unless they are the last,
// written to a scratch file beside the index. Reading them back merges the
// ranges. Ranges follow one another in record order, so among equal keys the
// merge gives the lower record number first, exactly as one sort of them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/key_index.h"

namespace marklift {

class File;

class KeyRuns {
public:
    // `scratchBeside` is a native path whose folder takes the scratch file.
    KeyRuns(std::size_t keyLength, std::string scratchBeside);
    ~KeyRuns();
    KeyRuns(KeyRuns&&) noexcept;
    KeyRuns& operator=(KeyRuns&&) noexcept;

    std::size_t keyLength() const { return keyLength_; }
    std::uint64_t size() const { return size_; }
    std::uint32_t maxRecno() const { return maxRecno_; }

    // Takes the sorted keys of the next range of records. Throws
    // EXbaseError(IoError) when the scratch file cannot be written.
    void add(KeyIndex run);
    void forEach(const KeyVisitor& visit) const;

private:
    struct SpilledRun {
        std::uint64_t offset = 0;
        std::uint64_t entries = 0;
    };
    class RunReader;

    void spill(const KeyIndex& run);

    std::size_t keyLength_;
    std::string scratchBeside_;
    std::unique_ptr<File> scratch_;
    std::uint64_t scratchEnd_ = 0;
    std::vector<SpilledRun> spilled_;
    KeyIndex last_;  // the newest run stays in memory
    std::uint64_t size_ = 0;
    std::uint32_t maxRecno_ = 0;
};

}  // namespace marklift
