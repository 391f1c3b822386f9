// For faults only the kernel can make, as tests run as root and without
// limits: a forked child that gives up root or may not grow a file, a
// program run as a child, and another process holding a table's lock.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace marklift::testing {

// The user and group `nobody`, which owns nothing the tests make.
inline constexpr uid_t kUnprivilegedId = 65534;

namespace child_process_detail {

[[noreturn]] inline void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

inline void writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// Reads every given descriptor to its end, at the same time, so that
// neither pipe fills while the other is read.
inline std::vector<std::string> readAll(const std::vector<int>& fds) {
    std::vector<std::string> texts(fds.size());
    std::vector<pollfd> open;
    for (int fd : fds) open.push_back({fd, POLLIN, 0});
    std::size_t remaining = fds.size();
    while (remaining > 0) {
        if (::poll(open.data(), open.size(), -1) < 0) {
            if (errno == EINTR) continue;
            fail("poll");
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (open[i].fd < 0 || open[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(open[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                open[i].fd = -1;
                --remaining;
            } else {
                texts[i].append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    return texts;
}

// The exit status, or minus the signal that ended the process.
inline int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) fail("waitpid");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

}  // namespace child_process_detail

// How a child ended: its exit status (minus the signal when one ended it)
// and the report its body returned.
struct ChildResult {
    int status = -1;
    std::string report;
};

// Runs `body` in a forked child and waits for its end. The child exits 0
// with the text `body` returns as its report, or 1 with the text of what it
// threw; it never returns into the test program. Keep windows out of
// `body`: once Qt has painted, its drawing threads are missing in the child.
inline ChildResult RunInChild(const std::function<std::string()>& body) {
    using namespace child_process_detail;
    int report[2];
    if (::pipe(report) != 0) fail("pipe");
    const pid_t pid = ::fork();
    if (pid < 0) fail("fork");
    if (pid == 0) {
        ::close(report[0]);
        int status = 0;
        std::string text;
        try {
            text = body();
        } catch (const std::exception& error) {
            status = 1;
            text = error.what();
        } catch (...) {
            status = 1;
            text = "unknown exception";
        }
        writeAll(report[1], text);
        ::_exit(status);
    }
    ::close(report[1]);
    ChildResult result;
    result.report = readAll({report[0]})[0];
    ::close(report[0]);
    result.status = waitFor(pid);
    return result;
}

// In a child: gives up root for `nobody`, so that permission bits count as
// they do for a user. Nothing to give up when not root.
inline void BecomeUnprivileged() {
    using child_process_detail::fail;
    if (::geteuid() != 0) return;
    if (::setgroups(0, nullptr) != 0) fail("setgroups");
    if (::setgid(kUnprivilegedId) != 0) fail("setgid");
    if (::setuid(kUnprivilegedId) != 0) fail("setuid");
}

// For the scope, the whole test process meets files as `nobody` does: the
// effective user and group change, the real ones stay root, so root comes
// back at the end. For tests whose action needs windows, which cannot run
// in a child (see RunInChild); keep the scope to that one action. Nothing
// changes when not root.
class UnprivilegedScope {
public:
    UnprivilegedScope() {
        if (::geteuid() != 0) return;
        groups_.resize(static_cast<std::size_t>(::getgroups(0, nullptr)));
        if (::getgroups(static_cast<int>(groups_.size()), groups_.data()) < 0)
            child_process_detail::fail("getgroups");
        active_ = true;
        if (::setgroups(0, nullptr) != 0 || ::setegid(kUnprivilegedId) != 0 ||
            ::seteuid(kUnprivilegedId) != 0) {
            restore();
            child_process_detail::fail("giving up root");
        }
    }
    ~UnprivilegedScope() { restore(); }
    UnprivilegedScope(const UnprivilegedScope&) = delete;
    UnprivilegedScope& operator=(const UnprivilegedScope&) = delete;

private:
    void restore() {
        if (!active_) return;
        active_ = false;
        // Root's effective user first: only it may change the groups back.
        if (::seteuid(0) != 0 || ::setegid(0) != 0 ||
            ::setgroups(groups_.size(), groups_.data()) != 0)
            std::terminate();  // a test program left as nobody would prove nothing
    }

    std::vector<gid_t> groups_;
    bool active_ = false;
};

// In a child: no file may grow past `bytes`. A write beyond fails with EFBIG
// instead of ending the process, the way a write to a full disk fails.
inline void LimitFileSize(std::uint64_t bytes) {
    using child_process_detail::fail;
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) fail("setrlimit");
}

// What a program run by RunProgram printed, and its exit status (minus the
// signal when one ended it).
struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program at `path` with `arguments` to its end. `prepare` runs in
// the child just before the program starts (to drop privileges or set a
// limit, both of which the program keeps).
inline ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                                const std::function<void()>& prepare = {}) {
    using namespace child_process_detail;
    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) fail("pipe");
    const pid_t pid = ::fork();
    if (pid < 0) fail("fork");
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        for (int fd : {out[0], out[1], err[0], err[1]}) ::close(fd);
        try {
            if (prepare) prepare();
        } catch (const std::exception& error) {
            writeAll(STDERR_FILENO, std::string("cannot prepare the child: ") + error.what());
            ::_exit(127);
        }
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        writeAll(STDERR_FILENO, "cannot run " + path + ": " + std::strerror(errno));
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    const std::vector<std::string> texts = readAll({out[0], err[0]});
    ::close(out[0]);
    ::close(err[0]);
    return {waitFor(pid), texts[0], texts[1]};
}

// Another process holding an exclusive flock on a file for as long as this
// object lives: a table some other program has open, the way the engine
// locks its tables.
class LockingProcess {
public:
    explicit LockingProcess(const std::string& path) {
        using namespace child_process_detail;
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) fail("pipe");
        pid_ = ::fork();
        if (pid_ < 0) fail("fork");
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(path.c_str(), O_RDWR);
            const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            writeAll(ready[1], locked ? "y" : "n");
            ::close(ready[1]);
            char byte;
            while (::read(release[0], &byte, 1) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        const std::string answer = readAll({ready[0]})[0];
        ::close(ready[0]);
        if (answer != "y") {
            stop();
            throw std::runtime_error("another process could not lock " + path);
        }
    }
    ~LockingProcess() { release(); }
    LockingProcess(const LockingProcess&) = delete;
    LockingProcess& operator=(const LockingProcess&) = delete;

    // Returns once the other process has let go of the lock (and ended).
    void release() { stop(); }

private:
    // The child waits for the release pipe to close.
    void stop() {
        if (release_ < 0) return;
        ::close(release_);
        release_ = -1;
        child_process_detail::waitFor(pid_);
    }

    pid_t pid_ = -1;
    int release_ = -1;
};

// Makes a directory and the files directly in it read-only for the scope,
// then gives their permissions back. A process without root
// (BecomeUnprivileged, UnprivilegedScope) may then neither change those
// files nor add, remove or rename one.
class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(const std::filesystem::path& path) {
        namespace fs = std::filesystem;
        constexpr fs::perms kWrite =
            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        for (const auto& entry : fs::directory_iterator(path))
            if (entry.is_regular_file())
                saved_.emplace_back(entry.path(), entry.status().permissions());
        saved_.emplace_back(path, fs::status(path).permissions());
        for (const auto& [item, permissions] : saved_) fs::permissions(item, permissions & ~kWrite);
    }
    ~ReadOnlyDirectory() {
        std::error_code ignored;
        for (const auto& [item, permissions] : saved_)
            std::filesystem::permissions(item, permissions, ignored);
    }
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

private:
    std::vector<std::pair<std::filesystem::path, std::filesystem::perms>> saved_;
};

}  // namespace marklift::testing
