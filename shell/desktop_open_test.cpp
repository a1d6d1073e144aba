// Choosing the registry export in the real window (offscreen): no export, no
// verdict; the Open dialog; a drop; the remembered export; a refused repair;
// and a second process handing its file to this one and restoring it, or a
// path neither can open, which both tell.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QUrl>
#include <cerrno>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files/testing/failing_file_system.h"
#include "platform/registry/testing/registry_testing.h"
#include "shell/export_commands.h"
#include "shell/main_window.h"
#include "shell/testing/desktop_test_support.h"

namespace {

constexpr char BUG[] = "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n";

class DesktopOpenTest : public DesktopProgramTest {
 protected:
  std::string Text() const { return DisplayText.CStr(); }
  bool Names(const std::string& path) const {
    return Text().rfind("   Registry export: " + path + "\r\n\r\n", 0) == 0;
  }
  std::string WriteFile(const std::string& name, const char* text) {
    std::string path = runtime_folder_ + "/" + name;
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
  }
  QString SettingsFile() const {
    return QString::fromStdString(runtime_folder_) +
           QStringLiteral("/config/quorvafix/quorvafix.conf");
  }
  // Acts on the open dialog once it shows: path empty cancels it.
  void AnswerOpenDialog(const std::string& path, QString* title) {
    driver_.Add("open dialog", [this, path, title] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return false;
      *title = dialog->windowTitle();
      filters_ = dialog->nameFilters();
      if (path.empty()) {
        dialog->reject();
        return true;
      }
      // Typed as a user would: selectFile leaves a focused name field alone.
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name == nullptr) return false;
      name->setText(QString::fromStdString(path));
      static_cast<QDialog*>(dialog)->accept();
      return true;
    });
  }
  void Drop(const std::string& path) {
    driver_.Add("drop " + path, [path] {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
      QWidget* screen = ProgramScreen();
      QDragEnterEvent enter(QPoint(120, 100), Qt::CopyAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
      QApplication::sendEvent(screen, &enter);
      QDropEvent drop(QPointF(120, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(screen, &drop);
      return enter.isAccepted() && drop.isAccepted();
    });
  }

  // Runs the program, chooses Fix, answers its box and quits.
  void FixThenQuit(QString* text, QString* caption) {
    WaitForActiveScreen();
    Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
    AnswerMessageBox(text, caption);
    WaitForNoModalBox();
    Press(Qt::Key_Q);
    EXPECT_EQ(RunProgram(), 0);
  }

  QStringList filters_;
};

TEST_F(DesktopOpenTest, NoArgumentAndAnEmptyHomeGiveNoVerdict) {
  QString detect_text, detect_caption, fix_text, fix_caption;
  bool all_ok_seen = false;
  WaitForActiveScreen();
  driver_.Add("grab the start text", [&] {
    ProgramScreen()->grab().save(TestPicturePath(QStringLiteral("quorvafix-no-export.png")));
    return true;
  });
  Choose(QStringLiteral("Detect QUORVA Bug"));
  AnswerMessageBox(&detect_text, &detect_caption);
  WaitForNoModalBox();
  Choose(QStringLiteral("Fix QUORVA Bluetooth Bug"));
  AnswerMessageBox(&fix_text, &fix_caption);
  WaitForNoModalBox();
  driver_.Add("look at the text", [&] {
    all_ok_seen = Text().find("All OK") != std::string::npos;
    return true;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgramWithoutFile(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_FALSE(all_ok_seen);
  EXPECT_EQ(
      Text().rfind("   No registry export is open. Choose Tools > Open Registry Export...", 0), 0u)
      << Text();
  for (const QString& text : {detect_text, fix_text}) EXPECT_EQ(text, QString(NO_EXPORT_MESSAGE));
  EXPECT_EQ(detect_caption, QStringLiteral("QUORVAFIX"));
  EXPECT_EQ(fix_caption, QStringLiteral("QUORVAFIX"));
}

TEST_F(DesktopOpenTest, OpenDialogCancelledRefusedAndAccepted) {
  WriteRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Active]\r\n");
  const std::string broken = WriteFile("broken.reg", "REGEDIT4\r\n\"x\"=dword:1\r\n");
  const std::string faulty = WriteFile("faulty.reg", FAULTY_EXPORT);
  QString title, refusal, caption;
  bool named_after_cancel = false, named_after_refusal = false;
  WaitForActiveScreen();
  Press(Qt::Key_O);
  AnswerOpenDialog("", &title);
  WaitForNoModalBox();
  driver_.Add("still the first file", [&] {
    named_after_cancel = Names(registry_path_);
    return true;
  });
  Choose(QStringLiteral("Open Registry Export..."));
  AnswerOpenDialog(broken, &title);
  AnswerMessageBox(&refusal, &caption);
  WaitForNoModalBox();
  driver_.Add("still the first file", [&] {
    named_after_refusal = Names(registry_path_);
    return true;
  });
  Press(Qt::Key_O);
  AnswerOpenDialog(faulty, &title);
  driver_.Add("the new file is named", [&] { return Names(faulty); });
  driver_.Add("grab the start text", [&] {
    ProgramScreen()->grab().save(TestPicturePath(QStringLiteral("quorvafix-opened.png")));
    return true;
  });
  Choose(QStringLiteral("Detect QUORVA Bug"));
  driver_.Add("report", [&] { return Text() == BUG; });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_EQ(title, QStringLiteral("Open Registry Export"));
  EXPECT_EQ(filters_, (QStringList{QStringLiteral("Registry exports (*.reg)"),
                                   QStringLiteral("All files (*)")}));
  EXPECT_TRUE(named_after_cancel);
  EXPECT_TRUE(named_after_refusal);
  EXPECT_EQ(caption, QStringLiteral("QUORVAFIX"));
  EXPECT_EQ(refusal, QStringLiteral("The registry file cannot be used.\n\n") +
                         QString::fromStdString(broken) + QStringLiteral(":2: ") +
                         refusal.section(QStringLiteral(":2: "), 1))
      << refusal.toStdString();
  EXPECT_TRUE(refusal.contains(QStringLiteral(":2: "))) << refusal.toStdString();
  QSettings settings(SettingsFile(), QSettings::IniFormat);
  EXPECT_EQ(settings.value(QStringLiteral("Registry/LastExport")).toString(),
            QString::fromStdString(faulty));
}

TEST_F(DesktopOpenTest, DroppedFileOpensAndARefusedOneIsTold) {
  WriteRegistry("REGEDIT4\r\n");
  const std::string faulty = WriteFile("faulty.reg", FAULTY_EXPORT);
  const std::string text_file = WriteFile("notes.txt", "shopping list\n");
  QString refusal, caption;
  WaitForActiveScreen();
  Drop(faulty);
  driver_.Add("the dropped file is named", [&] { return Names(faulty); });
  Drop(text_file);
  AnswerMessageBox(&refusal, &caption);
  WaitForNoModalBox();
  Choose(QStringLiteral("Detect QUORVA Bug"));
  driver_.Add("report of the dropped file", [&] { return Text() == BUG; });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_TRUE(refusal.startsWith(QStringLiteral("The registry file cannot be used.\n\n") +
                                 QString::fromStdString(text_file) + QStringLiteral(":1: ")))
      << refusal.toStdString();
}

TEST_F(DesktopOpenTest, LastExportOpenedIsOpenedAgainWithoutAnArgument) {
  const std::string faulty = WriteFile("faulty.reg", FAULTY_EXPORT);
  {
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Registry/LastExport"), QString::fromStdString(faulty));
  }
  bool named = false;
  WaitForActiveScreen();
  driver_.Add("named", [&] {
    named = Names(faulty);
    return named;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgramWithoutFile(), 0);
  EXPECT_TRUE(named) << Text();
}

// A remembered export that is gone is named, and the title names no file.
TEST_F(DesktopOpenTest, ARememberedExportThatIsGoneIsNamed) {
  const std::string gone = runtime_folder_ + "/gone.reg";
  {
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Registry/LastExport"), QString::fromStdString(gone));
  }
  QString title;
  WaitForActiveScreen();
  driver_.Add("title", [&] {
    title = ProgramScreen()->windowTitle();
    return true;
  });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgramWithoutFile(), 0);
  EXPECT_EQ(Text().rfind("   The registry export opened last, " + gone +
                             ", is gone. No registry export is open. Choose Tools > Open "
                             "Registry Export... (Ctrl+O), or drop a .reg file on this window.",
                         0),
            0u)
      << Text();
  EXPECT_EQ(title, QStringLiteral("QUORVAFIX"));
}

TEST_F(DesktopOpenTest, RepairTheStoreRefusedIsToldWithItsReason) {
  WriteRegistry(FAULTY_EXPORT);
  WriteFile("pda.reg.lock", "");
  QString text, caption;
  FixThenQuit(&text, &caption);
  EXPECT_TRUE(driver_.Done());
  EXPECT_EQ(caption, QStringLiteral("QUORVAFIX"));
  EXPECT_TRUE(text.startsWith(QString(REPAIR_REFUSED_TEXT) +
                              QString::fromStdString(registry_path_) +
                              QStringLiteral(": cannot store value \"Dll\"")))
      << text.toStdString();
  EXPECT_EQ(Text(), BUG) << "the report keeps the mark";
  EXPECT_EQ(ReadRegistry(), QByteArray(FAULTY_EXPORT));
}

// Both repairs reach the file in one rewrite; when its rename fails, neither
// is on disk, so the report marks both drivers as still faulty.
TEST_F(DesktopOpenTest, FailedRewriteOfSeveralRepairsLeavesEveryDriverMarked) {
  const char two_faulty[] =
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
      "\"Name\"=\"COM5:\"\r\n\"Key\"=\"Drivers\\\\BuiltIn\\\\A\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\02]\r\n"
      "\"Name\"=\"COM6:\"\r\n\"Key\"=\"Drivers\\\\BuiltIn\\\\B\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\A]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\B]\r\n\"Dll\"=\"---BTCEIF.DLL\"\r\n";
  WriteRegistry(two_faulty);
  FailingFileSystem failing(RealFileSystem());
  failing.FailAt(FileSystem::Step::Rename, 1, EIO);
  Shell().registry.file_system = &failing;
  QString text, caption;
  FixThenQuit(&text, &caption);
  Shell().registry.file_system = nullptr;
  EXPECT_TRUE(driver_.Done());
  EXPECT_EQ(failing.Calls(FileSystem::Step::Rename), 1) << "one rewrite for both repairs";
  EXPECT_TRUE(text.startsWith(QString(REPAIR_REFUSED_TEXT) +
                              QString::fromStdString(registry_path_) +
                              QStringLiteral(": cannot store 2 values: cannot rename")))
      << text.toStdString();
  EXPECT_EQ(Text(),
            "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n"
            "COM6:\r\nDll: ---BTCEIF.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_EQ(ReadRegistry(), QByteArray(two_faulty));
}

TEST_F(DesktopOpenTest, SecondProcessHandsItsFileOverAndRestoresTheMinimisedWindow) {
  WriteRegistry("REGEDIT4\r\n");
  const std::string faulty = WriteFile("faulty.reg", FAULTY_EXPORT);
  QProcess second;
  bool minimised = false, restored = false, active = false;
  WaitForActiveScreen();
  driver_.Add("minimise", [&] {
    ProgramScreen()->showMinimized();
    return true;
  });
  driver_.Add("minimised", [&] {
    QWidget* screen = ProgramScreen();
    minimised = screen != nullptr && screen->isMinimized();
    return minimised;
  });
  driver_.Add("start a second copy", [&] {
    second.setProgram(QStringLiteral(QUORVAFIX_EXECUTABLE));
    second.setArguments({QStringLiteral("faulty.reg")});
    second.setWorkingDirectory(QString::fromStdString(runtime_folder_));
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start();
    return true;
  });
  driver_.Add("the second copy's file is open", [&] { return Names(faulty); });
  driver_.Add("restored and active", [&] {
    QWidget* screen = ProgramScreen();
    restored = screen != nullptr && !screen->isMinimized();
    active = screen != nullptr && screen->isActiveWindow();
    return restored && active;
  });
  driver_.Add("second copy gone", [&] { return second.state() == QProcess::NotRunning; });
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  EXPECT_TRUE(minimised);
  EXPECT_TRUE(restored);
  EXPECT_TRUE(active);
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
}

// Both copies say why a path handed over cannot be opened: this window in
// its box, the second copy on stderr with the same reason, exiting with 1.
TEST_F(DesktopOpenTest, ABadPathHandedOverIsToldByBothCopies) {
  WriteRegistry("REGEDIT4\r\n");
  const std::string fifo = runtime_folder_ + "/pipe.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {runtime_folder_ + "/nope.reg",
       runtime_folder_ + "/nope.reg: cannot read: No such file or directory"},
      {runtime_folder_, runtime_folder_ + ": cannot read: Is a directory"},
      {fifo, fifo + ": cannot read: not a regular file but a FIFO"},
      {WriteFile("notes.reg", "shopping list\n"),
       runtime_folder_ +
           "/notes.reg:1: not a registry file: the first line is neither \"REGEDIT4\" nor "
           "\"Windows Registry Editor Version 5.00\""},
  };
  struct Told {
    QString box, caption;
    std::string said;
    int exit_code = -1;
  };
  std::vector<Told> told(std::size(cases));
  QProcess second;
  WaitForActiveScreen();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    driver_.Add("hand over " + cases[i].path, [&, i] {
      second.setProgram(QStringLiteral(QUORVAFIX_EXECUTABLE));
      second.setArguments({QString::fromStdString(cases[i].path)});
      second.start();
      return true;
    });
    AnswerMessageBox(&told[i].box, &told[i].caption);
    driver_.Add("second copy gone", [&, i] {
      if (second.state() != QProcess::NotRunning) return false;
      told[i].said = second.readAllStandardError().toStdString();
      told[i].exit_code = second.exitCode();
      return true;
    });
  }
  Press(Qt::Key_Q);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(driver_.Done());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(told[i].box.toStdString(), EXPORT_REFUSED_TEXT + cases[i].reason);
    EXPECT_EQ(told[i].said, "quorvafix: " + cases[i].reason + "\n");
    EXPECT_EQ(told[i].exit_code, 1) << cases[i].path;
  }
}

}  // namespace
