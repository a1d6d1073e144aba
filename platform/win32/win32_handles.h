// The Win32 handle types the window manager's interface names, declared as
// windows.h declares them (STRICT handles: pointers to distinct structs), so
// that headers mixing them with the platform API need not include
// windows.h, whose macros take the platform API's names.
#pragma once

struct HWND__;
struct HMENU__;
struct HINSTANCE__;
typedef HWND__* HWND;
typedef HMENU__* HMENU;
typedef HINSTANCE__* HINSTANCE;
