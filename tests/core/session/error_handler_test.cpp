#include "core/session/error_handler.h"

#include <gtest/gtest.h>

#include "core/session/program_error.h"
#include "support/scripted_user_interface.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

TEST(ReportError, ShowsTheTextUnderTheApplicationTitle) {
    ScriptedUserInterface ui;
    ReportError(ui, EXbaseError(XbaseErrorCode::BadHeader, "BANTABLE.DBF: bad header"));
    ReportError(ui, MarkliftError("Unable to write to C:\\MARKLIFT.ini"));
    ASSERT_EQ(ui.messages().size(), 2u);
    for (const RecordedMessage& message : ui.messages()) {
        EXPECT_EQ(message.title, "Prepare ZOLT Upload File for PeopleSoft");
        EXPECT_EQ(message.icon, MessageIcon::Error);
        EXPECT_EQ(message.buttons, MessageButtons::Ok);
    }
    EXPECT_EQ(ui.messages()[0].text, "BANTABLE.DBF: bad header");
    EXPECT_EQ(ui.messages()[1].text, "Unable to write to C:\\MARKLIFT.ini");
}

}  // namespace
}  // namespace marklift
