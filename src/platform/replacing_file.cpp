#include "platform/replacing_file.h"

#include <filesystem>
#include <functional>
#include <system_error>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace marklift {
namespace {

// Bytes gathered before they go to the file: large enough that a long file
// costs few writes, small enough not to matter in memory.
constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

ReplacingFile::ReplacingFile(const std::string& path) : target_(nativePath(path)) {
    if (target_.empty()) throw PlatformError("No file name given");
    std::error_code ec;
    if (fs::exists(pathFromUtf8(target_), ec)) {
        // A file the user may not write stays as it is, although the rename
        // could replace it: opening it for writing (without truncating)
        // asks the same question the replaced file would have.
        File(target_, File::Access::ReadWrite, File::Lock::None);
    }
    temporary_ = freeTemporaryName(target_);
    underTargetName([this] {
        file_ = std::make_unique<File>(temporary_, File::Access::ReadWrite, File::Lock::None,
                                       File::Create::Truncate);
    });
    buffer_.reserve(kBufferSize);
}

ReplacingFile::~ReplacingFile() {
    if (!committed_) discard();
}

void ReplacingFile::write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize) flushBuffer();
}

void ReplacingFile::flushBuffer() {
    underTargetName([this] { file_->writeAt(written_, buffer_.data(), buffer_.size()); });
    written_ += buffer_.size();
    buffer_.clear();
}

void ReplacingFile::finish() {
    flushBuffer();
    underTargetName([this] { file_->sync(); });
    finished_ = true;
}

void ReplacingFile::commit() {
    if (!finished_) finish();
    file_.reset();
    replaceFile(temporary_, target_);
    committed_ = true;
}

void ReplacingFile::underTargetName(const std::function<void()>& work) const {
    try {
        work();
    } catch (const PlatformError& error) {
        std::string text = error.what();
        for (std::size_t at = text.find(temporary_); at != std::string::npos;
             at = text.find(temporary_, at + target_.size()))
            text.replace(at, temporary_.size(), target_);
        throw PlatformError(text);
    }
}

void ReplacingFile::discard() noexcept {
    file_.reset();
    std::error_code ignored;
    fs::remove(pathFromUtf8(temporary_), ignored);
}

}  // namespace marklift
