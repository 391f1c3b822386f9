// What the upload file writer tells about a run while it writes: the total
// at the start, then records and bytes every few records. The progress
// window is one such display; tests count the calls through another.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace marklift {

class ExportProgress {
public:
    // Destroying the display closes it.
    virtual ~ExportProgress() = default;
    virtual void BeginProgress(std::int64_t total, const std::string& fileName) = 0;
    virtual void UpdateProgress(std::int64_t records, std::int64_t bytes) = 0;
};

// Makes a display, shown from its creation on; the writer calls it at the
// start of each run that shows progress.
using ExportProgressFactory = std::function<std::unique_ptr<ExportProgress>()>;

}  // namespace marklift
