// Another program run by a test, on POSIX and on Windows alike: its standard
// input, output and errors are pipes to the test. The test reads what it
// reports line by line, or everything to the end, and ends it by closing
// its input, so that the program can hold something (a table) for as long
// as the test needs another process to hold it.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace marklift::testing {

class ChildProgram {
public:
#ifdef _WIN32
    ChildProgram(const std::string& path, const std::vector<std::string>& arguments);
#else
    // `prepare` runs in the child just before the program starts (to drop
    // privileges or set a limit, both of which the program keeps).
    ChildProgram(const std::string& path, const std::vector<std::string>& arguments,
                 const std::function<void()>& prepare = {});
#endif
    ~ChildProgram() {
        finish();
    }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // The next line the program wrote, without its line break; empty once it
    // has closed its output.
    std::string readLine() {
        std::string line;
        char c = 0;
        while (readByte(output_, c) && c != '\n') line += c;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    // Closes the program's input and reads what it writes to its output and
    // to its errors, each to its end; the two are read at once, so that
    // neither pipe fills while the program waits to write to the other.
    std::pair<std::string, std::string> readToEnd() {
        closeInput();
        std::string errors;
        std::thread errorReader([&] { errors = drain(errors_); });
        std::string output = drain(output_);
        errorReader.join();
        return {output, errors};
    }

    // Closes the program's input, waits for its end and gives its exit status
    // (minus the signal that ended it on POSIX). Later calls give it again.
    int finish();

private:
#ifdef _WIN32
    using Pipe = HANDLE;
    static constexpr HANDLE kClosed = nullptr;
#else
    using Pipe = int;
    static constexpr int kClosed = -1;
#endif

    static bool readByte(Pipe pipe, char& c);
    static std::string drain(Pipe pipe) {
        std::string text;
        for (char c = 0; readByte(pipe, c);) text += c;
        return text;
    }
    void closeInput();

#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
#endif
    Pipe input_ = kClosed;
    Pipe output_ = kClosed;
    Pipe errors_ = kClosed;
    int status_ = -1;
};

#ifdef _WIN32

namespace child_program_detail {

[[noreturn]] inline void fail(const std::string& what) {
    throw std::runtime_error(what + ": Windows error " + std::to_string(GetLastError()));
}

inline std::wstring wide(const std::string& text) {
    std::wstring result(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(),
                                      static_cast<int>(result.size()));
    result.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
    return result;
}

// One argument as the C runtime's command-line parsing gives it back:
// quoted, with backslashes doubled where a quote follows them.
inline std::wstring quoted(const std::string& argument) {
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : wide(argument)) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        result += c;
    }
    result.append(backslashes * 2, L'\\');
    return result + L"\"";
}

// A pipe whose `childEnd` the program inherits and whose other end stays
// with the test: an inherited copy of the test's end of the input would
// keep the program's input open after the test closed it.
inline void makePipe(HANDLE& testEnd, HANDLE& childEnd, bool childReads) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &inherited, 0)) fail("CreatePipe");
    testEnd = childReads ? write : read;
    childEnd = childReads ? read : write;
    SetHandleInformation(testEnd, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace child_program_detail

inline ChildProgram::ChildProgram(const std::string& path,
                                  const std::vector<std::string>& arguments) {
    using namespace child_program_detail;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    makePipe(input_, startup.hStdInput, true);
    makePipe(output_, startup.hStdOutput, false);
    makePipe(errors_, startup.hStdError, false);
    std::wstring commandLine = quoted(path);
    for (const std::string& argument : arguments) commandLine += L" " + quoted(argument);
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(wide(path).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   0, nullptr, nullptr, &startup, &started);
    for (HANDLE childEnd : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        CloseHandle(childEnd);
    if (!ok) fail("cannot run " + path);
    CloseHandle(started.hThread);
    process_ = started.hProcess;
}

inline bool ChildProgram::readByte(HANDLE pipe, char& c) {
    DWORD read = 0;
    return ReadFile(pipe, &c, 1, &read, nullptr) && read == 1;
}

inline void ChildProgram::closeInput() {
    if (input_ != kClosed) CloseHandle(input_);
    input_ = kClosed;
}

inline int ChildProgram::finish() {
    if (process_ == nullptr) return status_;
    closeInput();
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    status_ = static_cast<int>(code);
    CloseHandle(output_);
    CloseHandle(errors_);
    CloseHandle(process_);
    process_ = nullptr;
    return status_;
}

#else

inline ChildProgram::ChildProgram(const std::string& path,
                                  const std::vector<std::string>& arguments,
                                  const std::function<void()>& prepare) {
    int input[2];
    int output[2];
    int errors[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 ||
        ::pipe2(errors, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid_ == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(errors[1], STDERR_FILENO);
        auto say = [](const std::string& text) {
            if (::write(STDERR_FILENO, text.data(), text.size()) < 0) return;
        };
        try {
            if (prepare) prepare();
        } catch (const std::exception& error) {
            say(std::string("cannot prepare the child: ") + error.what());
            ::_exit(127);
        }
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        say("cannot run " + path + ": " + std::strerror(errno));
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    ::close(errors[1]);
    input_ = input[1];
    output_ = output[0];
    errors_ = errors[0];
}

inline bool ChildProgram::readByte(int pipe, char& c) {
    for (;;) {
        const ssize_t n = ::read(pipe, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        return n == 1;
    }
}

inline void ChildProgram::closeInput() {
    if (input_ != kClosed) ::close(input_);
    input_ = kClosed;
}

inline int ChildProgram::finish() {
    if (pid_ < 0) return status_;
    closeInput();
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    ::close(output_);
    ::close(errors_);
    pid_ = -1;
    return status_;
}

#endif

}  // namespace marklift::testing
