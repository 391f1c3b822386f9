// What the benchmarks share: a stopwatch, and the floor a job is measured
// against: reading its input files once and writing as many bytes as it
// leaves behind, the least any program doing the job must do.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace marklift::bench {

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct IoFloor {
    double seconds = 0;
    std::uintmax_t bytesRead = 0;
    std::uintmax_t bytesWritten = 0;
};

// Reads each of `inputs` to its end, then writes `bytesToWrite` bytes to
// `scratchFile`, which is removed afterwards. A missing input ends the
// benchmark: its floor would be too low.
inline IoFloor MeasureIoFloor(const std::vector<std::string>& inputs,
                              const std::string& scratchFile, std::uintmax_t bytesToWrite) {
    std::vector<char> buffer(1 << 20);
    IoFloor floor;
    floor.bytesWritten = bytesToWrite;
    floor.seconds = Seconds([&] {
        for (const std::string& input : inputs) {
            std::ifstream in(input, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "missing %s\n", input.c_str());
                std::exit(1);
            }
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
                   in.gcount() > 0)
                floor.bytesRead += static_cast<std::uintmax_t>(in.gcount());
        }
        std::ofstream out(scratchFile, std::ios::binary | std::ios::trunc);
        for (std::uintmax_t left = bytesToWrite; left > 0;) {
            const std::size_t chunk =
                static_cast<std::size_t>(std::min<std::uintmax_t>(left, buffer.size()));
            out.write(buffer.data(), static_cast<std::streamsize>(chunk));
            left -= chunk;
        }
    });
    std::filesystem::remove(scratchFile);
    return floor;
}

}  // namespace marklift::bench
