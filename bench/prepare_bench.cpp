// Times the whole unattended job a user runs: the real marklift-prepare
// (period 1, master tables, all dates, all three kinds, all four additional
// fields, fixed layout) on periods the real marklift-demo-data generates, at
// two sizes ten times apart, then once at four times the large size, where
// the job's memory must still stay within its bound. Beside each run, in the
// same run of this program, its floor: reading the files the job reads once
// and writing as many bytes as the job leaves behind (BANTABLE, BANNEREX and
// the upload file), both begun with nothing waiting to be written. Each job
// runs as a process of its own, so its peak memory (ru_maxrss from wait4) is
// the job's alone.
//
//   prepare_bench [small-results] [large-results] [marklift-prepare]
//
// The result counts are per result table of the period; the period has a
// third as many students. Another marklift-prepare (an older build, say) can
// be timed in place of the one built beside this program.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"

namespace fs = std::filesystem;
using marklift::bench::IoFloor;
using marklift::bench::MeasureIoFloor;
using marklift::bench::Seconds;

namespace {

const char kDemoDataProgram[] = MARKLIFT_DEMO_DATA_PROGRAM;
constexpr int kRuns = 3;
// The size beyond the large one, run once: memory, not time, is its question.
constexpr unsigned kLargestTimesLarge = 4;

// What the job reads: period 1's master tables and index, the site table,
// and the code tables when the period has them.
const char* const kReadByTheJob[] = {
    "DELVTP1/PLACE.DBF", "DELVTP1/ASSESS.DBF", "DELVTP1/SCORES.DBF", "DELVTP1/STUDENT.DBF",
    "DELVTP1/SSN.NTX",   "SETUPSCH.DBF",       "BANPLACE.dbf",       "BANPLACE.cdx",
    "BANTEST.dbf",       "BANTEST.cdx"};
// What it leaves behind.
const char* const kWrittenByTheJob[] = {"BANTABLE.dbf", "BANTABLE.cdx", "BANNEREX.dbf",
                                        "BANNEREX.cdx", "UPLOAD.TXT"};

struct ProcessResult {
    double seconds = 0;
    long peakKilobytes = 0;
    std::string output;  // what it wrote to its standard output
};

// Runs `arguments` with standard error discarded; exits on a failure.
ProcessResult Run(const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) std::exit(1);
    ProcessResult result;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", arguments[0].c_str());
        std::exit(1);
    }
    result.peakKilobytes = usage.ru_maxrss;
    return result;
}

std::vector<std::string> JobArguments(const std::string& program, const std::string& root) {
    return {program,
            "--ini",
            root + "/MARKLIFT.ini",
            "--data",
            root,
            "--period",
            "1",
            "--search",
            "master",
            "--dates",
            "all",
            "--format",
            "fixed",
            "--records",
            "placement,assessment,score",
            "--fields",
            "attempted,subscores,panda,sitecode",
            "--out",
            root + "/UPLOAD.TXT"};
}

// "DIR/UPLOAD.TXT: 723974 records".
unsigned long RecordsIn(const std::string& output) {
    const std::size_t colon = output.rfind(": ");
    return colon == std::string::npos ? 0 : std::strtoul(output.c_str() + colon + 2, nullptr, 10);
}

std::uintmax_t FileSize(const std::string& path) {
    std::error_code ignored;
    const std::uintmax_t size = fs::file_size(path, ignored);
    return ignored ? 0 : size;
}

// The job's inputs: the code tables only when the period has them.
std::vector<std::string> InputsOf(const std::string& root) {
    std::vector<std::string> inputs;
    for (const char* name : kReadByTheJob)
        if (fs::exists(root + "/" + name)) inputs.push_back(root + "/" + name);
    return inputs;
}

struct SizeResult {
    unsigned results = 0;
    unsigned long records = 0;
    ProcessResult job;  // the quickest run, with the highest peak of all runs
    IoFloor floor;      // the quickest floor
};

SizeResult MeasureSize(const std::string& program, const std::string& root, unsigned results,
                       int runs) {
    const unsigned students = results / 3;
    std::printf("generating %u results per table, %u students ...\n", results, students);
    std::fflush(stdout);
    fs::remove_all(root);
    Run({kDemoDataProgram, root, "--students", std::to_string(students), "--results",
         std::to_string(results), "--seed", "7"});

    SizeResult size;
    size.results = results;
    // Job and floor take turns, so that a busy moment of the machine falls
    // on both alike.
    for (int run = 0; run < runs; ++run) {
        // Each measure starts with nothing waiting to be written, so that
        // neither pays for the other's writes.
        ::sync();
        const ProcessResult job = Run(JobArguments(program, root));
        const long peak = std::max(job.peakKilobytes, size.job.peakKilobytes);
        if (run == 0 || job.seconds < size.job.seconds) size.job = job;
        size.job.peakKilobytes = peak;
        std::uintmax_t written = 0;
        for (const char* name : kWrittenByTheJob) written += FileSize(root + "/" + name);
        ::sync();
        const IoFloor floor = MeasureIoFloor(InputsOf(root), root + "/FLOOR.BIN", written);
        if (run == 0 || floor.seconds < size.floor.seconds) size.floor = floor;
    }
    size.records = RecordsIn(size.job.output);
    return size;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned small = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 30000;
    const unsigned large = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 300000;
    const std::string program = argc > 3 ? argv[3] : MARKLIFT_PREPARE_PROGRAM;
    const std::string root =
        (fs::temp_directory_path() / ("marklift-prepare-bench-" + std::to_string(::getpid())))
            .string();

    const ProcessResult idle = Run({program, "--help"});
    std::vector<SizeResult> sizes;
    for (unsigned results : {small, large})
        sizes.push_back(MeasureSize(program, root, results, kRuns));
    sizes.push_back(MeasureSize(program, root, large * kLargestTimesLarge, 1));
    fs::remove_all(root);

    std::printf(
        "\nmarklift-prepare: period 1, master tables, all dates, all three kinds, all four\n"
        "additional fields, fixed layout (best of %d runs; floor = read the job's input files\n"
        "once + write as many bytes as the job leaves, measured between the runs; the\n"
        "last size once, for its memory)\n\n",
        kRuns);
    std::printf("%10s %9s %8s %8s %7s %9s %8s %9s\n", "per table", "records", "job s", "floor s",
                "ratio", "peak MiB", "read MB", "write MB");
    for (const SizeResult& s : sizes)
        std::printf("%10u %9lu %8.3f %8.3f %7.2f %9.1f %8.1f %9.1f\n", s.results, s.records,
                    s.job.seconds, s.floor.seconds, s.job.seconds / s.floor.seconds,
                    s.job.peakKilobytes / 1024.0, s.floor.bytesRead / 1e6,
                    s.floor.bytesWritten / 1e6);
    std::printf("\nidle process peak (marklift-prepare --help): %.1f MiB\n",
                idle.peakKilobytes / 1024.0);
    std::printf("growth small -> large: %.1fx the records took %.1fx the time (the floor %.1fx)\n",
                static_cast<double>(sizes[1].records) / static_cast<double>(sizes[0].records),
                sizes[1].job.seconds / sizes[0].job.seconds,
                sizes[1].floor.seconds / sizes[0].floor.seconds);
    return 0;
}
