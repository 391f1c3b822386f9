// The UserInterface of the running program: Qt message boxes, the wait
// cursor, and Qt's save and folder dialogs.
#pragma once

#include <string>

#include "core/session/user_interface.h"

class QString;

namespace marklift {

class QtUserInterface : public UserInterface {
public:
    Answer showMessage(const std::string& title, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;
    void beginBusy() override;
    void endBusy() override;
    void processEvents() override;
    std::string chooseSaveFile(const FileDialogOptions& options) override;
    std::string chooseFolder(const std::string& start) override;
};

// A filter in the program's form, "Text files (*.txt)|*.txt|All files (*.*)|*.*",
// as Qt's name filters: "Text files (*.txt);;All files (*)". The patterns
// after each bar are the ones that count; "*.*" means every file, as it
// does for the program's users.
QString QtNameFilters(const std::string& filter);

}  // namespace marklift
