// The single-instance guard over a file lock, QLocalServer and QLocalSocket.
#include "gui/main_window/single_instance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include "core/session/application.h"
#include "platform/file.h"

namespace marklift {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kConnectRetryMs = 50;
constexpr char kRaiseRequest[] = "raise\n";

// A copy that answers at `name`: the running copy, once it listens.
bool Answers(const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    return probe.waitForConnected(kConnectTimeoutMs);
}

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {
    try {
        lock_ = std::make_unique<File>(lockFileName(name_).toStdString(), File::Access::ReadWrite,
                                       File::Lock::Exclusive, File::Create::Truncate);
    } catch (const FileInUseError&) {
        secondCopy_ = true;
        return;
    } catch (const PlatformError&) {
        // No lock can be had here: the socket alone decides, as well as it
        // can.
        if (Answers(name_)) {
            secondCopy_ = true;
            return;
        }
    }
    // A socket left by a crashed copy would block listening.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(name_);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptRequests);
}

// The lock goes when the guard does, and with it the claim; the file stays,
// as removing it could let a third copy lock a new file beside a second
// copy's hold on the old one.
SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::lockFileName(const QString& name) {
    return QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral(".lock");
}

QString SingleInstanceGuard::defaultName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return QString::fromLatin1(kApplicationName) + QLatin1Char('-') + user;
}

void SingleInstanceGuard::notifyFirstCopy() const {
    // A copy started together with this one may hold the lock a moment
    // before it listens.
    QLocalSocket socket;
    const QDeadlineTimer deadline(kConnectTimeoutMs);
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(kConnectTimeoutMs)) break;
        if (deadline.hasExpired()) return;
        QThread::msleep(kConnectRetryMs);
    }
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
}

void SingleInstanceGuard::acceptRequests() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains('\n')) bringWindowForward();
        });
    }
}

void SingleInstanceGuard::bringWindowForward() {
    if (window_) {
        window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window_->show();
        window_->raise();
        window_->activateWindow();
    }
    // A box or dialog the first copy is waiting on belongs in front of the
    // window it blocks.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    emit activationRequested();
}

}  // namespace marklift
