// What the export tests share besides their temporary directory: whole-file
// reads and writes, and a progress display that records what the writer told it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/upload/export_progress.h"

namespace marklift::testing {

namespace fs = std::filesystem;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// What the writer told its displays, across every display it made.
struct ProgressLog {
    int created = 0;
    int alive = 0;
    std::vector<std::pair<std::int64_t, std::string>> begins;
    std::vector<std::pair<std::int64_t, std::int64_t>> updates;
    bool failBegin = false;  // BeginProgress throws, as a display that cannot be shown
};

class RecordingProgress : public ExportProgress {
public:
    explicit RecordingProgress(ProgressLog& log) : log_(log) {
        ++log_.created;
        ++log_.alive;
    }
    ~RecordingProgress() override { --log_.alive; }
    void BeginProgress(std::int64_t total, const std::string& fileName) override {
        if (log_.failBegin) throw std::runtime_error("no display");
        log_.begins.emplace_back(total, fileName);
    }
    void UpdateProgress(std::int64_t records, std::int64_t bytes) override {
        log_.updates.emplace_back(records, bytes);
    }

private:
    ProgressLog& log_;
};

inline ExportProgressFactory RecordingProgressFactory(ProgressLog& log) {
    return [&log] { return std::make_unique<RecordingProgress>(log); };
}

}  // namespace marklift::testing
