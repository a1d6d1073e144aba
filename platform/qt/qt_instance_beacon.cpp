#include "platform/qt/qt_instance_beacon.h"

#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int kWaitMs = 500;
constexpr char kForegroundRequest[] = "FOREGROUND ";

}  // namespace

InstanceBeacon::InstanceBeacon() = default;

InstanceBeacon::~InstanceBeacon() = default;

QString InstanceBeacon::NameFor(const std::u16string& class_name, const std::u16string& title) {
  QByteArray key = QString::fromStdU16String(class_name).toUtf8() + '\n' +
                   QString::fromStdU16String(title).toUtf8() + '\n' +
                   QByteArray::number(static_cast<qulonglong>(getuid()));
  QString name = QStringLiteral("quorvafix-") +
                 QString::fromLatin1(
                     QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return QDir(runtime).filePath(name);
  return name;
}

bool InstanceBeacon::Answers(const QString& name) {
  QLocalSocket socket;
  socket.connectToServer(name);
  bool answered = socket.waitForConnected(kWaitMs);
  socket.abort();
  return answered;
}

bool InstanceBeacon::RequestForeground(const QString& name, bool with_owned) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(kWaitMs)) return false;
  socket.write(QByteArray(kForegroundRequest) + (with_owned ? "1" : "0") + "\n");
  bool sent = socket.waitForBytesWritten(kWaitMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kWaitMs);
  return sent;
}

bool InstanceBeacon::Listen(const QString& name, std::function<void(bool)> on_request) {
  on_request_ = std::move(on_request);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name)) {
    if (server_->serverError() != QAbstractSocket::AddressInUseError || Answers(name)) {
      server_.reset();
      return false;
    }
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
      server_.reset();
      return false;
    }
  }
  QLocalServer* server = server_.get();
  QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        while (socket->canReadLine()) {
          QByteArray line = socket->readLine().trimmed();
          if (line.startsWith(kForegroundRequest) && on_request_) {
            on_request_(line.endsWith('1'));
          }
        }
      });
    }
  });
  return true;
}

bool InstanceBeacon::IsListening() const { return server_ != nullptr && server_->isListening(); }
