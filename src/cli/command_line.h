// What the small command-line tools share: one way to refuse arguments they
// cannot use, and one way to turn how a run ended into an exit status.
#pragma once

#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

namespace marklift {

// Thrown by a tool's argument parsing; the tool's usage text is shown,
// after the text when there is one saying what is wrong.
class UsageError : public std::runtime_error {
public:
    UsageError() : std::runtime_error("") {}
    explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

// Runs `run` and gives its exit status: 2 with the usage text for a
// UsageError, 1 with "tool: message" for any other error.
template <class Run>
int RunCommandLine(const char* tool, const char* usage, Run run) {
    try {
        return run();
    } catch (const UsageError& e) {
        if (*e.what()) std::cerr << tool << ": " << e.what() << "\n";
        std::cerr << usage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << tool << ": " << e.what() << "\n";
        return 1;
    }
}

}  // namespace marklift
