// marklift-demo-data: writes a ZOLT data directory of made-up but realistic
// students and results, for trying Marklift out and for timing it on large
// periods. The same seed gives the same files (but for the dates of the day).
#include <charconv>
#include <chrono>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <string>

#include "cli/command_line.h"
#include "cli/demo_data/demo_generator.h"
#include "platform/program_arguments.h"
#include "platform/utf8_path.h"

using namespace marklift;

namespace {

const char* const kUsage =
    "usage: marklift-demo-data DIR [--students N] [--results N] [--seed S]\n"
    "       marklift-demo-data --help | --version\n"
    "  --students N  rows of each student table of testing period 1 (default 2000)\n"
    "  --results N   records of each of period 1's six result tables (default 5000)\n"
    "  --seed S      seed of the made-up contents (default 1)\n";

struct Arguments {
    std::string directory;
    demo::DemoOptions options;
};

std::uint32_t parseCount(const std::string& text) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) throw UsageError{};
    return value;
}

Arguments parse(const std::vector<std::string>& args) {
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::uint32_t {
            if (i + 1 >= args.size()) throw UsageError{};
            return parseCount(args[++i]);
        };
        if (arg == "--students") {
            a.options.students = value();
        } else if (arg == "--results") {
            a.options.results = value();
        } else if (arg == "--seed") {
            a.options.seed = value();
        } else if (arg.rfind("--", 0) == 0 || !a.directory.empty()) {
            throw UsageError{};
        } else {
            a.directory = arg;
        }
    }
    if (a.directory.empty()) throw UsageError{};
    return a;
}

Date localToday() {
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local ? Date::fromYmd(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday) : Date();
}

int run(Arguments a) {
    a.options.today = localToday();
    const auto start = std::chrono::steady_clock::now();
    std::vector<demo::WrittenFile> written =
        demo::writeDemoData(pathFromUtf8(a.directory), a.options);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    std::uint64_t records = 0;
    for (const demo::WrittenFile& file : written) {
        const bool index = file.name.ends_with(".NTX");
        std::cout << "  " << std::left << std::setw(22) << file.name << std::right << std::setw(10)
                  << file.records << (index ? " key" : " record") << (file.records == 1 ? "" : "s");
        if (file.deleted > 0) std::cout << ", " << file.deleted << " marked deleted";
        std::cout << "\n";
        if (!index) records += file.records;
    }
    std::cout << "Wrote " << written.size() << " files, " << records << " records, to "
              << a.directory << " in " << std::fixed << std::setprecision(1) << elapsed.count()
              << " s (seed " << a.options.seed << ").\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = programArguments(argc, argv);
    return RunCommandLine("marklift-demo-data", kUsage, arguments,
                          [&] { return run(parse(arguments)); });
}
