// The single-instance channel's own rules, in process: which folders it
// trusts, and which requests it acts on.
#include "platform/qt/qt_instance_beacon.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uid_t NOBODY = 65534;

class BeaconTest : public ::testing::Test {
 protected:
  // The next test's scratch folder is made under TMPDIR before its SetUp
  // runs: the environment goes back to how the test found it, or that
  // folder would be made at the file system's root (a TMPDIR that is gone).
  void TearDown() override {
    for (const SavedVariable& v : saved_) {
      if (v.set) {
        qputenv(v.name, v.value);
      } else {
        qunsetenv(v.name);
      }
    }
  }

  void SetUp() override {
    ASSERT_TRUE(scratch_.isValid());
    root_ = scratch_.path();
    chmod(QFile::encodeName(root_).constData(), 0700);
    runtime_ = Folder(QStringLiteral("runtime"), 0700);
    temp_ = Folder(QStringLiteral("tmp"), 01777);
    setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_).constData(), 1);
    setenv("TMPDIR", QFile::encodeName(temp_).constData(), 1);
  }

  QString Folder(const QString& name, mode_t mode) {
    QString path = root_ + QLatin1Char('/') + name;
    QDir().mkpath(path);
    chmod(QFile::encodeName(path).constData(), mode);
    return path;
  }
  QString Fallback() const {
    return temp_ + QStringLiteral("/quorvafix-") + QString::number(getuid());
  }

  // Processes events until done() or ms have passed.
  template <typename Done>
  bool Wait(Done done, int ms = 2000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }
  // Sends raw bytes to name and lets the listener read them.
  void SendRaw(const QString& name, const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(name);
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write(bytes);
    socket.flush();
    Wait([&] { return socket.bytesToWrite() == 0; });
    Wait([] { return false; }, 200);  // the listener's turn
    socket.abort();
  }

  struct SavedVariable {
    const char* name;
    bool set;
    QByteArray value;
  };
  static SavedVariable Save(const char* name) {
    return {name, qEnvironmentVariableIsSet(name), qgetenv(name)};
  }
  const SavedVariable saved_[2] = {Save("TMPDIR"), Save("XDG_RUNTIME_DIR")};
  int argc_ = 1;
  char name_[12] = "beacon_test";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  QTemporaryDir scratch_;
  QString root_, runtime_, temp_;
};

TEST_F(BeaconTest, OnlyAPrivateFolderOfTheUserIsTrusted) {
  QString link = root_ + QStringLiteral("/link");
  ASSERT_EQ(symlink(QFile::encodeName(runtime_).constData(), QFile::encodeName(link).constData()),
            0);
  QString file = root_ + QStringLiteral("/file");
  QFile(file).open(QIODevice::WriteOnly);
  QString strangers = Folder(QStringLiteral("strangers"), 0700);
  ASSERT_EQ(chown(QFile::encodeName(strangers).constData(), NOBODY, NOBODY), 0);
  struct Case {
    QString folder;
    bool trusted;
    QString why;
  } cases[] = {
      {runtime_, true, QString()},
      {Folder(QStringLiteral("open"), 0755), false, QStringLiteral("has mode 0755, not 0700")},
      {Folder(QStringLiteral("shared"), 01777), false, QStringLiteral("has mode 1777, not 0700")},
      {link, false, QStringLiteral("is a symbolic link")},
      {file, false, QStringLiteral("is not a folder")},
      {strangers, false, QStringLiteral("belongs to another user")},
      {root_ + QStringLiteral("/none"), false, QStringLiteral("No such file or directory")},
  };
  for (const Case& c : cases) {
    QString problem;
    EXPECT_EQ(InstanceBeacon::IsPrivateFolder(c.folder, &problem), c.trusted)
        << c.folder.toStdString();
    EXPECT_EQ(problem, c.trusted ? QString() : c.folder + QStringLiteral(": ") + c.why);
  }
}

TEST_F(BeaconTest, RuntimeFolderOfTheWrongOwnerOrModeGivesWayToAPrivateOne) {
  EXPECT_EQ(InstanceBeacon::ChannelFolder(nullptr), runtime_);
  EXPECT_TRUE(InstanceBeacon::NameFor(u"QUORVAFIX").startsWith(runtime_ + "/quorvafix-"));

  chmod(QFile::encodeName(runtime_).constData(), 0755);
  EXPECT_EQ(InstanceBeacon::ChannelFolder(nullptr), Fallback());
  EXPECT_TRUE(InstanceBeacon::IsPrivateFolder(Fallback(), nullptr)) << "made with mode 0700";

  chmod(QFile::encodeName(runtime_).constData(), 0700);
  ASSERT_EQ(chown(QFile::encodeName(runtime_).constData(), NOBODY, NOBODY), 0);
  EXPECT_EQ(InstanceBeacon::ChannelFolder(nullptr), Fallback());

  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(InstanceBeacon::ChannelFolder(nullptr), Fallback());
}

TEST_F(BeaconTest, PrivateFolderThatFailsTheCheckMeansNoChannel) {
  unsetenv("XDG_RUNTIME_DIR");
  QDir().mkpath(Fallback());
  for (bool by_owner : {false, true}) {
    if (by_owner) {
      chmod(QFile::encodeName(Fallback()).constData(), 0700);
      ASSERT_EQ(chown(QFile::encodeName(Fallback()).constData(), NOBODY, NOBODY), 0);
    } else {
      chmod(QFile::encodeName(Fallback()).constData(), 0777);
    }
    QString problem;
    EXPECT_EQ(InstanceBeacon::ChannelFolder(&problem), QString());
    EXPECT_TRUE(problem.startsWith(Fallback() + ": ")) << problem.toStdString();
    EXPECT_EQ(InstanceBeacon::NameFor(u"QUORVAFIX"), QString());
    EXPECT_FALSE(InstanceBeacon::Answers(QString()));
    InstanceBeacon beacon;
    EXPECT_FALSE(beacon.Listen(QString(), {}));
  }
}

TEST_F(BeaconTest, OversizedAndMalformedRequestsAreDropped) {
  const QString name = InstanceBeacon::NameFor(u"QUORVAFIX");
  std::vector<std::string> heard;
  InstanceBeacon beacon;
  InstanceBeacon::Handlers handlers;
  handlers.foreground = [&](bool with_owned) {
    heard.push_back(with_owned ? "front 1" : "front 0");
  };
  handlers.copy_data = [&](uintptr_t kind, const QByteArray& bytes) {
    heard.push_back("data " + std::to_string(kind) + " " + bytes.toStdString());
  };
  ASSERT_TRUE(beacon.Listen(name, handlers));

  const QByteArray big(InstanceBeacon::MAX_REQUEST, 'A');
  const QByteArray rejected[] = {
      "FOREGROUND 2\n",           "FOREGROUND 1 \n",   "foreground 1\n",          "COPYDATA 7\n",
      "COPYDATA x QUJD\n",        "COPYDATA 7 QU*D\n", "COPYDATA 7 QUJD extra\n", "HELLO\n",
      "COPYDATA 7 " + big + "\n", big + big,
  };
  for (const QByteArray& request : rejected) SendRaw(name, request);
  EXPECT_EQ(heard, std::vector<std::string>{});

  SendRaw(name, "HELLO\nFOREGROUND 1\n");
  EXPECT_EQ(heard, std::vector<std::string>{}) << "a malformed line ends the connection";

  SendRaw(name, "FOREGROUND 0\nCOPYDATA 7 QUJD\n");
  EXPECT_TRUE(InstanceBeacon::SendCopyData(name, 9, QByteArray(4000, 'z')));
  EXPECT_FALSE(InstanceBeacon::SendCopyData(name, 9, QByteArray(InstanceBeacon::MAX_REQUEST, 'z')))
      << "too long to send";
  Wait([&] { return heard.size() == 3; });
  EXPECT_EQ(heard, (std::vector<std::string>{"front 0", "data 7 ABC",
                                             "data 9 " + std::string(4000, 'z')}));
}

TEST_F(BeaconTest, OnlyModeExactly0700IsTrusted) {
  struct Case {
    mode_t mode;
    bool trusted;
  } cases[] = {
      {0700, true},  {01700, false}, {02700, false}, {04700, false},
      {0710, false}, {0701, false},  {0500, false},
  };
  for (const Case& c : cases) {
    chmod(QFile::encodeName(runtime_).constData(), c.mode);
    struct stat status {};
    ASSERT_EQ(lstat(QFile::encodeName(runtime_).constData(), &status), 0);
    ASSERT_EQ(status.st_mode & 07777, c.mode) << "the folder did not take the mode";
    QString problem;
    const QString mode = QString::number(c.mode, 8).rightJustified(4, QLatin1Char('0'));
    EXPECT_EQ(InstanceBeacon::IsPrivateFolder(runtime_, &problem), c.trusted) << c.mode;
    EXPECT_EQ(problem, c.trusted ? QString() : runtime_ + ": has mode " + mode + ", not 0700");
    EXPECT_EQ(InstanceBeacon::ChannelFolder(nullptr), c.trusted ? runtime_ : Fallback()) << c.mode;
  }
}

// Whatever the process's umask, only the user may connect to the socket.
TEST_F(BeaconTest, ListeningSocketIsTheUsersAlone) {
  const QString name = InstanceBeacon::NameFor(u"QUORVAFIX");
  const mode_t old_mask = umask(0);
  InstanceBeacon beacon;
  const bool listening = beacon.Listen(name, {});
  umask(old_mask);
  ASSERT_TRUE(listening);
  struct stat status {};
  ASSERT_EQ(lstat(QFile::encodeName(name).constData(), &status), 0);
  EXPECT_TRUE(S_ISSOCK(status.st_mode));
  EXPECT_EQ(status.st_mode & 07777, 0700u);
  EXPECT_EQ(status.st_uid, getuid());
}

// A process of another user that reaches the socket (in an open folder, the
// socket's own mode opened too, so that only the peer check is left) is
// never heard; the same request from a process of the user is.
TEST_F(BeaconTest, RequestsFromAnotherUsersProcessAreIgnored) {
  chmod(QFile::encodeName(root_).constData(), 0711);
  const QString open = Folder(QStringLiteral("open"), 01777);
  const QString name = open + QStringLiteral("/channel");
  std::vector<std::string> heard;
  InstanceBeacon::Handlers handlers;
  handlers.foreground = [&](bool with_owned) {
    heard.push_back(with_owned ? "front 1" : "front 0");
  };
  handlers.copy_data = [&](uintptr_t kind, const QByteArray& bytes) {
    heard.push_back("data " + std::to_string(kind) + " " + bytes.toStdString());
  };
  InstanceBeacon beacon;
  ASSERT_TRUE(beacon.Listen(name, handlers));
  ASSERT_EQ(chmod(QFile::encodeName(name).constData(), 0777), 0);

  const QString caller = open + QStringLiteral("/socket_caller");
  ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVAFIX_SOCKET_CALLER), caller));
  chmod(QFile::encodeName(caller).constData(), 0755);
  const QString request = QStringLiteral("FOREGROUND 1\nCOPYDATA 7 QUJD\n");
  // Runs the caller (as nobody when stranger) and gives what it printed.
  auto call = [&](bool stranger) {
    QProcess process;
    if (stranger) {
      process.start(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                     QStringLiteral("--clear-groups"), caller, name, request});
    } else {
      process.start(caller, {name, request});
    }
    EXPECT_TRUE(process.waitForStarted(5000))
        << (stranger ? "setpriv (Debian package util-linux) cannot be started" : "no caller");
    Wait([&] { return process.state() == QProcess::NotRunning; }, 10000);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
  };
  EXPECT_EQ(call(true), "connected\nclosed\n") << "nobody reached the socket";
  Wait([] { return false; }, 200);
  EXPECT_EQ(heard, std::vector<std::string>{});

  EXPECT_EQ(call(false), "connected\nclosed\n");
  Wait([&] { return heard.size() == 2; });
  EXPECT_EQ(heard, (std::vector<std::string>{"front 1", "data 7 ABC"}));
}

// A request is at most MAX_REQUEST bytes with its line end: one that long is
// taken, and MAX_REQUEST bytes without a line end end the connection at
// once, without waiting for more.
TEST_F(BeaconTest, SixteenKiBWithoutALineEndIsDropped) {
  const QString name = InstanceBeacon::NameFor(u"QUORVAFIX");
  std::vector<size_t> heard;
  InstanceBeacon::Handlers handlers;
  handlers.copy_data = [&](uintptr_t, const QByteArray& bytes) { heard.push_back(bytes.size()); };
  InstanceBeacon beacon;
  ASSERT_TRUE(beacon.Listen(name, handlers));

  // "COPYDATA 7 " (11 bytes), 16372 of base64 for 12279 bytes, the line end.
  const QByteArray longest = "COPYDATA 7 " + QByteArray(12279, 'q').toBase64() + "\n";
  ASSERT_EQ(longest.size(), InstanceBeacon::MAX_REQUEST);
  QLocalSocket socket;
  socket.connectToServer(name);
  ASSERT_TRUE(socket.waitForConnected(1000));
  socket.write(longest.chopped(1));
  Wait([&] { return socket.bytesToWrite() == 0; });
  Wait([] { return false; }, 300);
  EXPECT_EQ(socket.state(), QLocalSocket::ConnectedState) << "one byte short of the longest";
  socket.write("\n");
  Wait([&] { return !heard.empty(); });
  EXPECT_EQ(heard, std::vector<size_t>{12279});
  socket.abort();

  QLocalSocket unended;
  unended.connectToServer(name);
  ASSERT_TRUE(unended.waitForConnected(1000));
  unended.write(QByteArray(InstanceBeacon::MAX_REQUEST, 'A'));
  EXPECT_TRUE(Wait([&] { return unended.state() == QLocalSocket::UnconnectedState; }, 3000))
      << "the listener keeps a connection that can never bring a request";
  EXPECT_EQ(heard.size(), 1u);
}

}  // namespace
