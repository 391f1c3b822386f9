// Another program holding a file for itself: a child process that takes an
// exclusive lock on it and keeps it until the test lets go, the way ZOLT
// keeps a table while it rewrites it.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "child_process.h"

namespace marklift::testing {

class LockHolder {
public:
    // Returns once the child holds the lock on `nativePath`.
    explicit LockHolder(const std::string& nativePath)
        : child_(std::make_unique<ChildProcess>([this, nativePath] { return hold(nativePath); })) {
        if (!locked_.await()) throw std::runtime_error("the child could not lock " + nativePath);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Returns once the child has let go of the lock.
    void release() {
        if (!child_) return;
        release_.notify();
        const bool released = released_.await();
        child_.reset();
        if (!released) throw std::runtime_error("the child did not let go of its lock");
    }

private:
    int hold(const std::string& nativePath) {
        const int fd = ::open(nativePath.c_str(), O_RDONLY);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) return 1;
        locked_.notify();
        release_.await(60000);
        ::close(fd);
        released_.notify();
        return 0;
    }

    Signal locked_;
    Signal release_;
    Signal released_;
    std::unique_ptr<ChildProcess> child_;  // last: it ends before the pipes close
};

}  // namespace marklift::testing
