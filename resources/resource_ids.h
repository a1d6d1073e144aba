// The numbers by which the program and the platform refer to QUORVAFIX's
// resources, and the menu's command identifiers. Shared by the resource data
// (quorvafix_resources.cpp) and the shell; the values are fixed.
#pragma once

#include <cstdint>

// Strings.
constexpr uint16_t IDS_APP_TITLE = 1;     // "QUORVAFIX": the main window's title
constexpr uint16_t IDS_WINDOW_CLASS = 3;  // "QUORVAFIX": the main window's class name
constexpr uint16_t IDS_TOOLS = 104;       // "Tools": the menu-bar button's label

// Icon group, menu and menu-bar template, dialog, accelerator table.
constexpr uint16_t IDI_QUORVAFIX = 101;
constexpr uint16_t IDM_MENU = 102;
constexpr uint16_t IDD_ABOUTBOX = 103;
constexpr uint16_t IDC_QUORVAFIX = 3;

// Commands.
constexpr uint16_t IDM_TOOLS = 40001;
constexpr uint16_t IDM_ABOUT = 40003;
constexpr uint16_t IDM_DETECT = 40004;
constexpr uint16_t IDM_FIX = 40005;
constexpr uint16_t IDM_EXIT = 40006;
constexpr uint16_t IDM_OPEN = 40007;  // the desktop's "Open Registry Export..."
constexpr uint16_t IDM_COPY = 40008;  // the desktop's "Copy Report"
// "Use Connected Handheld": the Windows window's way to the handheld
// (quorvafix --device); no other menu carries it.
constexpr uint16_t IDM_DEVICE = 40009;
