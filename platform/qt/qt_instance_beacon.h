// The single-instance beacon: a running copy listens on a local socket named
// after its main window's class and title and the user, so that a second
// copy's FindWindow finds it and its SetForegroundWindow reaches it. The
// socket lives in $XDG_RUNTIME_DIR when that is set, else in the temporary
// folder, and only the user may connect. A socket left by a killed copy is
// recognised (nobody answers) and replaced.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

class InstanceBeacon {
 public:
  InstanceBeacon();
  ~InstanceBeacon();

  // The socket name for a window class and title of the current user.
  static QString NameFor(const std::u16string& class_name, const std::u16string& title);
  // True when a running copy answers on name within 500 ms.
  static bool Answers(const QString& name);
  // Asks the copy on name to come forward (with_owned: with its open boxes);
  // false when it cannot be reached.
  static bool RequestForeground(const QString& name, bool with_owned);

  // Starts answering on name; each foreground request calls on_request. A
  // stale socket is removed first; false when another live copy holds the
  // name or listening fails (the program then runs without a beacon).
  bool Listen(const QString& name, std::function<void(bool with_owned)> on_request);
  bool IsListening() const;

 private:
  std::unique_ptr<QLocalServer> server_;
  std::function<void(bool)> on_request_;
};
