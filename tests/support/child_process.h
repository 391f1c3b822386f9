// Running part of a test in a child process: as another program would run
// beside Marklift (holding a lock, say), or as an unprivileged user, whose
// writes the kernel refuses where root's would pass. POSIX only, like the
// tests that use it.
#pragma once

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <stdexcept>
#include <utility>

namespace marklift::testing {

// "nobody": the user and group an unprivileged child runs as.
inline constexpr uid_t kUnprivilegedId = 65534;

// Exit statuses of a child whose body did not return.
inline constexpr int kChildThrew = 125;
inline constexpr int kChildCouldNotDropPrivileges = 126;

// A forked child running `body`; its exit status is what `body` returns.
// With `unprivileged`, a child of root first becomes kUnprivilegedId (a
// child of another user stays that user, whom permission bits bind anyway).
class ChildProcess {
public:
    explicit ChildProcess(const std::function<int()>& body, bool unprivileged = false) {
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) ::_exit(run(body, unprivileged));
    }
    // A child still running is killed: a failed test must not leave it behind.
    ~ChildProcess() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        wait();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the child to end: its exit status, or minus the signal that
    // ended it.
    int wait() {
        if (pid_ > 0) {
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            pid_ = 0;
        }
        return status_;
    }

private:
    // In the child: nothing of the parent's clean-up may run, so every way
    // out is a status.
    static int run(const std::function<int()>& body, bool unprivileged) {
        if (unprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedId) != 0 ||
             ::setuid(kUnprivilegedId) != 0))
            return kChildCouldNotDropPrivileges;
        try {
            return body();
        } catch (...) {
            return kChildThrew;
        }
    }

    pid_t pid_ = 0;
    int status_ = -1;
};

// Runs `body` in a child and returns its exit status.
inline int RunInChild(const std::function<int()>& body, bool unprivileged = false) {
    return ChildProcess(body, unprivileged).wait();
}

// One-byte messages between a parent and its child over a pipe made before
// the fork: one side notifies, the other waits for it.
class Signal {
public:
    Signal() {
        if (::pipe(fds_) != 0) throw std::runtime_error("pipe failed");
    }
    ~Signal() {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    void notify() {
        const char byte = 1;
        while (::write(fds_[1], &byte, 1) < 0 && errno == EINTR) {
        }
    }
    // False when nothing came within `timeoutMs`, so a test whose other side
    // died fails instead of hanging.
    bool await(int timeoutMs = 10000) {
        pollfd readable{fds_[0], POLLIN, 0};
        if (::poll(&readable, 1, timeoutMs) != 1) return false;
        char byte = 0;
        return ::read(fds_[0], &byte, 1) == 1;
    }

private:
    int fds_[2] = {-1, -1};
};

}  // namespace marklift::testing
