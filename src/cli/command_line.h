// What the small command-line tools share: one way to refuse arguments they
// cannot use, one way to answer --help and --version, and one way to turn
// how a run ended into an exit status.
#pragma once

#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include "core/session/application.h"

namespace marklift {

// Thrown by a tool's argument parsing; the tool's usage text is shown,
// after the text when there is one saying what is wrong.
class UsageError : public std::runtime_error {
public:
    UsageError() : std::runtime_error("") {}
    explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

// Answers --help (the usage, on standard output) and --version, each given
// alone; otherwise runs `run` and gives its exit status: 2 with the usage
// text for a UsageError, 1 with "tool: message" for any other error.
template <class Run>
int RunCommandLine(const char* tool, const char* usage, int argc, char** argv, Run run) {
    const std::string only = argc == 2 ? argv[1] : "";
    if (only == "--help" || only == "-h") {
        std::cout << usage;
        return 0;
    }
    if (only == "--version") {
        std::cout << VersionLine(tool) << "\n";
        return 0;
    }
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
