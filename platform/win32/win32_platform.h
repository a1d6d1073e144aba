// The Win32 platform in one object, for a program's main function: it
// installs the Win32 window manager, shell and desktop services for its
// lifetime. This header includes no windows.h, so the program's own code
// keeps the platform API's names. One per process, on the main thread.
#pragma once

#include <memory>

class Win32Platform {
 public:
  Win32Platform();
  ~Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};
