#include "core/config/ini_text.h"

#include <cctype>
#include <stdexcept>
#include <vector>

namespace marklift {
namespace {

// A carriage return left at the end of a text cut between the two bytes of
// a line end is no part of a name or value; counting it as a blank keeps
// the value the same once a later write completes the line end.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

enum class LineKind { Section, Key, Other };

// One line of the text, by offsets: [begin, contentEnd) is the content,
// [contentEnd, end) its line end ("\r\n", "\n" or nothing on the last line).
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t end = 0;
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, without blanks around it
    std::string_view value;  // a key's value, without blanks around it
    std::size_t keyEnd = 0;  // where a key line's name ends, before any blank and the '='
};

Line classify(std::string_view text, std::size_t begin, std::size_t contentEnd, std::size_t end) {
    Line line;
    line.begin = begin;
    line.contentEnd = contentEnd;
    line.end = end;
    std::string_view content = text.substr(begin, contentEnd - begin);
    std::string_view body = trimmed(content);
    if (!body.empty() && body.front() == '[') {
        std::size_t close = body.find(']');
        line.kind = LineKind::Section;
        line.name =
            trimmed(body.substr(1, close == std::string_view::npos ? body.npos : close - 1));
        return line;
    }
    std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) return line;
    std::string_view before = content.substr(0, equals);
    line.kind = LineKind::Key;
    line.name = trimmed(before);
    line.value = trimmed(content.substr(equals + 1));
    while (!before.empty() && isBlank(before.back())) before.remove_suffix(1);
    line.keyEnd = begin + before.size();
    return line;
}

// The UTF-8 byte-order mark some editors put at the start of a file: no
// part of the first line, and kept as it is when the text is written.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t begin = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (begin < text.size()) {
        std::size_t newline = text.find('\n', begin);
        std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
        std::size_t contentEnd = end;
        if (newline != std::string_view::npos) {
            contentEnd = newline;
            if (contentEnd > begin && text[contentEnd - 1] == '\r') --contentEnd;
        }
        lines.push_back(classify(text, begin, contentEnd, end));
        begin = end;
    }
    return lines;
}

// The lines of the first section named `section`: [header, end).
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> findSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Section || !sameName(lines[i].name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != LineKind::Section) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, SectionRange range,
                                   std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (lines[i].kind == LineKind::Key && sameName(lines[i].name, key)) return i;
    }
    return std::nullopt;
}

std::string_view lineEndOf(std::string_view text) {
    std::size_t newline = text.find('\n');
    if (newline != std::string_view::npos && (newline == 0 || text[newline - 1] != '\r'))
        return "\n";
    return "\r\n";
}

// What ends `line` before a line is added after it: nothing when it has its
// line end, the second byte of a CRLF cut short, or a whole `lineEnd`.
std::string_view missingLineEnd(std::string_view text, const Line& line, std::string_view lineEnd) {
    if (line.end != line.contentEnd) return {};
    if (line.contentEnd > line.begin && text[line.contentEnd - 1] == '\r') return "\n";
    return lineEnd;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

void checkWritable(std::string_view section, std::string_view key, std::string_view value) {
    if (trimmed(section).empty() || hasLineBreak(section) || section.find(']') != section.npos)
        throw std::invalid_argument("Not a settings section name: " + std::string(section));
    // A key line beginning with '[' would read as a section.
    if (trimmed(key).empty() || trimmed(key).front() == '[' || hasLineBreak(key) ||
        key.find('=') != key.npos)
        throw std::invalid_argument("Not a settings key name: " + std::string(key));
    if (hasLineBreak(value))
        throw std::invalid_argument("A setting's value cannot hold a line break: " +
                                    std::string(key));
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    section = trimmed(section);
    key = trimmed(key);
    std::vector<Line> lines = splitLines(text);
    std::optional<SectionRange> range = findSection(lines, section);
    if (!range) return std::nullopt;
    std::optional<std::size_t> line = findKey(lines, *range, key);
    if (!line) return std::nullopt;
    return std::string(lines[*line].value);
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    checkWritable(section, key, value);
    // As FindIniValue reads them back.
    section = trimmed(section);
    key = trimmed(key);
    const std::string_view lineEnd = lineEndOf(text);
    std::vector<Line> lines = splitLines(text);
    std::string result;

    std::optional<SectionRange> range = findSection(lines, section);
    if (!range) {
        result = text;
        if (!lines.empty()) {
            const Line& last = lines.back();
            result += missingLineEnd(text, last, lineEnd);
            if (!trimmed(text.substr(last.begin, last.contentEnd - last.begin)).empty())
                result += lineEnd;
        }
        result.append("[").append(section).append("]").append(lineEnd);
        result.append(key).append("=").append(value).append(lineEnd);
        return result;
    }

    if (std::optional<std::size_t> existing = findKey(lines, *range, key)) {
        const Line& line = lines[*existing];
        result.append(text.substr(0, line.keyEnd)).append("=").append(value);
        result.append(text.substr(line.contentEnd));
        return result;
    }

    std::size_t after = range->header;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (lines[i].kind == LineKind::Key) after = i;
    }
    const Line& anchor = lines[after];
    result.append(text.substr(0, anchor.end));
    result += missingLineEnd(text, anchor, lineEnd);
    result.append(key).append("=").append(value).append(lineEnd);
    result.append(text.substr(anchor.end));
    return result;
}

}  // namespace marklift
