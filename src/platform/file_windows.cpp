#include <windows.h>

#include <algorithm>

#include "platform/file.h"
#include "platform/overlapped_windows.h"
#include "platform/wide_text_windows.h"

namespace marklift {
namespace {

// ReadFile and WriteFile take at most a DWORD of bytes at a time.
constexpr std::size_t kMaxTransfer = 1u << 30;

std::string reason(const std::string& what, const std::string& path, DWORD error) {
    return what + " " + path + ": " + systemMessage(error);
}

// The share modes that give Lock its meaning: what other openers, in this
// process or another, may do with the file while this handle is open. The
// tables of another program are opened Shared, so that program may go on
// reading and writing them.
DWORD shareModeFor(File::Lock lock) {
    switch (lock) {
        case File::Lock::None:
            return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        case File::Lock::Shared:
            return FILE_SHARE_READ | FILE_SHARE_WRITE;
        case File::Lock::Exclusive:
            return 0;
    }
    return 0;
}

DWORD dispositionFor(File::Create create) {
    switch (create) {
        case File::Create::MustExist:
            return OPEN_EXISTING;
        case File::Create::Truncate:
            return CREATE_ALWAYS;
        case File::Create::IfMissing:
            return OPEN_ALWAYS;
        case File::Create::Scratch:
            return CREATE_NEW;
    }
    return OPEN_EXISTING;
}

// A scratch file is removed by the system when its handle closes, and is
// kept in memory where it can be.
DWORD attributesFor(File::Create create) {
    return create == File::Create::Scratch ? FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE
                                           : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

File::File(const std::string& path, Access access, Lock lock, Create create)
    : path_(path), access_(access) {
    const DWORD wanted = access == Access::ReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const HANDLE handle =
        CreateFileW(wideFromUtf8(path).c_str(), wanted, shareModeFor(lock), nullptr,
                    dispositionFor(create), attributesFor(create), nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Another opener's share mode, or its lock on the whole file, is what
        // flock's refusal is on POSIX: the same words, so callers wait it out.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            throw FileInUseError(path + " is in use by another program");
        throw PlatformError(reason("Cannot open", path, error));
    }
    handle_ = reinterpret_cast<Handle>(handle);
}

void File::close() noexcept {
    if (handle_ != kNoHandle) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNoHandle;
}

std::uint64_t File::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(reinterpret_cast<HANDLE>(handle_), &size))
        throw PlatformError(reason("Cannot read the size of", path_, GetLastError()));
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED position = overlappedAt(offset + done);
        DWORD read = 0;
        const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), out + done, chunk, &read, &position)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            throw PlatformError(reason("Cannot read", path_, error));
        }
        if (read == 0) break;
        done += read;
    }
    return done;
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED position = overlappedAt(offset + done);
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), in + done, chunk, &written, &position))
            throw PlatformError(reason("Cannot write", path_, GetLastError()));
        if (written == 0) throw PlatformError(reason("Cannot write", path_, ERROR_WRITE_FAULT));
        done += written;
    }
}

void File::truncate(std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(reinterpret_cast<HANDLE>(handle_), FileEndOfFileInfo, &end,
                                    sizeof end))
        throw PlatformError(reason("Cannot truncate", path_, GetLastError()));
}

void File::sync() {
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(handle_)))
        throw PlatformError(reason("Cannot flush", path_, GetLastError()));
}

void appendToFile(const std::string& path, std::string_view bytes) {
    // A handle opened for appending only writes each call at the end as it is
    // made, so the line of a run goes in whole beside another program's.
    const HANDLE handle = CreateFileW(wideFromUtf8(path).c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw PlatformError(reason("Cannot open", path, GetLastError()));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min(bytes.size() - done, kMaxTransfer));
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            const DWORD error = GetLastError();
            CloseHandle(handle);
            throw PlatformError(reason("Cannot write", path, error));
        }
        done += written;
    }
    if (!CloseHandle(handle)) throw PlatformError(reason("Cannot write", path, GetLastError()));
}

}  // namespace marklift
