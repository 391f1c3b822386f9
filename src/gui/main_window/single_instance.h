// SingleInstanceGuard: one running copy per desktop user. The first copy
// listens on a local socket named after the program and the user; a later
// copy finds it there, and at its first activation asks it to come to the
// front before giving way.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

namespace marklift {

class SingleInstanceGuard : public QObject {
    Q_OBJECT

public:
    // Makes the check at once: connects to `name` when another copy
    // listens, otherwise listens there itself (clearing what a crashed copy
    // left behind).
    explicit SingleInstanceGuard(const QString& name, QObject* parent = nullptr);

    // The name for this program and desktop user.
    static QString defaultName();

    bool isSecondCopy() const { return secondCopy_; }

    // The window the first copy restores and brings to the front when a
    // later copy asks.
    void setWindow(QWidget* window) { window_ = window; }

    // A second copy's request to the first copy to come to the front.
    void notifyFirstCopy() const;

signals:
    // The first copy received a later copy's request (its window, if any,
    // is already restored and raised).
    void activationRequested();

private:
    void acceptRequests();
    void bringWindowForward();

    QString name_;
    QLocalServer* server_ = nullptr;
    QWidget* window_ = nullptr;
    bool secondCopy_ = false;
};

}  // namespace marklift
