// Test support for the program on the Qt backend under the offscreen
// platform: a private runtime and temporary folder for each test process, the
// platform object, and a step driver that acts on the real widgets while the
// program runs its own loop and modal boxes (a timer polls; each step
// returns true when it is done). A step stuck past the deadline ends the
// process with a message naming it, so a broken build fails instead of hanging.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QString>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <functional>
#include <memory>
#include <string>

// Makes a fresh 0700 folder, points XDG_RUNTIME_DIR and TMPDIR at it and
// returns it; the caller removes it (RemoveFolder) when done.
std::string UsePrivateRuntimeFolder();
void RemoveFolder(const std::string& folder);

class StepDriver {
 public:
  void Add(const std::string& name, std::function<bool()> step);
  // Starts polling every 20 ms; all steps must be done within deadline_ms.
  void Start(int deadline_ms = 30000);
  bool Done() const { return steps_.empty(); }

 private:
  void Tick();

  std::deque<std::pair<std::string, std::function<bool()>>> steps_;
  QTimer timer_;
  QElapsedTimer clock_;
  int deadline_ms_ = 0;
};

// The visible screen widget titled "QUORVAFIX", or null.
QWidget* ProgramScreen();
// The menu bar's "Tools" button on the screen, or null.
QToolButton* ToolsButton();
// Opens the Tools popup later, from the event loop (its own modal loop must
// not run inside a step).
void OpenToolsMenu();
// Clicks the item with text in the open popup; false while none is open.
bool ChooseMenuItem(const QString& text);
// Number of pixels darker than mid-grey inside area of image.
int DarkPixels(const QImage& image, const QRect& area);
