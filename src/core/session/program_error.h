// The program's own errors, beside the engine's EXbaseError: MarkliftError
// for failures the user is told about, and ProgramCancelled for the user's
// decision to end the program while a table would not open.
#pragma once

#include <stdexcept>

namespace marklift {

class MarkliftError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown by a caller of OpenWithRetry that got false: it unwinds every action
// in progress so nothing more is done, up to the window that started it,
// which ends the program the way closing the main window does.
//
// Deliberately not a std::exception: the handlers that show an error's text
// catch std::exception, and this is no error to show (the user was told
// already); it must pass them untouched.
class ProgramCancelled final {};

}  // namespace marklift
