// SingleInstanceGuard: one running copy per desktop user. The copy that
// takes an exclusive lock on a file named after the program and the user
// runs, and listens on a local socket of the same name; a later copy finds
// the lock taken, and at its first activation asks the running copy through
// the socket to come to the front before giving way.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QWidget;

namespace marklift {

class File;

class SingleInstanceGuard : public QObject {
    Q_OBJECT

public:
    // Makes the check at once by taking the lock of `name`: of two copies
    // started together exactly one gets it, and the system lets go of it
    // however a copy ends. The copy that gets it listens at `name`
    // (clearing what a crashed copy left there).
    explicit SingleInstanceGuard(const QString& name, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    // The name for this program and desktop user.
    static QString defaultName();
    // The file whose lock decides which copy of `name` runs.
    static QString lockFileName(const QString& name);

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
    std::unique_ptr<File> lock_;
    QLocalServer* server_ = nullptr;
    QWidget* window_ = nullptr;
    bool secondCopy_ = false;
};

}  // namespace marklift
