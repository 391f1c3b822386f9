// marklift's command line: --ini FILE names the settings file; --help and
// --version are answered without a window. Qt takes its own options
// (-platform, -style ...) before these are read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace marklift {

extern const char kMarkliftUsage[];

struct ProgramOptions {
    enum class Answer { None, Help, Version };
    // --help or --version anywhere wins over everything else.
    Answer answer = Answer::None;
    std::optional<std::string> iniFile;
    // What is wrong with the command line; empty when nothing is.
    std::string error;
};

ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments);

}  // namespace marklift
