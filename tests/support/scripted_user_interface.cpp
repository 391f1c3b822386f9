#include "support/scripted_user_interface.h"

#include <stdexcept>

namespace marklift {
namespace {

Answer firstButton(MessageButtons buttons) {
    return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel ? Answer::Ok
                                                                                : Answer::Yes;
}

bool offers(MessageButtons buttons, Answer answer) {
    switch (answer) {
        case Answer::Cancel:
            return true;
        case Answer::Ok:
            return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel;
        case Answer::Yes:
            return buttons == MessageButtons::YesCancel || buttons == MessageButtons::YesNo;
        case Answer::No:
            return buttons == MessageButtons::YesNo;
    }
    return false;
}

template <typename T>
T takeFront(std::deque<T>& queue, T otherwise) {
    if (queue.empty()) return otherwise;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

}  // namespace

std::vector<std::string> ScriptedUserInterface::messageTexts() const {
    std::vector<std::string> texts;
    for (const RecordedMessage& message : messages_) texts.push_back(message.text);
    return texts;
}

Answer ScriptedUserInterface::showMessage(const std::string& title, const std::string& text,
                                          MessageIcon icon, MessageButtons buttons) {
    Answer answer = takeFront(answers_, firstButton(buttons));
    if (!offers(buttons, answer))
        throw std::logic_error("The scripted answer does not fit the box \"" + text + "\"");
    messages_.push_back({title, text, icon, buttons, answer, busyDepth()});
    return answer;
}

std::string ScriptedUserInterface::chooseSaveFile(const FileDialogOptions& options) {
    saveDialogs_.push_back(options);
    return takeFront(saveFiles_, std::string());
}

std::string ScriptedUserInterface::chooseFolder(const std::string& start) {
    folderStarts_.push_back(start);
    return takeFront(folders_, std::string());
}

}  // namespace marklift
