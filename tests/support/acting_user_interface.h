// A scripted user who also does something at the moments the program shows
// the busy cursor or a message box: the hooks a test needs to change the
// world (let another program's lock go, say) between two of the program's
// attempts.
#pragma once

#include <functional>
#include <string>

#include "support/scripted_user_interface.h"

namespace marklift::testing {

class ActingUserInterface : public ScriptedUserInterface {
public:
    std::function<void()> onBusy;     // at every busy cursor
    std::function<void()> onMessage;  // before a box is answered

    Answer showMessage(const std::string& title, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override {
        if (onMessage) onMessage();
        return ScriptedUserInterface::showMessage(title, text, icon, buttons);
    }
    void beginBusy() override {
        ScriptedUserInterface::beginBusy();
        if (onBusy) onBusy();
    }
};

}  // namespace marklift::testing
