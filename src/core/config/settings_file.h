// MARKLIFT.ini: the classic initialisation-file format, read and written key
// by key. Every call opens the file afresh and lets it go, so each write
// reaches the disk at once and nothing is cached between accesses.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/config/settings_keys.h"
#include "tables/date.h"

namespace marklift {

struct ProgramSettings;

class SettingsFile {
public:
    // `fileName` is a program path (backslashes), found without regard to
    // letter case; it is also the name the write error shows.
    explicit SettingsFile(std::string fileName);

    const std::string& fileName() const { return fileName_; }

    // Reading never fails: a missing file, section or key gives the default.
    // Section and key names are matched without regard to letter case; the
    // value is the text after the first '=' without surrounding blanks, cut
    // to 2047 characters.
    std::string readString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;
    // Decimal with an optional leading '-', or "0x"/"0X" and hexadecimal
    // digits; any other text gives the default.
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // An integer, true when not 0; a text that is not a number gives the default.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // MM/dd/yyyy. A missing key reads as `defaultValue`; a text that is not a
    // date gives nothing, for the caller to decide.
    std::optional<Date> readDate(std::string_view section, std::string_view key,
                                 Date defaultValue) const;

    // Each write replaces the key's line, or adds one at the end of its
    // section, or adds the section at the end of the file (creating the
    // file); every other byte of the file stays as it was. The file is
    // replaced whole, so a crash leaves the old or the new file, never half.
    // Throws MarkliftError("Unable to write to " + fileName()) on failure.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    // "1" or "0".
    void writeBool(std::string_view section, std::string_view key, bool value);
    // MM/dd/yyyy; the zero date (an empty picker) is 12/30/1899.
    void writeDate(std::string_view section, std::string_view key, Date value);

    // The same by the names and defaults of settings_keys.h.
    std::string read(const StringKey& key) const;
    int read(const IntegerKey& key) const;
    bool read(const BoolKey& key) const;
    std::optional<Date> read(const DateKey& key, Date today) const;
    void write(const StringKey& key, std::string_view value);
    void write(const IntegerKey& key, int value);
    void write(const BoolKey& key, bool value);
    void write(const DateKey& key, Date value);

private:
    std::string fileName_;
};

// The program's settings file, SettingsFileName.
SettingsFile ProgramSettingsFile(const ProgramSettings& settings);

}  // namespace marklift
