// For faults only the kernel can make, as tests run as root and without
// limits: a program run as a child, another process holding a table, and a
// directory without write access, on every system; on POSIX also a forked
// child that gives up root or may not grow a file.
#pragma once

#ifndef _WIN32
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

#include "support/child_program.h"

namespace marklift::testing {

// How a child ended: its exit status (minus the signal when one ended it)
// and the report its body returned.
struct ChildResult {
    int status = -1;
    std::string report;
};

#ifndef _WIN32

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

inline std::string readToEnd(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// The exit status, or minus the signal that ended the process.
inline int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) fail("waitpid");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

}  // namespace child_process_detail

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
    result.report = readToEnd(report[0]);
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

// Runs `body` where permission bits count as they do for a user: in a
// forked child that gives up root (RunInChild, BecomeUnprivileged).
inline ChildResult RunWithoutPrivileges(const std::function<std::string()>& body) {
    return RunInChild([&body] {
        BecomeUnprivileged();
        return body();
    });
}

// In a child: no file may grow past `bytes`. A write beyond fails with EFBIG
// instead of ending the process, the way a write to a full disk fails.
inline void LimitFileSize(std::uint64_t bytes) {
    using child_process_detail::fail;
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) fail("setrlimit");
}

#else

// Runs `body` where permission bits count as they do for a user: on Windows
// the read-only attribute holds for every user (and Wine runs the tests
// unprivileged, see tools/run-under-wine), so in this process. Its status
// is 0 with the text `body` returns, or 1 with the text of what it threw.
inline ChildResult RunWithoutPrivileges(const std::function<std::string()>& body) {
    try {
        return {0, body()};
    } catch (const std::exception& error) {
        return {1, error.what()};
    }
}

#endif

// What a program run by RunProgram printed, and its exit status (minus the
// signal when one ended it on POSIX).
struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32
// Runs the program at `path` with `arguments` to its end.
inline ProgramResult RunProgram(const std::string& path,
                                const std::vector<std::string>& arguments) {
    ChildProgram program(path, arguments);
#else
// Runs the program at `path` with `arguments` to its end. `prepare` runs in
// the child just before the program starts (to drop privileges or set a
// limit, both of which the program keeps).
inline ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                                const std::function<void()>& prepare = {}) {
    ChildProgram program(path, arguments, prepare);
#endif
    auto [out, err] = program.readToEnd();
    return {program.finish(), std::move(out), std::move(err)};
}

#ifdef MARKLIFT_HOLD_TABLE
// Another process holding a table exclusively for as long as this object
// lives, the way the engine holds one: hold-table (tests/support), which the
// test programs above the platform's name in cmake/TestPrograms.cmake.
class LockingProcess {
public:
    explicit LockingProcess(const std::string& path)
        : holder_(MARKLIFT_HOLD_TABLE, {"exclusive", path}) {
        const std::string answer = holder_.readLine();
        if (answer != "opened") {
            holder_.finish();
            throw std::runtime_error("another process could not hold " + path + ": " + answer);
        }
    }
    LockingProcess(const LockingProcess&) = delete;
    LockingProcess& operator=(const LockingProcess&) = delete;

    // Returns once the other process has let go of the table (and ended).
    void release() { holder_.finish(); }

private:
    ChildProgram holder_;
};
#endif

// Makes a directory and the files directly in it read-only for the scope,
// then gives their permissions back. A process without root
// (BecomeUnprivileged, UnprivilegedScope) may then neither change those
// files nor add, remove or rename one. On Windows the files get the
// read-only attribute, which holds for every user; a folder's attribute does
// not keep new files out there, though Wine, which keeps it as permission
// bits, does.
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
