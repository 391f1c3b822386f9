#include "core/config/settings_file.h"

#include <charconv>

#include "core/config/ini_text.h"
#include "core/config/program_settings.h"
#include "core/session/program_error.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"

namespace marklift {
namespace {

constexpr std::size_t kLongestValue = 2047;

// The whole file, or nothing when it cannot be read: reading never fails.
std::string readWholeFile(const std::string& nativeName) {
    try {
        File file(nativeName, File::Access::ReadOnly, File::Lock::None);
        std::string text(static_cast<std::size_t>(file.size()), '\0');
        text.resize(file.readAt(0, text.data(), text.size()));
        return text;
    } catch (const PlatformError&) {
        return {};
    }
}

// A whole number in the file's forms: decimal with an optional '-', or
// "0x"/"0X" and hexadecimal digits. Nothing for any other text or a number
// outside int.
std::optional<int> parseInteger(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
        if (text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

SettingsFile::SettingsFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string SettingsFile::readString(std::string_view section, std::string_view key,
                                     const std::string& defaultValue) const {
    std::optional<std::string> value =
        FindIniValue(readWholeFile(nativePath(fileName_)), section, key);
    if (!value) return defaultValue;
    if (value->size() > kLongestValue) value->resize(kLongestValue);
    return *value;
}

int SettingsFile::readInteger(std::string_view section, std::string_view key,
                              int defaultValue) const {
    return parseInteger(readString(section, key, "")).value_or(defaultValue);
}

bool SettingsFile::readBool(std::string_view section, std::string_view key,
                            bool defaultValue) const {
    std::optional<int> value = parseInteger(readString(section, key, ""));
    return value ? *value != 0 : defaultValue;
}

std::optional<Date> SettingsFile::readDate(std::string_view section, std::string_view key,
                                           Date defaultValue) const {
    return Date::fromShortText(readString(section, key, defaultValue.toShortText()));
}

void SettingsFile::writeString(std::string_view section, std::string_view key,
                               std::string_view value) {
    const std::string native = nativePath(fileName_);
    const std::string text = SetIniValue(readWholeFile(native), section, key, value);
    try {
        ReplacingFile file(fileName_);
        file.write(text);
        file.commit();
    } catch (const std::exception&) {
        throw MarkliftError("Unable to write to " + fileName_);
    }
}

void SettingsFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void SettingsFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void SettingsFile::writeDate(std::string_view section, std::string_view key, Date value) {
    writeString(section, key, value.toShortText());
}

std::string SettingsFile::read(const StringKey& key) const {
    return readString(key.section, key.key, key.defaultValue);
}

int SettingsFile::read(const IntegerKey& key) const {
    return readInteger(key.section, key.key, key.defaultValue);
}

bool SettingsFile::read(const BoolKey& key) const {
    return readBool(key.section, key.key, key.defaultValue);
}

std::optional<Date> SettingsFile::read(const DateKey& key, Date today) const {
    return readDate(key.section, key.key, today);
}

void SettingsFile::write(const StringKey& key, std::string_view value) {
    writeString(key.section, key.key, value);
}

void SettingsFile::write(const IntegerKey& key, int value) {
    writeInteger(key.section, key.key, value);
}

void SettingsFile::write(const BoolKey& key, bool value) {
    writeBool(key.section, key.key, value);
}

void SettingsFile::write(const DateKey& key, Date value) {
    writeDate(key.section, key.key, value);
}

SettingsFile ProgramSettingsFile(const ProgramSettings& settings) {
    return SettingsFile(settings.SettingsFileName);
}

}  // namespace marklift
