// libFuzzer target: any bytes as a .dbf file, opened read-only, with every
// field of every record read through each codec. A damaged file may only
// raise EXbaseError; crashes, overreads and other exceptions are findings.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "tables/dbf_file.h"
#include "tables/field.h"
#include "tables/xbase_error.h"

namespace {

// One file per fuzzing process, removed when the process ends.
class ScratchFile {
public:
    ScratchFile()
        : path_((std::filesystem::temp_directory_path() /
                 ("dbf_header_fuzz." + std::to_string(getpid()) + ".dbf"))
                    .string()) {}
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& write(const std::uint8_t* data, std::size_t size) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out.flush()) __builtin_trap();  // the harness itself is broken
        return path_;
    }

private:
    std::string path_;
};

void check(bool condition) {
    if (!condition) __builtin_trap();
}

void readEveryField(const marklift::DbfFile& dbf) {
    dbf.version();
    dbf.lastUpdate();
    dbf.hasStructuralIndexFlag();
    dbf.recordLength();
    const marklift::FieldList& fields = dbf.fields();
    for (std::uint32_t recno = 1; recno <= dbf.recordCount(); ++recno) {
        dbf.isDeleted(recno);
        const char* record = dbf.record(recno);
        for (const marklift::FieldDef& field : fields.fields()) {
            check(marklift::readRaw(field, record).size() == field.length);
            marklift::readText(field, record);
            marklift::readDate(field, record);
            marklift::readLogical(field, record);
            marklift::readNumber(field, record);
            marklift::readInteger(field, record);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    const std::string& path = scratch.write(data, size);
    try {
        const marklift::DbfFile dbf(path, marklift::DbfFile::Mode::ReadOnly);
        readEveryField(dbf);
    } catch (const marklift::EXbaseError&) {
        // A damaged file refused with the engine's error is the right outcome.
    }
    return 0;
}
