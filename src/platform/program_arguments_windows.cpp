#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include "platform/program_arguments.h"
#include "platform/wide_text_windows.h"

namespace marklift {

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        // Never seen; the narrow arguments are still right for plain names.
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                        : std::vector<std::string>();
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

}  // namespace marklift
