// What Find, Auto Prepare and Settings lead to once the main window's own
// checks have passed: the subsystems behind the main window's buttons.
#pragma once

namespace marklift {

class TMarkliftMainForm;
class UserInterface;

void InstallMainWindowActions(TMarkliftMainForm& form, UserInterface& ui);

}  // namespace marklift
