// lock-byte: the other process for tests of File's byte-range locks, on
// every system (see ChildProgram). It opens FILE for reading and writing,
// tries to lock one byte at OFFSET, prints "locked" or "refused" as its first
// line, and keeps what it got until its standard input ends.
//   usage: lock-byte shared|exclusive FILE OFFSET
// Exits 0, or 2 for arguments it cannot use.
#include <iostream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/program_arguments.h"

using marklift::File;

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = marklift::programArguments(argc, argv);
    if (arguments.size() != 3 || (arguments[0] != "shared" && arguments[0] != "exclusive")) {
        std::cerr << "usage: lock-byte shared|exclusive FILE OFFSET\n";
        return 2;
    }
    File file(arguments[1], File::Access::ReadWrite, File::Lock::None);
    const auto kind =
        arguments[0] == "shared" ? File::RangeLock::Shared : File::RangeLock::Exclusive;
    std::cout << (file.tryLockRange(std::stoull(arguments[2]), 1, kind) ? "locked" : "refused")
              << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}
