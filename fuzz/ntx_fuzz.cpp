// libFuzzer target for the .ntx reader: whatever the bytes, readNtx must
// return keys in index order or throw EXbaseError; never crash, hang or read
// outside the buffer. Seed it with real index files (tests/fixtures/zolt).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tables/ntx_index.h"
#include "tables/xbase_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const marklift::MemoryByteSource source("fuzz.ntx",
                                            std::vector<unsigned char>(data, data + size));
    try {
        const marklift::NtxContents contents = marklift::readNtx(source);
        if (!contents.keys.isSorted()) __builtin_trap();
    } catch (const marklift::EXbaseError&) {
    }
    return 0;
}
