// A fresh directory of its own for each object, removed with everything in
// it when the object goes, and the helpers to name, write and read the files
// in it. Every test that needs a directory on disk takes one of these.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace marklift::testing {

class TempDirectory {
public:
    // `label` goes into the directory's name, so that one a crashed test
    // left behind says whose it was.
    explicit TempDirectory(const std::string& label = "test") {
        std::random_device random;
        // A name already taken (by another test program running at the same
        // time, or one left behind) is never reused: try the next one.
        do {
            path_ =
                std::filesystem::temp_directory_path() /
                ("marklift-" + label + "-" + std::to_string(random()) + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The directory with a separator at the end, ready for a file name.
    std::string dir() const { return (path_ / "").string(); }

    // The native path of `relative` (with '/') inside the directory.
    std::string file(const std::string& relative) const { return (path_ / relative).string(); }

    // The directory as the program writes paths: backslashes, one at the end.
    std::string programPath() const {
        std::string text = path_.string();
        std::replace(text.begin(), text.end(), '/', '\\');
        return text + '\\';
    }

    // Writes `contents` byte for byte to `relative` (with '/'), creating
    // the directories on the way.
    void writeFile(const std::string& relative, const std::string& contents) const {
        std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << contents;
    }

    std::string readFile(const std::string& relative) const {
        std::ifstream in(path_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // The names directly in the directory, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

}  // namespace marklift::testing
