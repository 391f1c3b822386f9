// marklift-prepare: builds the work table and writes the upload file of all
// its records without a window, for scheduled jobs and scripts.
#include <iostream>
#include <string>
#include <vector>

#include "app/clock.h"
#include "export/prepare_command.h"
#include "platform/paths.h"
#include "tables/xbase_table.h"

int main(int argc, char* argv[]) {
    using namespace marklift;
    XbaseEngineSettings::Apply(XbaseEngineSettings());
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunPrepareCommand(arguments, executableDirectory(), systemClock(), std::cout, std::cerr);
}
