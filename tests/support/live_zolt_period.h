// A testing period that a zolt_writer process (tests/support/zolt_writer.cpp)
// keeps appending students and results to while a test reads it, the way
// ZOLT does during a day of testing.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/data_directory.h"

namespace marklift::testing {

inline constexpr char kLiveStudentDefinitions[] =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;BIRTHDATE,D,8,0;";
inline constexpr char kLivePlacementDefinitions[] =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;CODE,C,4,0;DATE,D,8,0;DUPLICATE,L,1,0;";
inline constexpr char kLiveResultDefinitions[] =
    "SSN,C,11,0;CODE,C,4,0;DATE,D,8,0;CORRECT,N,3,0;SCORE,N,4,0;RETEST,C,1,0;";

// `period` ("DELVTP1\") with the tables the writer appends to: `students`
// students, their SSN.NTX (several levels deep once there are a few hundred)
// and one score each. Their SSNs start with 0, clear of the writer's.
inline void SeedLivePeriod(const DataDirectory& dir, const std::string& period, int students) {
    std::vector<Row> people, scores;
    for (int n = 1; n <= students; ++n) {
        char ssn[16];
        std::snprintf(ssn, sizeof ssn, "0%02d-%02d-%04d", n / 1000000 % 100, n / 10000 % 100,
                      n % 10000);
        people.push_back({{"SSN", ssn},
                          {"LNAME", "S" + std::to_string(n)},
                          {"FNAME", "G" + std::to_string(n % 97)},
                          {"MNAME", std::string(1, char('A' + n % 26))},
                          {"BIRTHDATE", "19800101"}});
        scores.push_back({{"SSN", ssn},
                          {"CODE", "SRD"},
                          {"DATE", "20240301"},
                          {"SCORE", std::to_string(n % 100)},
                          {"RETEST", "Y"}});
    }
    dir.createTable(period, "STUDENT", kLiveStudentDefinitions, people);
    dir.writeNtx(period, "STUDENT", "SSN", "SSN");
    dir.createTable(period, "PLACE", kLivePlacementDefinitions);
    dir.createTable(period, "ASSESS", kLiveResultDefinitions);
    dir.createTable(period, "SCORES", kLiveResultDefinitions, scores);
}

// zolt_writer running on a period directory (native path) from construction
// until stop().
class ZoltWriterProcess {
public:
    ZoltWriterProcess(const std::string& periodDirectory, const std::vector<std::string>& options) {
        using namespace child_process_detail;
        int out[2];
        if (::pipe(out) != 0) fail("pipe");
        pid_ = ::fork();
        if (pid_ < 0) fail("fork");
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<std::string> arguments{MARKLIFT_ZOLT_WRITER, periodDirectory};
            arguments.insert(arguments.end(), options.begin(), options.end());
            std::vector<char*> argv;
            for (std::string& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
    }
    ~ZoltWriterProcess() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        child_process_detail::waitFor(pid_);
        ::close(out_);
    }
    ZoltWriterProcess(const ZoltWriterProcess&) = delete;
    ZoltWriterProcess& operator=(const ZoltWriterProcess&) = delete;

    // Asks the writer to finish the student or result it is writing and
    // end; returns its report ("students N results N"). Throws when it
    // failed on the way.
    std::string stop() {
        ::kill(pid_, SIGTERM);
        const std::string report = child_process_detail::readAll({out_})[0];
        ::close(out_);
        const int status = child_process_detail::waitFor(pid_);
        pid_ = -1;
        if (status != 0)
            throw std::runtime_error("zolt_writer ended with status " + std::to_string(status));
        return report;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

}  // namespace marklift::testing
