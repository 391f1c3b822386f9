#include "core/session/console_user_interface.h"

#include <ostream>

namespace marklift {

ConsoleUserInterface::ConsoleUserInterface(std::ostream& out, std::string prefix)
    : out_(out), prefix_(std::move(prefix)) {}

Answer ConsoleUserInterface::showMessage(const std::string&, const std::string& text, MessageIcon,
                                         MessageButtons buttons) {
    if (!questionRefused_) out_ << prefix_ << OneLine(text) << '\n';
    if (buttons == MessageButtons::Ok) return Answer::Ok;
    questionRefused_ = true;
    return Answer::Cancel;
}

bool ConsoleUserInterface::askRetry(const std::string&, int failedAttempts,
                                    const std::string& lastError) {
    if (!questionRefused_)
        out_ << prefix_ << "gave up after " << failedAttempts
             << " attempts to open a table: " << OneLine(lastError) << '\n';
    questionRefused_ = true;
    return false;
}

std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            line += ' ';
        } else {
            line += text[i];
        }
    }
    return line;
}

}  // namespace marklift
