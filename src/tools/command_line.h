// What the small command-line tools share: one way to refuse arguments they
// cannot use, and one way to turn how a run ended into an exit status.
#pragma once

#include <exception>
#include <iostream>

namespace marklift {

// Thrown by a tool's argument parsing; the tool's usage text is shown.
struct UsageError {};

// Runs `run` and gives its exit status: 2 with the usage text for a
// UsageError, 1 with "tool: message" for any other error.
template <class Run>
int RunCommandLine(const char* tool, const char* usage, Run run) {
    try {
        return run();
    } catch (const UsageError&) {
        std::cerr << usage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << tool << ": " << e.what() << "\n";
        return 1;
    }
}

}  // namespace marklift
