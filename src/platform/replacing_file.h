// A file written whole under a temporary name beside its target and moved
// into the target's place only once every byte is on the disk: a failure part
// way leaves the previous file as it was and no half-written file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace marklift {

class File;

class ReplacingFile {
public:
    // `path` is a program path. Throws PlatformError when the target exists
    // but may not be written (a read-only file, a directory) or when the
    // temporary file cannot be created (missing directory, no access, no name).
    explicit ReplacingFile(const std::string& path);
    // Without commit(), removes the temporary file; the target is untouched.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Appends `bytes`. Throws PlatformError on a write error (a full disk).
    void write(std::string_view bytes);
    // Writes what is buffered and pushes it to the disk, so that a commit()
    // after it has only the rename left that could fail: several files can
    // then be written first and replace their targets together. Throws
    // PlatformError.
    void finish();
    // Finishes the file when that was not done, gives it the permissions of
    // the file it replaces and renames it over the target. Throws
    // PlatformError; the target is then as it was.
    void commit();

    const std::string& targetPath() const { return target_; }
    const std::string& temporaryPath() const { return temporary_; }

private:
    void flushBuffer();
    // Runs `work` on the temporary file; a failure is told under the
    // target's name, as the temporary name means nothing to the user.
    void underTargetName(const std::function<void()>& work) const;
    void discard() noexcept;

    std::string target_;     // native
    std::string temporary_;  // native, in the target's directory
    std::unique_ptr<File> file_;
    std::string buffer_;
    std::uint64_t written_ = 0;
    bool finished_ = false;
    bool committed_ = false;
};

}  // namespace marklift
