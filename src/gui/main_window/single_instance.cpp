// The single-instance guard over QLocalServer and QLocalSocket.
#include "gui/main_window/single_instance.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include "core/session/application.h"

namespace marklift {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kRaiseRequest[] = "raise\n";

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        secondCopy_ = true;
        return;
    }
    // Nobody answers: a socket left by a crashed copy would block listening.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(name_);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptRequests);
}

QString SingleInstanceGuard::defaultName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return QString::fromLatin1(kApplicationName) + QLatin1Char('-') + user;
}

void SingleInstanceGuard::notifyFirstCopy() const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return;
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
