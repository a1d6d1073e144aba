// The single-instance rule between real processes of the quorvafix
// executable (offscreen): a second copy hands over to the running one and
// exits with 0 without a window; a socket left by a killed copy does not
// stop the next one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <string>

#include "platform/qt/qt_instance_beacon.h"
#include "shell/desktop_test_support.h"

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
    beacon_ = InstanceBeacon::NameFor(u"QUORVAFIX", u"QUORVAFIX");
  }
  void TearDown() override {
    for (QProcess* process : {&first_, &second_}) {
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
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
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

  int argc_ = 1;
  char name_[16] = "single_instance";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  std::string folder_;
  QString registry_;
  QString beacon_;
  QProcess first_;
  QProcess second_;
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

}  // namespace
