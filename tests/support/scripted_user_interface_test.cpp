#include "support/scripted_user_interface.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace marklift {
namespace {

TEST(ScriptedUserInterface, UnscriptedBoxesGetTheirFirstButton) {
    ScriptedUserInterface ui;
    EXPECT_EQ(ui.showMessage("T", "a", MessageIcon::Error, MessageButtons::Ok), Answer::Ok);
    EXPECT_EQ(ui.showMessage("T", "b", MessageIcon::Error, MessageButtons::OkCancel), Answer::Ok);
    EXPECT_TRUE(ui.confirm("c"));
    EXPECT_EQ(ui.showMessage("T", "d", MessageIcon::Question, MessageButtons::YesNo), Answer::Yes);
    EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(ui.messages()[2].title, "Confirm");
    EXPECT_EQ(ui.messages()[2].buttons, MessageButtons::YesCancel);
}

TEST(ScriptedUserInterface, AnswersFromTheQueueInOrder) {
    ScriptedUserInterface ui;
    ui.queueAnswer(Answer::Cancel);
    ui.queueAnswer(Answer::No);
    EXPECT_FALSE(ui.confirm("first"));
    EXPECT_EQ(ui.showMessage("T", "second", MessageIcon::Question, MessageButtons::YesNo),
              Answer::No);
    EXPECT_EQ(ui.messages()[0].answer, Answer::Cancel);
    EXPECT_EQ(ui.messages()[1].answer, Answer::No);
}

TEST(ScriptedUserInterface, AnswerTheBoxDoesNotOfferIsATestMistake) {
    ScriptedUserInterface ui;
    ui.queueAnswer(Answer::Yes);
    EXPECT_THROW(ui.showError("x"), std::logic_error);
    ui.queueAnswer(Answer::No);
    EXPECT_THROW(ui.confirm("y"), std::logic_error);
}

TEST(ScriptedUserInterface, CountsBusyCursorAndEvents) {
    ScriptedUserInterface ui;
    {
        BusyCursor outer(ui);
        BusyCursor inner(ui);
        ui.showError("while busy");
        ui.processEvents();
    }
    ui.showError("after");
    EXPECT_EQ(ui.busyBegins(), 2);
    EXPECT_EQ(ui.busyEnds(), 2);
    EXPECT_EQ(ui.messages()[0].busyDepth, 2);
    EXPECT_EQ(ui.messages()[1].busyDepth, 0);
    EXPECT_EQ(ui.processEventsCalls(), 1);
}

TEST(ScriptedUserInterface, DialogsAnswerFromTheirQueuesThenCancel) {
    ScriptedUserInterface ui;
    ui.queueSaveFile("C:\\out.asc");
    ui.queueFolder("C:\\DELV\\");
    FileDialogOptions options;
    options.initialFileName = "C:\\old.asc";
    EXPECT_EQ(ui.chooseSaveFile(options), "C:\\out.asc");
    EXPECT_EQ(ui.chooseSaveFile(options), "");
    EXPECT_EQ(ui.chooseFolder("C:\\"), "C:\\DELV\\");
    EXPECT_EQ(ui.chooseFolder("D:\\"), "");
    ASSERT_EQ(ui.saveDialogs().size(), 2u);
    EXPECT_EQ(ui.saveDialogs()[0].initialFileName, "C:\\old.asc");
    EXPECT_EQ(ui.folderDialogStarts(), (std::vector<std::string>{"C:\\", "D:\\"}));
}

}  // namespace
}  // namespace marklift
