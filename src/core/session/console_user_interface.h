// The UserInterface of the command-line tools: a message box becomes one
// line on an error stream, and a question is answered with Cancel, as nobody
// is there to answer it. Dialogs are cancelled; there is no busy cursor.
#pragma once

#include <iosfwd>
#include <string>

#include "core/session/user_interface.h"

namespace marklift {

class ConsoleUserInterface : public UserInterface {
public:
    // Each line starts with `prefix` (the tool's name and ": ").
    ConsoleUserInterface(std::ostream& out, std::string prefix);

    // A question is the last thing said: what the program says after the
    // refusal (that it will end) would only repeat the question's news.
    Answer showMessage(const std::string& title, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;
    // The retry question cannot be answered here: one line says which
    // failure made the program give up, and the answer is no.
    bool askRetry(const std::string& question, int failedAttempts,
                  const std::string& lastError) override;
    void beginBusy() override {}
    void endBusy() override {}
    void processEvents() override {}
    std::string chooseSaveFile(const FileDialogOptions&) override { return {}; }
    std::string chooseFolder(const std::string&) override { return {}; }

private:
    std::ostream& out_;
    std::string prefix_;
    bool questionRefused_ = false;
};

// `text` on one line: each line break (CR LF, CR or LF) becomes one blank.
std::string OneLine(const std::string& text);

}  // namespace marklift
