#include "tables/parallel_parts.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace marklift {
namespace {

// Below this many items a job is done on the calling thread alone.
constexpr std::size_t kItemsWorthAThread = 64 * 1024;
constexpr std::size_t kMostParts = 8;

}  // namespace

std::size_t partsFor(std::size_t count) {
    const std::size_t threads = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp<std::size_t>(count / kItemsWorthAThread, 1, std::min(threads, kMostParts));
}

void runInParts(std::size_t count, std::size_t parts,
                const std::function<void(std::size_t, std::size_t, std::size_t)>& work) {
    parts = std::max<std::size_t>(parts, 1);
    std::vector<std::exception_ptr> failures(parts);
    auto runPart = [&](std::size_t part) {
        try {
            work(part, count * part / parts, count * (part + 1) / parts);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> threads;
        threads.reserve(parts - 1);
        for (std::size_t part = 1; part < parts; ++part) {
            try {
                threads.emplace_back(runPart, part);
            } catch (const std::system_error&) {
                runPart(part);  // no thread to be had: done here instead
            }
        }
        runPart(0);
    }
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace marklift
