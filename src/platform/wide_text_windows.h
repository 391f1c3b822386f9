// Windows takes its texts as UTF-16; the program keeps UTF-8. The system
// calls of the Windows implementation convert at the call through these.
#pragma once

#include <string>

namespace marklift {

// Throws PlatformError for a text that is not UTF-8.
std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::wstring& text);

// The system's text for an error code of GetLastError(), without the
// line break Windows ends it with.
std::string systemMessage(unsigned long error);

}  // namespace marklift
