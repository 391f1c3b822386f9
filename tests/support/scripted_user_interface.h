// A UserInterface for tests: it records every message box and dialog in
// order and answers from queues the test fills, so a test can check the
// exact texts shown and steer the program's questions.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/session/user_interface.h"

namespace marklift {

struct RecordedMessage {
    std::string title;
    std::string text;
    MessageIcon icon;
    MessageButtons buttons;
    Answer answer;  // what the script answered
    int busyDepth;  // busy cursors held while the box was up (0: normal cursor)
};

class ScriptedUserInterface : public UserInterface {
public:
    // Answers for the coming message boxes, in order. When the queue is
    // empty a box is answered with its first button (Ok or Yes). An answer
    // the box does not offer throws std::logic_error; Cancel always fits,
    // as the box can be closed.
    void queueAnswer(Answer answer) { answers_.push_back(answer); }
    // Answers for the coming save and folder dialogs; empty means cancelled,
    // which is also the answer when the queue is empty.
    void queueSaveFile(std::string fileName) { saveFiles_.push_back(std::move(fileName)); }
    void queueFolder(std::string folder) { folders_.push_back(std::move(folder)); }

    const std::vector<RecordedMessage>& messages() const { return messages_; }
    // The texts of the recorded messages alone, for short assertions.
    std::vector<std::string> messageTexts() const;
    const std::vector<FileDialogOptions>& saveDialogs() const { return saveDialogs_; }
    const std::vector<std::string>& folderDialogStarts() const { return folderStarts_; }

    int busyBegins() const { return busyBegins_; }
    int busyEnds() const { return busyEnds_; }
    // Negative when an end came without its begin.
    int busyDepth() const { return busyBegins_ - busyEnds_; }
    int processEventsCalls() const { return processEventsCalls_; }

    Answer showMessage(const std::string& title, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;
    void beginBusy() override { ++busyBegins_; }
    void endBusy() override { ++busyEnds_; }
    void processEvents() override { ++processEventsCalls_; }
    std::string chooseSaveFile(const FileDialogOptions& options) override;
    std::string chooseFolder(const std::string& start) override;

private:
    std::deque<Answer> answers_;
    std::deque<std::string> saveFiles_;
    std::deque<std::string> folders_;
    std::vector<RecordedMessage> messages_;
    std::vector<FileDialogOptions> saveDialogs_;
    std::vector<std::string> folderStarts_;
    int busyBegins_ = 0;
    int busyEnds_ = 0;
    int processEventsCalls_ = 0;
};

}  // namespace marklift
