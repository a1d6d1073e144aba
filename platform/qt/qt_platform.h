// The desktop platform in one object, for a program's main function: it
// makes the Qt application and installs the Qt window manager, shell
// and desktop services for its lifetime. This header includes no Qt header, so the
// program's own code stays Qt-free. One per process, on the main thread.
#pragma once

#include <memory>

class QtWindowManager;

class QtPlatform {
 public:
  // argc and argv must outlive the object (Qt keeps them).
  QtPlatform(int& argc, char** argv);
  ~QtPlatform();
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  // The window manager installed (for test bindings that act on its screen).
  QtWindowManager& Windows();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};
