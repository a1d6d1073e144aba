// The real quorvafix with no display at all (no DISPLAY, no WAYLAND_DISPLAY,
// no QT_QPA_PLATFORM): --help and --version answer before Qt starts, and an
// option it does not know is a usage error; Qt, started without a display,
// would abort instead.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome RunWithoutDisplay(const QStringList& arguments) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(QUORVAFIX_EXECUTABLE), arguments);
  Outcome outcome;
  if (!process.waitForFinished(10000)) return outcome;
  outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  outcome.out = process.readAllStandardOutput().toStdString();
  outcome.err = process.readAllStandardError().toStdString();
  return outcome;
}

TEST(DesktopOptions, HelpAndVersionAnswerWithoutADisplay) {
  Outcome help = RunWithoutDisplay({QStringLiteral("--help")});
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: quorvafix [OPTION]... [REGISTRY_FILE]\n", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("--version"), std::string::npos);
  EXPECT_EQ(help.err, "");

  // The toolkit's own options before it, in either form, are left for it.
  for (const QStringList& arguments :
       {QStringList{QStringLiteral("--version")},
        QStringList{QStringLiteral("--style=fusion"), QStringLiteral("--version")},
        QStringList{QStringLiteral("--style"), QStringLiteral("fusion"),
                    QStringLiteral("--version")}}) {
    Outcome version = RunWithoutDisplay(arguments);
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "quorvafix " QUORVAFIX_VERSION "\n") << version.err;
  }
}

TEST(DesktopOptions, AnUnknownOptionIsAUsageErrorInTheGnuForm) {
  for (const char* option : {"--bogus", "--helpme", "--version=2"}) {
    Outcome outcome = RunWithoutDisplay({QString::fromLatin1(option), QStringLiteral("x.reg")});
    EXPECT_EQ(outcome.status, 2) << option;
    EXPECT_EQ(outcome.out, "") << option;
    EXPECT_EQ(outcome.err, std::string("quorvafix: unrecognized option '") + option +
                               "'\nTry 'quorvafix --help'.\n");
  }
}

// Linux has no registry of its own and no synchronisation software: the
// window refuses --local-registry and --device with the tool's reasons,
// before any display is needed.
TEST(DesktopOptions, LocalRegistryAndDeviceAreRefusedWithTheReason) {
  const struct {
    const char* option;
    const char* reason;
  } cases[] = {
      {"--local-registry", "quorvafix: --local-registry: this system has no registry of its own"},
      {"--device", "quorvafix: --device: this system cannot reach a connected handheld"},
  };
  for (const auto& c : cases) {
    const QString option = QString::fromLatin1(c.option);
    for (const QStringList& arguments :
         {QStringList{option}, QStringList{option, QStringLiteral("x.reg")}}) {
      Outcome outcome = RunWithoutDisplay(arguments);
      EXPECT_EQ(outcome.status, 1) << outcome.err;
      EXPECT_EQ(outcome.out, "");
      EXPECT_EQ(outcome.err.rfind(c.reason, 0), 0u) << outcome.err;
    }
  }
  // After "--" each is a file name like any other, which the window, with no
  // display, never gets to open.
  for (const char* option : {"--help", "--local-registry", "--device"}) {
    Outcome named = RunWithoutDisplay({QStringLiteral("--"), QString::fromLatin1(option)});
    EXPECT_NE(named.status, 0) << option;
    EXPECT_EQ(named.out, "") << option;
    EXPECT_EQ(named.err.find("this system"), std::string::npos) << named.err;
  }
}

}  // namespace
