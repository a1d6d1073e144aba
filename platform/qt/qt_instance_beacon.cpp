#include "platform/qt/qt_instance_beacon.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int WAIT_MS = 500;
constexpr char FOREGROUND[] = "FOREGROUND ";
constexpr char COPY_DATA[] = "COPYDATA ";

// Whether the process at the other end of socket runs as this user.
bool PeerIsSameUser(const QLocalSocket& socket) {
  struct ucred peer {};
  socklen_t size = sizeof peer;
  return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                    &size) == 0 &&
         peer.uid == getuid();
}

// Connects to name and checks the listener's user; false (disconnected)
// when either fails.
bool ConnectToOwnCopy(QLocalSocket& socket, const QString& name) {
  if (name.isEmpty()) return false;
  socket.connectToServer(name);
  if (!socket.waitForConnected(WAIT_MS)) return false;
  if (PeerIsSameUser(socket)) return true;
  socket.abort();
  return false;
}

bool Send(const QString& name, const QByteArray& request) {
  if (request.size() > InstanceBeacon::MAX_REQUEST) return false;
  QLocalSocket socket;
  if (!ConnectToOwnCopy(socket, name)) return false;
  socket.write(request);
  bool sent = socket.waitForBytesWritten(WAIT_MS);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(WAIT_MS);
  return sent;
}

void Say(const QString& text) {
  std::fprintf(stderr, "quorvafix: %s\n", text.toLocal8Bit().constData());
  std::fflush(stderr);
}

bool OwnedByOtherUser(const QString& path) {
  struct stat status {};
  return lstat(QFile::encodeName(path).constData(), &status) == 0 && status.st_uid != getuid();
}

}  // namespace

InstanceBeacon::InstanceBeacon() = default;

InstanceBeacon::~InstanceBeacon() = default;

bool InstanceBeacon::IsPrivateFolder(const QString& folder, QString* problem) {
  auto fail = [&](const QString& why) {
    if (problem != nullptr) *problem = folder + QStringLiteral(": ") + why;
    return false;
  };
  struct stat status {};
  if (lstat(QFile::encodeName(folder).constData(), &status) != 0) {
    return fail(QString::fromLocal8Bit(std::strerror(errno)));
  }
  if (S_ISLNK(status.st_mode)) return fail(QStringLiteral("is a symbolic link"));
  if (!S_ISDIR(status.st_mode)) return fail(QStringLiteral("is not a folder"));
  if (status.st_uid != getuid()) return fail(QStringLiteral("belongs to another user"));
  if ((status.st_mode & 07777) != 0700) {
    return fail(
        QStringLiteral("has mode %1, not 0700").arg(status.st_mode & 07777, 4, 8, QChar('0')));
  }
  return true;
}

QString InstanceBeacon::ChannelFolder(QString* problem) {
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && IsPrivateFolder(runtime, nullptr)) return runtime;
  QString folder = QDir::tempPath() + QStringLiteral("/quorvafix-") + QString::number(getuid());
  mkdir(QFile::encodeName(folder).constData(), 0700);
  if (!IsPrivateFolder(folder, problem)) return QString();
  return folder;
}

QString InstanceBeacon::NameFor(const std::u16string& class_name) {
  QString problem;
  QString folder = ChannelFolder(&problem);
  if (folder.isEmpty()) {
    static bool said = false;
    if (!said) Say(problem + QStringLiteral("; running without the single-instance rule"));
    said = true;
    return QString();
  }
  QByteArray key = QString::fromStdU16String(class_name).toUtf8() + '\n' +
                   QByteArray::number(static_cast<qulonglong>(getuid()));
  QString name = QStringLiteral("quorvafix-") +
                 QString::fromLatin1(
                     QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
  return QDir(folder).filePath(name);
}

bool InstanceBeacon::Answers(const QString& name) {
  QLocalSocket socket;
  bool answered = ConnectToOwnCopy(socket, name);
  socket.abort();
  return answered;
}

bool InstanceBeacon::RequestForeground(const QString& name, bool with_owned) {
  return Send(name, QByteArray(FOREGROUND) + (with_owned ? "1" : "0") + "\n");
}

bool InstanceBeacon::SendCopyData(const QString& name, uintptr_t kind, const QByteArray& bytes) {
  return Send(name, QByteArray(COPY_DATA) + QByteArray::number(static_cast<qulonglong>(kind)) +
                        ' ' + bytes.toBase64() + "\n");
}

bool InstanceBeacon::Handle(const QByteArray& line) {
  if (line == "FOREGROUND 0" || line == "FOREGROUND 1") {
    if (handlers_.foreground) handlers_.foreground(line.endsWith('1'));
    return true;
  }
  if (!line.startsWith(COPY_DATA)) return false;
  QList<QByteArray> fields = line.mid(int(sizeof COPY_DATA) - 1).split(' ');
  if (fields.size() != 2) return false;
  bool number = false;
  qulonglong kind = fields[0].toULongLong(&number);
  QByteArray::FromBase64Result bytes =
      QByteArray::fromBase64Encoding(fields[1], QByteArray::AbortOnBase64DecodingErrors);
  if (!number || !bytes) return false;
  if (handlers_.copy_data) handlers_.copy_data(static_cast<uintptr_t>(kind), *bytes);
  return true;
}

bool InstanceBeacon::Listen(const QString& name, Handlers handlers) {
  if (name.isEmpty()) return false;
  // Qt may put its socket in place by a rename, which would replace whatever
  // stands at name: decide about an existing socket first.
  if (QFileInfo::exists(name) || QFileInfo(name).isSymLink()) {
    if (OwnedByOtherUser(name)) {
      Say(name +
          QStringLiteral(" belongs to another user; running without the single-instance rule"));
      return false;
    }
    if (Answers(name)) return false;
    QLocalServer::removeServer(name);
  }
  handlers_ = std::move(handlers);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name)) {
    server_.reset();
    return false;
  }
  QLocalServer* server = server_.get();
  QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      if (!PeerIsSameUser(*socket)) {
        socket->abort();
        continue;
      }
      QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        while (socket->canReadLine()) {
          QByteArray line = socket->readLine(MAX_REQUEST + 1);
          if (!line.endsWith('\n') || !Handle(line.chopped(1))) {
            socket->abort();
            return;
          }
        }
        if (socket->bytesAvailable() >= MAX_REQUEST) socket->abort();
      });
    }
  });
  return true;
}

bool InstanceBeacon::IsListening() const { return server_ != nullptr && server_->isListening(); }
