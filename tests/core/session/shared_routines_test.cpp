#include "core/session/shared_routines.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/scripted_user_interface.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

TEST(WithTrailingBackslash, AddsOneWhereMissing) {
    struct Case {
        std::string directory;
        std::string expected;
    };
    const Case cases[] = {
        {"C:\\DELV", "C:\\DELV\\"},
        {"C:\\DELV\\", "C:\\DELV\\"},
        {"", "\\"},
        {"DELV/", "DELV/\\"},
        {std::string(300, 'a'), std::string(255, 'a')},
        {std::string(255, 'a'), std::string(255, 'a')},
        {std::string(254, 'a'), std::string(254, 'a') + "\\"},
        {std::string(254, 'a') + "\\xyz", std::string(254, 'a') + "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directory.substr(0, 20) + " (" + std::to_string(c.directory.size()) + ")");
        EXPECT_EQ(WithTrailingBackslash(c.directory), c.expected);
    }
}

TEST(ZeroPad, PadsToWidthNeverCuts) {
    struct Case {
        std::int64_t value;
        int width;
        const char* expected;
    };
    const Case cases[] = {
        {7, 3, "007"},     {1234, 3, "1234"}, {0, 2, "00"},   {-5, 3, "0-5"}, {-12, 3, "-12"},
        {-123, 3, "-123"}, {42, 0, "42"},     {42, -4, "42"}, {5, 1, "5"},    {99, 4, "0099"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " width " + std::to_string(c.width));
        EXPECT_EQ(ZeroPad(c.value, c.width), c.expected);
    }
}

TEST(CompactSsn, KeepsCharactersOneToThreeFiveToSixEightToEleven) {
    struct Case {
        const char* ssn;
        const char* expected;
    };
    const Case cases[] = {
        {"123-45-6789", "123456789"},
        {"123456789", "1235689"},
        {"123-45", "12345"},
        {"", ""},
        {"12", "12"},
        {"123-4", "1234"},
        {"123-45-6", "123456"},
        {"123-45-6789XYZ", "123456789"},
        {"123 45 6789", "123456789"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ssn);
        EXPECT_EQ(CompactSsn(c.ssn), c.expected);
    }
}

TEST(OpenRetryQuestion, NamesTheTableWithTheEnginesExtension) {
    EXPECT_EQ(OpenRetryQuestion("C:\\DELV\\DELVTP3\\", "TP", TableType::ttNTX),
              "Unable to open Table: C:\\DELV\\DELVTP3\\TP.CDX.\r\nOK to retry?");
    EXPECT_EQ(OpenRetryQuestion("C:\\DELV\\", "BANPLACE", TableType::ttCDX),
              "Unable to open Table: C:\\DELV\\BANPLACE.CDX.\r\nOK to retry?");
    EXPECT_EQ(OpenRetryQuestion("D:\\", "X", TableType::ttADT),
              "Unable to open Table: D:\\X.ADT.\r\nOK to retry?");
}

// An opener that fails until a given attempt and counts the attempts.
class FlakyOpener {
public:
    explicit FlakyOpener(int succeedsOnAttempt) : succeedsOn_(succeedsOnAttempt) {}
    void operator()() {
        ++attempts;
        if (succeedsOn_ == 0 || attempts < succeedsOn_)
            throw EXbaseError(XbaseErrorCode::OpenFailed, "locked");
    }
    int attempts = 0;

private:
    int succeedsOn_;  // 0: never
};

const std::string kQuestion = "Unable to open Table: C:\\DELV\\TP.CDX.\r\nOK to retry?";
const std::string kCancelled = "Cancelled.  The program will be terminated.";

class OpenWithRetryTest : public ::testing::Test {
protected:
    bool open(FlakyOpener& opener) {
        return OpenWithRetry([&opener] { opener(); }, kQuestion, ui);
    }
    ScriptedUserInterface ui;
};

TEST_F(OpenWithRetryTest, OpensWithinTwelveAttemptsWithoutAsking) {
    for (int attempt : {1, 5, 12}) {
        SCOPED_TRACE(attempt);
        FlakyOpener opener(attempt);
        EXPECT_TRUE(open(opener));
        EXPECT_EQ(opener.attempts, attempt);
    }
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(OpenWithRetryTest, BusyCursorOnlyAfterAFailure) {
    FlakyOpener first(1);
    EXPECT_TRUE(open(first));
    EXPECT_EQ(ui.busyBegins(), 0);
    FlakyOpener fifth(5);
    EXPECT_TRUE(open(fifth));
    EXPECT_GE(ui.busyBegins(), 1);
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(OpenWithRetryTest, AsksAfterTwelveFailuresAndCancelEndsIt) {
    FlakyOpener opener(0);
    ui.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(open(opener));
    EXPECT_EQ(opener.attempts, 12);
    ASSERT_EQ(ui.messages().size(), 2u);
    const RecordedMessage& question = ui.messages()[0];
    EXPECT_EQ(question.title, "Error");
    EXPECT_EQ(question.text, kQuestion);
    EXPECT_EQ(question.icon, MessageIcon::Error);
    EXPECT_EQ(question.buttons, MessageButtons::OkCancel);
    EXPECT_EQ(question.busyDepth, 0);
    const RecordedMessage& cancelled = ui.messages()[1];
    EXPECT_EQ(cancelled.title, "Error");
    EXPECT_EQ(cancelled.text, kCancelled);
    EXPECT_EQ(cancelled.icon, MessageIcon::Error);
    EXPECT_EQ(cancelled.buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(OpenWithRetryTest, OkGivesTwelveMoreAttempts) {
    FlakyOpener opener(0);
    ui.queueAnswer(Answer::Ok);
    ui.queueAnswer(Answer::Ok);
    ui.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(open(opener));
    EXPECT_EQ(opener.attempts, 36);
    EXPECT_EQ(ui.messageTexts(),
              (std::vector<std::string>{kQuestion, kQuestion, kQuestion, kCancelled}));
}

TEST_F(OpenWithRetryTest, OpensAfterOneRetry) {
    FlakyOpener opener(13);
    ui.queueAnswer(Answer::Ok);
    EXPECT_TRUE(open(opener));
    EXPECT_EQ(opener.attempts, 13);
    EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{kQuestion});
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(OpenWithRetryTest, OtherErrorsReachTheCallerAtOnce) {
    int attempts = 0;
    auto badArguments = [&attempts] {
        if (++attempts < 3) throw EXbaseError(XbaseErrorCode::OpenFailed, "locked");
        throw std::invalid_argument("no table name");
    };
    EXPECT_THROW(OpenWithRetry(badArguments, kQuestion, ui), std::invalid_argument);
    EXPECT_EQ(attempts, 3);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(ui.busyDepth(), 0);
}

}  // namespace
}  // namespace marklift
