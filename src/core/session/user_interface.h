// Everything the program says to or asks of the user goes through this one
// interface: message boxes, the retry question, confirmations, the busy
// cursor and the file and folder dialogs. The windows use the Qt
// implementation; tests use a scripted one.
#pragma once

#include <string>
#include <vector>

namespace marklift {

enum class MessageIcon { Information, Warning, Error, Question };

// The buttons a box offers; the answer is the button pressed, or Cancel when
// the box was closed.
enum class MessageButtons { Ok, OkCancel, YesCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct FileDialogOptions {
    std::string title;
    std::string initialDirectory;
    std::string initialFileName;
    std::string defaultExtension;  // without the dot; added to a typed name without one
    std::string filter;            // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box. `title` is shown as the box's caption.
    virtual Answer showMessage(const std::string& title, const std::string& text, MessageIcon icon,
                               MessageButtons buttons) = 0;

    // The busy (hourglass) cursor; calls nest, each begin matched by an end.
    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;

    // Lets pending window events be processed (painting, timers).
    virtual void processEvents() = 0;

    // A file save dialog: the chosen full file name, or empty when cancelled.
    virtual std::string chooseSaveFile(const FileDialogOptions& options) = 0;
    // A folder chooser starting at `start`: the chosen folder, or empty.
    virtual std::string chooseFolder(const std::string& start) = 0;

    // The retry question of OpenWithRetry, asked after `failedAttempts`
    // failures in a row: true to try again. The box shows `question` alone;
    // `lastError` (the engine's text of the last failure) is for an
    // interface that cannot ask and must say why it gives up.
    virtual bool askRetry(const std::string& question, [[maybe_unused]] int failedAttempts,
                          [[maybe_unused]] const std::string& lastError) {
        return showMessage("Error", question, MessageIcon::Error, MessageButtons::OkCancel) ==
               Answer::Ok;
    }

    // The standard boxes of the program, worded by their callers.
    void showError(const std::string& text) {
        showMessage("Error", text, MessageIcon::Error, MessageButtons::Ok);
    }
    void showInformation(const std::string& title, const std::string& text) {
        showMessage(title, text, MessageIcon::Information, MessageButtons::Ok);
    }
    // "Confirm" with the question icon; only Yes counts as yes.
    bool confirm(const std::string& text) {
        return showMessage("Confirm", text, MessageIcon::Question, MessageButtons::YesCancel) ==
               Answer::Yes;
    }
};

// Holds the busy cursor for a scope, so every way out restores it.
class BusyCursor {
public:
    explicit BusyCursor(UserInterface& ui) : ui_(ui) { ui_.beginBusy(); }
    ~BusyCursor() { ui_.endBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UserInterface& ui_;
};

}  // namespace marklift
