#include "gui/main_window/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QUuid>
#include <QWidget>

namespace marklift {
namespace {

// A name no other test or running program uses.
QString freshName() {
    return QStringLiteral("marklift-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

TEST(SingleInstanceGuard, TheFirstCopyListensAndALaterOneFindsIt) {
    const QString name = freshName();
    SingleInstanceGuard first(name);
    EXPECT_FALSE(first.isSecondCopy());
    SingleInstanceGuard second(name);
    EXPECT_TRUE(second.isSecondCopy());
}

TEST(SingleInstanceGuard, ALaterCopyRestoresAndRaisesTheFirstCopysWindow) {
    const QString name = freshName();
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
    const QString name = freshName();
    SingleInstanceGuard first(name);
    QSignalSpy requests(&first, &SingleInstanceGuard::activationRequested);
    SingleInstanceGuard second(name);
    EXPECT_FALSE(requests.wait(200));
}

TEST(SingleInstanceGuard, WhatACrashedCopyLeftBehindDoesNotBlockTheNextRun) {
    const QString name = freshName();
    // A leftover entry where the socket would be, with nobody listening.
    QFile leftover(QDir::tempPath() + QLatin1Char('/') + name);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();

    SingleInstanceGuard first(name);
    EXPECT_FALSE(first.isSecondCopy());
    SingleInstanceGuard second(name);
    EXPECT_TRUE(second.isSecondCopy());
}

}  // namespace
}  // namespace marklift
