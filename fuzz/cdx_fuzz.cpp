// libFuzzer entry point: any bytes handed to the .cdx reader end in tags and
// keys or in an EXbaseError, never in a crash, a hang or a bad memory access.
// Build: clang++ -std=c++20 -fsanitize=fuzzer,address,undefined -Isrc
//   fuzz/cdx_fuzz.cpp src/tables/cdx_index.cpp src/tables/cdx_format.cpp
//   src/tables/key_index.cpp src/tables/date.cpp src/platform/file.cpp
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tables/byte_source.h"
#include "tables/cdx_index.h"
#include "tables/xbase_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace marklift;
    MemoryByteSource source("fuzz.cdx", std::vector<unsigned char>(data, data + size));
    try {
        CdxReader reader(source);
        for (std::size_t i = 0; i < reader.tags().size(); ++i) reader.readKeys(i);
    } catch (const EXbaseError&) {
    }
    return 0;
}
