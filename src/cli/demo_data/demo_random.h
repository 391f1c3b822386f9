// The demo data's one source of chance. Each table draws from its own
// stream, seeded from the run's seed and the stream's number, so a table's
// contents depend on the seed alone and not on what was written before it.
#pragma once

#include <cstdint>
#include <random>

namespace marklift::demo {

class DemoRandom {
public:
    DemoRandom(std::uint32_t seed, std::uint32_t stream) {
        std::seed_seq sequence{seed, stream};
        engine_.seed(sequence);
    }

    // 0 .. count - 1; count > 0. Taken by modulo rather than through a
    // standard distribution, whose results differ between libraries, so a
    // seed gives the same files wherever the tool is built.
    std::uint32_t below(std::uint32_t count) { return engine_() % count; }
    // low .. high, both included.
    int between(int low, int high) {
        return low + static_cast<int>(below(static_cast<std::uint32_t>(high - low + 1)));
    }
    bool oneIn(std::uint32_t count) { return below(count) == 0; }
    template <typename Items>
    const auto& pick(const Items& items) {
        return items[below(static_cast<std::uint32_t>(items.size()))];
    }

private:
    std::mt19937 engine_;
};

}  // namespace marklift::demo
