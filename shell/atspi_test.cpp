// The real quorvafix as a screen reader meets it, end to end: in an X server
// and a session bus of the test's own (xvfb-run, dbus-run-session) with a
// window manager, AT-SPI finds the program's "Report" text object, and
// after Tools > Detect QUORVA Bug chosen with the keyboard it holds the
// verdict, and a mouse drag between the places it gives for two offsets
// selects the text between them as X's PRIMARY selection; Orca itself, its speech written down,
// says the verdict unasked and reads the report line by line in flat review, and the window has the
// keyboard back after each Open confirmed with Return (testing/atspi_detect.py
// does the AT-SPI and Orca part). Every tool it needs missing fails the test
// with the Debian package to install.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <string>

namespace {

// The Debian packages whose programs are missing (a program, or the
// package's marker file); empty when all are there.
std::string MissingPackages() {
  const struct {
    const char* program;
    const char* package;
  } programs[] = {{"xvfb-run", "xvfb"},
                  {"xauth", "xauth"},
                  {"dbus-run-session", "dbus"},
                  {"dbus-launch", "dbus-x11"},
                  {"openbox", "openbox"},
                  {"xdotool", "xdotool"},
                  {"orca", "orca"}};
  std::string missing;
  for (const auto& p : programs) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(p.program)).isEmpty()) {
      missing += std::string(" ") + p.package;
    }
  }
  if (!QFile::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher")))
    missing += " at-spi2-core";
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"), QStringLiteral("import pyatspi")});
  if (!python.waitForFinished(10000) || python.exitStatus() != QProcess::NormalExit ||
      python.exitCode() != 0) {
    missing += " python3-pyatspi";
  }
  return missing;
}

struct DetectRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs testing/atspi_detect.py (with its options first) on a copy of the
// faulty sample in a session bus and an X server of its own.
DetectRun RunDetect(const QStringList& options) {
  DetectRun result;
  const std::string missing = MissingPackages();
  EXPECT_EQ(missing, "") << "install the Debian packages:" << missing;
  QTemporaryDir work;
  const QString registry = work.filePath(QStringLiteral("faulty.reg"));
  if (!missing.empty() || !work.isValid() ||
      !QFile::copy(QStringLiteral(QUORVAFIX_SAMPLE), registry)) {
    ADD_FAILURE() << "no copy of the sample in " << work.path().toStdString();
    return result;
  }
  QFile::setPermissions(registry, QFile::ReadOwner | QFile::WriteOwner);

  QProcess run;
  run.setWorkingDirectory(work.path());
  // On a real X server Qt's keyboard library hands strndup a buffer without a
  // terminator, which a sanitizer's strict string checks report as an overflow
  // in that library; the program's own code keeps every other check.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  if (environment.contains(QStringLiteral("ASAN_OPTIONS"))) {
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) +
                           QStringLiteral(":strict_string_checks=0"));
  }
  // Two runs side by side share neither the accessibility bus's socket
  // (under the runtime folder) nor, unless both pick it at once, a display.
  const QString runtime = work.filePath(QStringLiteral("runtime"));
  QDir().mkpath(runtime);
  QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
  run.setProcessEnvironment(environment);
  run.start(
      QStringLiteral("dbus-run-session"),
      QStringList{QStringLiteral("--"), QStringLiteral("xvfb-run"), QStringLiteral("-a"),
                  QStringLiteral("-n"), QString::number(100 + getpid() % 800), QStringLiteral("-s"),
                  QStringLiteral("-screen 0 1024x768x24"), QStringLiteral("/usr/bin/python3"),
                  QStringLiteral(QUORVAFIX_ATSPI_SCRIPT)} +
          options + QStringList{QStringLiteral(QUORVAFIX_EXECUTABLE), registry, work.path()});
  EXPECT_TRUE(run.waitForFinished(150000)) << "the AT-SPI run took over 150 s";
  result.exit_code = run.exitCode();
  result.out = run.readAllStandardOutput().toStdString();
  result.err = run.readAllStandardError().toStdString();
  return result;
}

TEST(AtSpi, AScreenReaderReadsTheVerdictOfADetect) {
  const DetectRun run = RunDetect({});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("report: Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n"), std::string::npos)
      << run.out << run.err;
  EXPECT_NE(run.out.find("report: COM5:\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("window: faulty.reg - QUORVAFIX\n"), std::string::npos) << run.out;
  // A drag between the places AT-SPI gives for two offsets selects what lies
  // between them, which becomes X's PRIMARY selection.
  EXPECT_NE(run.out.find("primary: 'COM3:\\nDll: IRSIR.DLL\\n'\n"), std::string::npos) << run.out;
}

TEST(AtSpi, OrcaSaysTheVerdictUnaskedAndReviewsTheReportLineByLine) {
  const DetectRun run = RunDetect({QStringLiteral("--orca")});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("said: COM1: Dll: SERIAL_PXA.DLL COM3: Dll: IRSIR.DLL COM5: Dll: "
                         "QVBTDEV.DLL <<<< BUG DETECTED HERE! COM6: Dll: BTCEIF.DLL\n"),
            std::string::npos)
      << run.out << run.err;
  // F10 opens Tools on its first item, which is said (the script waits for
  // it before the next key).
  EXPECT_NE(run.out.find("said: About...\n"), std::string::npos) << run.out;
  // Opened again with Return, the window has the keyboard back each time.
  const std::string reopened = "after Open: frame active, report focused\n";
  EXPECT_NE(run.out.find(reopened + reopened + reopened), std::string::npos) << run.out;
  // Flat review, after the verdict, reads the report's first three lines.
  std::size_t at = run.out.find("said: COM1: Dll: SERIAL_PXA.DLL COM3:");
  for (const char* line : {"said: COM1:\n", "said: Dll: SERIAL_PXA.DLL\n", "said: COM3:\n"}) {
    at = at == std::string::npos ? at : run.out.find(line, at + 1);
    EXPECT_NE(at, std::string::npos) << line << " in review\n" << run.out;
  }
}

}  // namespace
