// The single-instance rule between real processes of the quorvafix
// executable (offscreen): a second copy hands over to the running one and
// exits with 0 without a window, with or without XDG_RUNTIME_DIR; a socket
// left by a killed copy does not stop the next one; a socket another user
// planted (socket_squatter run as nobody) neither stops the program nor
// hears from it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <string>

#include "platform/qt/qt_instance_beacon.h"
#include "shell/testing/desktop_test_support.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = UsePrivateRuntimeFolder();
    registry_ = QString::fromStdString(folder_) + QStringLiteral("/pda.reg");
    QFile file(registry_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Active]\r\n");
    file.close();
    beacon_ = InstanceBeacon::NameFor(u"QUORVAFIX");
  }
  void TearDown() override {
    for (QProcess* process : {&first_, &second_, &squatter_}) {
      if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
    RemoveFolder(folder_);
  }

  void Start(QProcess& process) {
    process.setProgram(QStringLiteral(QUORVAFIX_EXECUTABLE));
    process.setArguments({registry_});
    process.start();
    ASSERT_TRUE(process.waitForStarted(5000));
  }
  // Waits until a copy answers on the beacon (its window exists).
  bool WaitUntilAnswering(QProcess& process) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
      if (process.state() == QProcess::NotRunning) return false;
      if (InstanceBeacon::Answers(beacon_)) return true;
      QThread::msleep(50);
    }
    return false;
  }

  // A shared temporary folder (mode 1777, like /tmp) as TMPDIR, with
  // XDG_RUNTIME_DIR unset: the channel then lives in TMPDIR/quorvafix-UID.
  QString UseSharedTemporaryFolder() {
    QString shared = QString::fromStdString(folder_) + QStringLiteral("/tmp");
    QDir().mkpath(shared);
    chmod(QFile::encodeName(shared).constData(), 01777);
    chmod(folder_.c_str(), 0755);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", QFile::encodeName(shared).constData(), 1);
    return shared;
  }
  // Runs socket_squatter as nobody on socket; it logs what it hears to
  // log_. False when it did not come up.
  bool Plant(const QString& socket, bool make_folder) {
    QString shared = QString::fromStdString(folder_) + QStringLiteral("/open");
    QDir().mkpath(shared);
    chmod(QFile::encodeName(shared).constData(), 01777);
    QString program = shared + QStringLiteral("/socket_squatter");
    QFile::remove(program);
    QFile::copy(QStringLiteral(QUORVAFIX_SQUATTER), program);
    chmod(QFile::encodeName(program).constData(), 0755);
    log_ = shared + QStringLiteral("/heard");
    QStringList arguments{QStringLiteral("--reuid=nobody"),
                          QStringLiteral("--regid=nogroup"),
                          QStringLiteral("--clear-groups"),
                          program,
                          socket,
                          log_};
    if (make_folder) arguments << QStringLiteral("--make-folder");
    squatter_.start(QStringLiteral("setpriv"), arguments);
    return squatter_.waitForStarted(5000) && squatter_.waitForReadyRead(5000) &&
           squatter_.readAll().startsWith("ready");
  }
  // Whether process is still running after a while (it has its window).
  static bool KeepsRunning(QProcess& process) {
    return !process.waitForFinished(3000) && process.state() == QProcess::Running;
  }
  // The channel's socket name in folder (found through a private folder of
  // its own, so that nothing is made in the shared one).
  QString SocketIn(const QString& folder) {
    std::string naming = folder_ + "/naming";
    mkdir(naming.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", naming.c_str(), 1);
    QString name = QFileInfo(InstanceBeacon::NameFor(u"QUORVAFIX")).fileName();
    unsetenv("XDG_RUNTIME_DIR");
    return folder + QLatin1Char('/') + name;
  }

  int argc_ = 1;
  char name_[16] = "single_instance";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  std::string folder_;
  QString registry_;
  QString beacon_;
  QProcess first_;
  QProcess second_;
  QProcess squatter_;
  QString log_;
};

TEST_F(SingleInstanceTest, SecondCopyHandsOverAndExitsWithZero) {
  Start(first_);
  ASSERT_TRUE(WaitUntilAnswering(first_));
  EXPECT_TRUE(QFileInfo(beacon_).isAbsolute()) << "the beacon lives in XDG_RUNTIME_DIR";
  EXPECT_TRUE(beacon_.startsWith(QString::fromStdString(folder_)));

  Start(second_);
  ASSERT_TRUE(second_.waitForFinished(10000)) << "a second copy must not stay";
  EXPECT_EQ(second_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second_.exitCode(), 0);

  EXPECT_EQ(first_.state(), QProcess::Running) << "the first copy keeps running";
  EXPECT_TRUE(InstanceBeacon::Answers(beacon_));
}

TEST_F(SingleInstanceTest, APathTheRunningCopyCouldNotOpenIsToldBySecondCopy) {
  Start(first_);
  ASSERT_TRUE(WaitUntilAnswering(first_));
  const std::string missing = folder_ + "/nope.reg";
  const struct {
    std::string path;
    std::string said;
  } cases[] = {
      {missing, "quorvafix: " + missing + ": cannot read: No such file or directory\n"},
      {folder_, "quorvafix: " + folder_ + ": cannot read: Is a directory\n"},
  };
  for (const auto& c : cases) {
    QProcess second;
    second.setProgram(QStringLiteral(QUORVAFIX_EXECUTABLE));
    second.setArguments({QString::fromStdString(c.path)});
    second.start();
    ASSERT_TRUE(second.waitForFinished(10000)) << c.path;
    EXPECT_EQ(second.exitCode(), 1) << c.path;
    EXPECT_EQ(second.readAllStandardError().toStdString(), c.said);
  }
  EXPECT_EQ(first_.state(), QProcess::Running) << "the first copy keeps running";
}

TEST_F(SingleInstanceTest, KilledCopyLeavesASocketTheNextCopyReplaces) {
  Start(first_);
  ASSERT_TRUE(WaitUntilAnswering(first_));
  first_.kill();
  ASSERT_TRUE(first_.waitForFinished(5000));
  ASSERT_TRUE(QFileInfo::exists(beacon_)) << "SIGKILL leaves the socket file behind";
  EXPECT_FALSE(InstanceBeacon::Answers(beacon_));

  Start(second_);
  ASSERT_TRUE(WaitUntilAnswering(second_)) << "the stale socket must not stop a new copy";
  EXPECT_EQ(second_.state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, WithoutARuntimeFolderTwoCopiesStillMeetInAPrivateOne) {
  QString shared = UseSharedTemporaryFolder();
  beacon_ = InstanceBeacon::NameFor(u"QUORVAFIX");
  const QString channel = shared + QStringLiteral("/quorvafix-") + QString::number(getuid());
  EXPECT_EQ(QFileInfo(beacon_).path(), channel);
  Start(first_);
  ASSERT_TRUE(WaitUntilAnswering(first_));
  EXPECT_TRUE(InstanceBeacon::IsPrivateFolder(channel, nullptr));
  Start(second_);
  ASSERT_TRUE(second_.waitForFinished(10000)) << "a second copy must not stay";
  EXPECT_EQ(second_.exitCode(), 0);
  EXPECT_EQ(first_.state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, ASocketAnotherUserPlantedInTheSharedFolderIsNeverUsed) {
  QString shared = UseSharedTemporaryFolder();
  const QString squatted = shared + QStringLiteral("/quorvafix-") + QString::number(getuid());
  const QString socket = SocketIn(squatted);
  ASSERT_TRUE(Plant(socket, true));

  Start(first_);
  EXPECT_TRUE(KeepsRunning(first_)) << "the planted socket must not stop the program";
  QByteArray said = first_.readAllStandardError();
  EXPECT_TRUE(said.contains("belongs to another user; running without the single-instance rule"))
      << said.toStdString();
  EXPECT_FALSE(QFile::exists(log_)) << "nothing was sent to the stranger";
  EXPECT_TRUE(QFileInfo::exists(socket)) << "the stranger's socket is left alone";
}

TEST_F(SingleInstanceTest, ASocketAnotherUserOwnsIsNeitherTalkedToNorRemoved) {
  // The stranger gets in while the runtime folder is open, then it closes.
  chmod(folder_.c_str(), 0777);
  ASSERT_TRUE(Plant(beacon_, false));
  chmod(folder_.c_str(), 0700);

  Start(first_);
  EXPECT_TRUE(KeepsRunning(first_)) << "the planted socket must not stop the program";
  QByteArray said = first_.readAllStandardError();
  EXPECT_TRUE(said.contains("belongs to another user; running without the single-instance rule"))
      << said.toStdString();
  EXPECT_FALSE(QFile::exists(log_)) << "nothing was sent to the stranger";
  struct stat status {};
  ASSERT_EQ(lstat(QFile::encodeName(beacon_).constData(), &status), 0) << "not removed";
  EXPECT_EQ(status.st_uid, 65534u);
}

}  // namespace
