#include "gui/main_window/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QThread>
#include <QUuid>
#include <QWidget>
#include <atomic>
#include <barrier>
#include <memory>

namespace marklift {
namespace {

// A name no other test or running program uses; its lock file goes with it.
class FreshName {
public:
    FreshName()
        : name_(QStringLiteral("marklift-test-") + QUuid::createUuid().toString(QUuid::Id128)) {}
    ~FreshName() { QFile::remove(SingleInstanceGuard::lockFileName(name_)); }
    FreshName(const FreshName&) = delete;
    FreshName& operator=(const FreshName&) = delete;
    operator const QString&() const { return name_; }

private:
    QString name_;
};

TEST(SingleInstanceGuard, TheFirstCopyListensAndALaterOneFindsIt) {
    const FreshName name;
    SingleInstanceGuard first(name);
    EXPECT_FALSE(first.isSecondCopy());
    SingleInstanceGuard second(name);
    EXPECT_TRUE(second.isSecondCopy());
}

TEST(SingleInstanceGuard, ALaterCopyRestoresAndRaisesTheFirstCopysWindow) {
    const FreshName name;
    SingleInstanceGuard first(name);
    QWidget window;
    first.setWindow(&window);
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());

    SingleInstanceGuard second(name);
    QSignalSpy requests(&first, &SingleInstanceGuard::activationRequested);
    second.notifyFirstCopy();
    ASSERT_TRUE(requests.wait(2000));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST(SingleInstanceGuard, MerelyCheckingDoesNotRaiseTheFirstCopy) {
    const FreshName name;
    SingleInstanceGuard first(name);
    QSignalSpy requests(&first, &SingleInstanceGuard::activationRequested);
    SingleInstanceGuard second(name);
    EXPECT_FALSE(requests.wait(200));
}

TEST(SingleInstanceGuard, WhatACrashedCopyLeftBehindDoesNotBlockTheNextRun) {
    const FreshName name;
    // A leftover entry where the socket would be, with nobody listening.
    QFile leftover(QDir::tempPath() + QLatin1Char('/') + static_cast<const QString&>(name));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();

    SingleInstanceGuard first(name);
    EXPECT_FALSE(first.isSecondCopy());
    SingleInstanceGuard second(name);
    EXPECT_TRUE(second.isSecondCopy());
}

// Two copies started at the same moment: each pair, with a name of its own,
// must end with exactly one copy running. Checking first and listening
// after leaves a moment in which both find nobody and both run.
TEST(SingleInstanceGuard, OfTwoCopiesStartedTogetherExactlyOneRuns) {
    constexpr int kPairs = 40;
    for (int pair = 0; pair < kPairs; ++pair) {
        SCOPED_TRACE(pair);
        const FreshName name;
        std::barrier start(2);
        std::barrier decided(2);
        std::atomic<int> running{0};
        auto startCopy = [&] {
            start.arrive_and_wait();
            SingleInstanceGuard guard(name);
            if (!guard.isSecondCopy()) ++running;
            // Both stay up until both have decided, as two programs would.
            decided.arrive_and_wait();
        };
        // QThreads, as Qt's sockets want them.
        std::unique_ptr<QThread> first(QThread::create(startCopy));
        std::unique_ptr<QThread> second(QThread::create(startCopy));
        first->start();
        second->start();
        first->wait();
        second->wait();
        EXPECT_EQ(running.load(), 1);
    }
}

}  // namespace
}  // namespace marklift
