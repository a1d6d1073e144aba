// What the computer offers for reaching a handheld connected to it: the
// connection through the synchronisation software's rapi.dll, the lock that
// lets one repair of the handheld run at a time, and the folder that keeps
// the undo files of repairs. Windows only (device_system_win32.cpp); on
// other systems each says why there is none (device_system_none.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/device/rapi_link.h"

// Why no connection was made.
enum class DeviceConnectFailure {
  None,
  NoSystemSupport,  // this system has no synchronisation software at all (Linux)
  NotInstalled,     // no rapi.dll in the system folder, or it lacks a call
  NoAnswer,         // no handheld answered within the wait
  Refused,          // rapi.dll refused to start the connection
};

// Whether this system can reach a connected handheld at all (Windows);
// false with *why (one line, as ConnectDevice says it) elsewhere.
bool SystemReachesHandhelds(std::string* why);

// The connection to the handheld: rapi.dll loaded from the system folder
// alone (LOAD_LIBRARY_SEARCH_SYSTEM32: never the program's or the current
// folder, where anyone could plant one), CeRapiInitEx, and a wait of at
// most wait_seconds for its event. Null with *failure and *why (one line,
// without the program's name) when none is made. The link ends
// (CeRapiUninit) when the result is destroyed.
std::unique_ptr<RapiLink> ConnectDevice(int wait_seconds, DeviceConnectFailure* failure,
                                        std::string* why);

// Held while one repair of the handheld runs (a mutex named for the whole
// computer, Global\, since the handheld it reaches is the computer's and
// not one user's); released when destroyed. An abandoned one is taken over.
class DeviceRepairLock {
 public:
  virtual ~DeviceRepairLock() = default;
};
// Null when another program (this tool or the window) holds it.
std::unique_ptr<DeviceRepairLock> TakeDeviceRepairLock();

// Saves bytes as a new file in %LOCALAPPDATA%\quorvafix\undo\ (made when
// missing), named by the local date and time ("2026-12-08 03-55-01.reg";
// "... (2).reg" and on when that name is taken), written and flushed before
// it returns. False with *why when it cannot; *path is the file's full path.
bool SaveUndoFile(const std::vector<uint8_t>& bytes, std::string* path, std::string* why);
