// The single-instance channel's own rules, in process: which folders it
// trusts, and which requests it acts on.
#include "platform/qt/qt_instance_beacon.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uid_t NOBODY = 65534;

class BeaconTest : public ::testing::Test {
 protected:
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

}  // namespace
