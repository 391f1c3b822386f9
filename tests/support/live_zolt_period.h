// A testing period that a zolt_writer process (tests/support/zolt_writer.cpp)
// keeps appending students and results to while a test reads it, the way
// ZOLT does during a day of testing.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/child_program.h"
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
// until stop(), or until the object goes.
class ZoltWriterProcess {
public:
    ZoltWriterProcess(const std::string& periodDirectory, const std::vector<std::string>& options)
        : writer_(MARKLIFT_ZOLT_WRITER, arguments(periodDirectory, options)) {}
    ZoltWriterProcess(const ZoltWriterProcess&) = delete;
    ZoltWriterProcess& operator=(const ZoltWriterProcess&) = delete;

    // Asks the writer to finish the student or result it is writing and
    // end (by closing its input); returns its report ("students N results
    // N"). Throws when it failed on the way.
    std::string stop() {
        const auto [report, errors] = writer_.readToEnd();
        const int status = writer_.finish();
        if (status != 0)
            throw std::runtime_error("zolt_writer ended with status " + std::to_string(status) +
                                     ": " + errors);
        return report;
    }

private:
    static std::vector<std::string> arguments(const std::string& periodDirectory,
                                              const std::vector<std::string>& options) {
        std::vector<std::string> all{periodDirectory};
        all.insert(all.end(), options.begin(), options.end());
        return all;
    }

    ChildProgram writer_;
};

}  // namespace marklift::testing
