// Another program run by a test, on POSIX and on Windows alike: its standard
// input and output are pipes to the test, its errors go where the test's go.
// The test reads what it reports line by line and ends it by closing its
// input, so the program can hold something (a table) for as long as the
// test needs another process to hold it.
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

#include <stdexcept>
#include <string>
#include <vector>

namespace marklift::testing {

class ChildProgram {
public:
    ChildProgram(const std::string& path, const std::vector<std::string>& arguments);
    ~ChildProgram() { finish(); }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // The next line the program wrote, without its line break; empty once it
    // has closed its output.
    std::string readLine() {
        std::string line;
        char c = 0;
        while (readByte(c) && c != '\n') line += c;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    // Closes the program's input, waits for its end and gives its exit status
    // (minus the signal that ended it on POSIX). Later calls give it again.
    int finish();

private:
    bool readByte(char& c);

#ifdef _WIN32
    HANDLE process_ = nullptr;
    HANDLE input_ = nullptr;
    HANDLE output_ = nullptr;
#else
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
#endif
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
    const std::wstring text = wide(argument);
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : text) {
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

}  // namespace child_program_detail

inline ChildProgram::ChildProgram(const std::string& path,
                                  const std::vector<std::string>& arguments) {
    using namespace child_program_detail;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &input_, &inherited, 0) ||
        !CreatePipe(&output_, &childOutput, &inherited, 0))
        fail("CreatePipe");
    // The test's own ends stay with the test: an inherited copy of the input
    // would keep the program's input open after the test closed it.
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring commandLine = quoted(path);
    for (const std::string& argument : arguments) commandLine += L" " + quoted(argument);
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(wide(path).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   0, nullptr, nullptr, &startup, &started);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!ok) fail("cannot run " + path);
    CloseHandle(started.hThread);
    process_ = started.hProcess;
}

inline bool ChildProgram::readByte(char& c) {
    DWORD read = 0;
    return ReadFile(output_, &c, 1, &read, nullptr) && read == 1;
}

inline int ChildProgram::finish() {
    if (process_ == nullptr) return status_;
    CloseHandle(input_);
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    status_ = static_cast<int>(code);
    CloseHandle(output_);
    CloseHandle(process_);
    process_ = nullptr;
    return status_;
}

#else

inline ChildProgram::ChildProgram(const std::string& path,
                                  const std::vector<std::string>& arguments) {
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid_ == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    input_ = input[1];
    output_ = output[0];
}

inline bool ChildProgram::readByte(char& c) {
    for (;;) {
        const ssize_t n = ::read(output_, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        return n == 1;
    }
}

inline int ChildProgram::finish() {
    if (pid_ < 0) return status_;
    ::close(input_);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    ::close(output_);
    pid_ = -1;
    return status_;
}

#endif

}  // namespace marklift::testing
