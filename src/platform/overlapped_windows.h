// Windows takes the offset of a positioned read, write or lock in an
// OVERLAPPED structure, split into two 32-bit halves.
#pragma once

#include <windows.h>

#include <cstdint>

namespace marklift {

inline OVERLAPPED overlappedAt(std::uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

}  // namespace marklift
