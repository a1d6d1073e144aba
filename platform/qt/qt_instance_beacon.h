// The single-instance channel: a running copy listens on a local socket
// named after its main window's class and title and the user, so that a
// second copy's FindWindow finds it and its SetForegroundWindow and
// WM_COPYDATA reach it. The socket lives in a folder only the user can enter
// (ChannelFolder); both ends check that the other runs as the same user
// (SO_PEERCRED) before a byte is exchanged, and a socket of another user is
// neither talked to nor removed. A socket left by a killed copy of the user's
// (nobody answers) is replaced. Requests are single lines of at most
// MAX_REQUEST bytes; anything longer or malformed is dropped with its
// connection.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

class InstanceBeacon {
 public:
  // The longest request line taken, its line end included: room for a path
  // of 4096 UTF-16 units.
  static constexpr int MAX_REQUEST = 16384;

  struct Handlers {
    std::function<void(bool with_owned)> foreground;
    std::function<void(uintptr_t kind, const QByteArray& bytes)> copy_data;
  };

  InstanceBeacon();
  ~InstanceBeacon();

  // True when folder is a folder (not a link) owned by the user with mode
  // 0700; otherwise false with *problem (may be null) saying why.
  static bool IsPrivateFolder(const QString& folder, QString* problem);
  // The channel's folder: $XDG_RUNTIME_DIR when IsPrivateFolder holds for
  // it; otherwise the temporary folder's "quorvafix-UID", made with mode
  // 0700 when missing. Empty, with *problem (may be null) saying why, when
  // that folder fails IsPrivateFolder: then there is no channel.
  static QString ChannelFolder(QString* problem);
  // The socket path for a window class of the current user; empty when there
  // is no channel (said once on stderr: the program then runs without the
  // single-instance rule). A window's title may change while it runs, so the
  // class alone names the channel.
  static QString NameFor(const std::u16string& class_name);
  // True when a copy of the same user answers on name within 500 ms.
  static bool Answers(const QString& name);
  // Asks the copy on name to come forward (with_owned: with its open boxes);
  // false when it cannot be reached.
  static bool RequestForeground(const QString& name, bool with_owned);
  // Hands the copy on name a WM_COPYDATA record (kind, bytes); false when it
  // cannot be reached or the record does not fit MAX_REQUEST.
  static bool SendCopyData(const QString& name, uintptr_t kind, const QByteArray& bytes);

  // Starts answering on name: each well-formed request of a peer of the same
  // user calls its handler. A stale socket of the user's is removed first;
  // false when name is empty, another live copy holds it, anything of
  // another user stands there (said on stderr), or listening fails: the
  // program then runs without a beacon.
  bool Listen(const QString& name, Handlers handlers);
  bool IsListening() const;

 private:
  // Acts on one request line (line end removed); false when it is malformed.
  bool Handle(const QByteArray& line);

  std::unique_ptr<QLocalServer> server_;
  Handlers handlers_;
};
