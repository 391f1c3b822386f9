// The general error handler: the one way an error that escaped a user
// action is shown (the application title, error icon, OK). Nothing is logged.
#pragma once

#include <exception>

#include "core/session/user_interface.h"

namespace marklift {

void ReportError(UserInterface& ui, const std::exception& error);

}  // namespace marklift
