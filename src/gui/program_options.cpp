#include "gui/program_options.h"

namespace marklift {

const char kMarkliftUsage[] =
    "usage: marklift [--ini FILE]\n"
    "       marklift --help | --version\n"
    "  --ini FILE  the settings file to read and write instead of MARKLIFT.ini\n"
    "              beside the program or in the user's settings folder\n";

namespace {

// An answer leaves nothing else to read, and nothing wrong.
ProgramOptions answering(ProgramOptions::Answer answer) {
    ProgramOptions options;
    options.answer = answer;
    return options;
}

}  // namespace

ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments) {
    ProgramOptions options;
    auto fail = [&options](const std::string& error) {
        if (options.error.empty()) options.error = error;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h")
            return answering(ProgramOptions::Answer::Help);
        if (argument == "--version") return answering(ProgramOptions::Answer::Version);
        if (argument.starts_with("--ini=")) {
            options.iniFile = argument.substr(6);
        } else if (argument == "--ini" && i + 1 < arguments.size()) {
            options.iniFile = arguments[++i];
        } else if (argument == "--ini") {
            fail("--ini needs a value");
        } else {
            fail((argument.starts_with("-") ? "unknown option \"" : "unexpected argument \"") +
                 argument + "\"");
        }
        if (options.iniFile && options.iniFile->empty()) fail("--ini needs a value");
    }
    return options;
}

}  // namespace marklift
