#include "tables/clipper_locks.h"

#include <algorithm>
#include <thread>

#include "tables/ntx_format.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

std::chrono::milliseconds& configuredWait() {
    static std::chrono::milliseconds wait{1000};
    return wait;
}

EXbaseError errorOf(const PlatformError& error) {
    return EXbaseError(XbaseErrorCode::IoError, error.what());
}

}  // namespace

std::vector<std::uint64_t> ntxLockOffsets(std::uint16_t signature) {
    if (signature & kNtxNewLockOffsetFlag) return {kNtxLockOffset, kNtxNewLockOffset};
    return {kNtxLockOffset};
}

std::chrono::milliseconds shareLockWait() {
    return configuredWait();
}

void setShareLockWait(std::chrono::milliseconds wait) {
    configuredWait() = wait;
}

SharedByteLocks::SharedByteLocks(File& file, std::vector<std::uint64_t> offsets)
    : file_(file), offsets_(std::move(offsets)) {
    const auto deadline = std::chrono::steady_clock::now() + shareLockWait();
    // Writers hold these bytes for a few milliseconds at a time: looking
    // again soon catches the gap between two of their updates.
    std::chrono::microseconds pause{200};
    while (!tryAll()) {
        if (std::chrono::steady_clock::now() >= deadline)
            throw EXbaseError(XbaseErrorCode::OpenFailed,
                              file_.path() + " is in use by another program");
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds{5000});
    }
}

SharedByteLocks::~SharedByteLocks() {
    releaseFirst(offsets_.size());
}

bool SharedByteLocks::tryAll() {
    for (std::size_t i = 0; i < offsets_.size(); ++i) {
        bool locked = false;
        try {
            locked = file_.tryLockRange(offsets_[i], 1, File::RangeLock::Shared);
        } catch (const PlatformError& error) {
            releaseFirst(i);
            throw errorOf(error);
        }
        if (!locked) {
            releaseFirst(i);
            return false;
        }
    }
    return true;
}

void SharedByteLocks::releaseFirst(std::size_t count) noexcept {
    for (std::size_t i = 0; i < count; ++i) {
        try {
            file_.unlockRange(offsets_[i], 1);
        } catch (const PlatformError&) {
            // Closing the file gives the lock up in any case.
        }
    }
}

std::uint32_t settledRecordCount(File& file, std::uint32_t count) {
    try {
        while (count > 0 &&
               !file.tryLockRange(dbfRecordLockOffset(count), 1, File::RangeLock::Shared))
            --count;
        if (count > 0) file.unlockRange(dbfRecordLockOffset(count), 1);
    } catch (const PlatformError& error) {
        throw errorOf(error);
    }
    return count;
}

}  // namespace marklift
