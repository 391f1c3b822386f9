#include "core/session/error_handler.h"

#include "core/session/application.h"

namespace marklift {

void ReportError(UserInterface& ui, const std::exception& error) {
    ui.showMessage(kApplicationTitle, error.what(), MessageIcon::Error, MessageButtons::Ok);
}

}  // namespace marklift
