// libFuzzer target: any bytes as the text of MARKLIFT.ini. Each setting the
// program knows, and names and values cut from the text's own lines, are
// read and written through FindIniValue/SetIniValue and through SettingsFile
// over a real file. A write must read back, leave every other setting and
// every other line as it was, and change nothing when repeated; only
// std::invalid_argument for a name or value that cannot be written may come
// out. Crashes, sanitizer reports and broken invariants are findings.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/ini_text.h"
#include "core/config/settings_file.h"
#include "core/config/settings_keys.h"
#include "tables/date.h"

namespace {

namespace fs = std::filesystem;
using marklift::Date;
using marklift::FindIniValue;
using marklift::SetIniValue;
using marklift::SettingsFile;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr std::size_t kLongestValue = 2047;  // what SettingsFile reads of a value
constexpr std::size_t kMostLinesProbed = 6;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are matched without regard to letter case or blanks around them.
bool sameName(std::string_view a, std::string_view b) {
    a = trimmed(a);
    b = trimmed(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

struct Setting {
    std::string section;
    std::string key;
    std::string value;  // what a probe writes
};

bool sameSetting(const Setting& a, const Setting& b) {
    return sameName(a.section, b.section) && sameName(a.key, b.key);
}

// Every setting the program reads, with a value of its own form.
std::vector<Setting> programSettings() {
    namespace k = marklift::settings_keys;
    return {
        {k::kZoltPath.section, k::kZoltPath.key, "D:\\ZOLT DATA\\"},
        {k::kZoltFrom.section, k::kZoltFrom.key, "11"},
        {k::kSearch.section, k::kSearch.key, "-1"},
        {k::kSelectedDates.section, k::kSelectedDates.key, "1"},
        {k::kBeginDate.section, k::kBeginDate.key, "02/29/2004"},
        {k::kEndDate.section, k::kEndDate.key, "12/30/1899"},
        {k::kIncludePlacementRecords.section, k::kIncludePlacementRecords.key, "0"},
        {k::kIncludeAssessmentRecords.section, k::kIncludeAssessmentRecords.key, "0x1"},
        {k::kIncludeScoreRecords.section, k::kIncludeScoreRecords.key, " 1 "},
        {k::kIncludePurposeAndAccommodation.section, k::kIncludePurposeAndAccommodation.key, ""},
        {k::kIncludeAttempted.section, k::kIncludeAttempted.key, "yes"},
        {k::kIncludeSubscores.section, k::kIncludeSubscores.key, "\t0"},
        {k::kIncludeSiteCode.section, k::kIncludeSiteCode.key, "2147483647"},
        {k::kFileFormat.section, k::kFileFormat.key, "3"},
        {k::kExportZoltPath.section, k::kExportZoltPath.key, "C:\\DELV\\"},
        {k::kExportFilename.section, k::kExportFilename.key, "C:\\UPLOAD\\ZOLT.TXT"},
        {k::kAutoExportFilename.section, k::kAutoExportFilename.key, "a=b [c] ;d"},
        {k::kAutoExportTime.section, k::kAutoExportTime.key, "-2147483648"},
        {k::kAutoExportDate.section, k::kAutoExportDate.key, "0X10"},
    };
}

// Settings cut from the first lines of the text, as they stand: the text
// after the '[' of the last line beginning with one is the section, a line's
// text before its first '=' (or all of it) the key, and after it the value.
// Blanks, brackets, semicolons and control bytes stay in, so the fuzzer
// chooses the names written.
std::vector<Setting> settingsInText(std::string_view text) {
    std::vector<Setting> found;
    std::string section;
    std::istringstream lines{std::string(text)};
    for (std::string line; found.size() < kMostLinesProbed && std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::string_view body = trimmed(line);
        if (!body.empty() && body.front() == '[') {
            const std::size_t close = body.find(']');
            section = body.substr(1, close == std::string_view::npos ? close : close - 1);
        }
        const std::size_t equals = line.find('=');
        found.push_back({section, line.substr(0, equals),
                         equals == std::string::npos ? "" : line.substr(equals + 1)});
    }
    return found;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// What SetIniValue refuses with std::invalid_argument.
bool writable(const Setting& s) {
    return !trimmed(s.section).empty() && !hasLineBreak(s.section) &&
           s.section.find(']') == std::string::npos && !trimmed(s.key).empty() &&
           trimmed(s.key).front() != '[' && !hasLineBreak(s.key) &&
           s.key.find('=') == std::string::npos && !hasLineBreak(s.value);
}

// `after` is `before` with one line's text after its key replaced, or with
// lines added in one place: apart from one stretch, every byte is kept.
void checkOneChange(std::string_view before, std::string_view after) {
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::string_view removed = before.substr(prefix, before.size() - prefix - suffix);
    const std::string_view added = after.substr(prefix, after.size() - prefix - suffix);
    check(removed.find('\n') == std::string_view::npos);
    // At most: ending the last line, a blank line, the section and the key.
    check(std::count(added.begin(), added.end(), '\n') <= 4);
}

std::string cut(std::string value) {
    if (value.size() > kLongestValue) value.resize(kLongestValue);
    return value;
}

// The integer forms of the settings file: '-' and decimal digits, or "0x"
// and hexadecimal digits, within int.
std::optional<int> integerIn(std::string_view text) {
    bool negative = false;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && lower(text[1]) == 'x') {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        const char l = lower(c);
        const int digit = l >= '0' && l <= '9'                 ? l - '0'
                          : base == 16 && l >= 'a' && l <= 'f' ? l - 'a' + 10
                                                               : -1;
        if (digit < 0) return std::nullopt;
        value = value * base + digit;
        if (value > 1LL + INT_MAX) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

// One file per fuzzing process, removed when the process ends. On a
// memory file system when there is one: every write syncs the file.
class ScratchDirectory {
public:
    ScratchDirectory()
        : path_((fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                ("settings_file_fuzz." + std::to_string(getpid()))) {
        fs::create_directories(path_);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // The settings file holding `text`, by its program path.
    SettingsFile settingsFile(std::string_view text) const {
        std::ofstream out(file(), std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out.flush()) __builtin_trap();  // the harness itself is broken
        return SettingsFile(file().string());
    }

    std::string contents() const {
        std::ifstream in(file(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    fs::path file() const { return path_ / marklift::kSettingsFileName; }

    fs::path path_;
};

std::uint32_t hashOf(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// Any day from 1/1/0001 to 12/31/9999, the days a settings file can hold.
Date anyDay(std::uint32_t hash) {
    const Date first = Date::fromYmd(1, 1, 1);
    const Date last = Date::fromYmd(9999, 12, 31);
    return Date(first.days() +
                static_cast<std::int32_t>(
                    hash % static_cast<std::uint32_t>(last.days() - first.days() + 1)));
}

// The text edited in memory: the setting reads back, every other setting
// reads as before, the rest of the text stays, and a second write is a no-op.
// `stored` holds the value of each of `all` in `text`.
void probeText(std::string_view text, const Setting& target, const std::vector<Setting>& all,
               const std::vector<std::optional<std::string>>& stored) {
    std::string edited;
    try {
        edited = SetIniValue(text, target.section, target.key, target.value);
    } catch (const std::invalid_argument&) {
        check(!writable(target));
        return;
    }
    check(writable(target));
    check(FindIniValue(edited, target.section, target.key) == trimmed(target.value));
    check(SetIniValue(edited, target.section, target.key, target.value) == edited);
    checkOneChange(text, edited);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!sameSetting(all[i], target))
            check(FindIniValue(edited, all[i].section, all[i].key) == stored[i]);
    }
}

// The same setting through SettingsFile: reads agree with the text, and a
// write leaves the file exactly as the in-memory edit would.
void probeFile(const ScratchDirectory& scratch, std::string_view text, const Setting& target,
               std::uint32_t hash) {
    SettingsFile file = scratch.settingsFile(text);
    const std::optional<std::string> stored = FindIniValue(text, target.section, target.key);

    check(file.readString(target.section, target.key, "\x01") == (stored ? cut(*stored) : "\x01"));

    const std::optional<int> number = stored ? integerIn(cut(*stored)) : std::nullopt;
    check(file.readInteger(target.section, target.key, 7) == number.value_or(7));
    check(file.readInteger(target.section, target.key, -7) == number.value_or(-7));
    check(file.readBool(target.section, target.key, true) == (number ? *number != 0 : true));
    check(file.readBool(target.section, target.key, false) == (number ? *number != 0 : false));

    const Date fallback = anyDay(hash);
    const std::optional<Date> date = file.readDate(target.section, target.key, fallback);
    if (!stored) check(date == fallback);
    if (date) check(Date::fromShortText(date->toShortText()) == date);

    try {
        file.writeString(target.section, target.key, target.value);
    } catch (const std::invalid_argument&) {
        check(!writable(target));
        check(scratch.contents() == text);
        return;
    }
    check(scratch.contents() == SetIniValue(text, target.section, target.key, target.value));

    const int integer = static_cast<int>(hash);
    file.writeInteger(target.section, target.key, integer);
    check(file.readInteger(target.section, target.key, ~integer) == integer);
    check(file.readBool(target.section, target.key, integer == 0) == (integer != 0));

    const Date day = anyDay(hash >> 1);
    file.writeDate(target.section, target.key, day);
    check(file.readDate(target.section, target.key, Date()) == day);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchDirectory scratch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::uint32_t hash = hashOf(text);

    std::vector<Setting> all = programSettings();
    const Setting known = all[hash % all.size()];
    const std::vector<Setting> inText = settingsInText(text);
    all.insert(all.end(), inText.begin(), inText.end());

    std::vector<std::optional<std::string>> stored;
    for (const Setting& setting : all)
        stored.push_back(FindIniValue(text, setting.section, setting.key));

    probeText(text, known, all, stored);
    for (const Setting& setting : inText) probeText(text, setting, all, stored);
    probeFile(scratch, text, inText.empty() ? known : inText[hash % inText.size()], hash);
    return 0;
}
