// A program's resource tables (resource_types.h) written as a Windows
// resource script for windres, and its icon groups as .ico files, so that
// the Windows build's resources/quorvafix.rc and quorvafix.ico hold exactly
// what the tables hold. write_resource_script (this folder) writes them;
// resource_script_test checks that the committed files are its output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windowing/resource_types.h"

// The script: a string table, each menu (MENU), each menu-bar template as
// the handheld's RCDATA of the same number (menu, button count, then per
// button image, command, state, style, label string, submenu), each
// accelerator table, each dialog (DIALOGEX) and each icon group as ICON
// "NAME-ID.ico" (icon_base names the files). Texts are written in UTF-8
// (the script starts with #pragma code_page(65001)); '"' is doubled.
std::string ResourceScript(const ResourceModule& module, const std::string& icon_base);

// The .ico file of icon: each image as a 32-bit BGRA bitmap with its AND
// mask, from its XPM rows ("None" transparent). Empty when an image's XPM
// cannot be read.
std::vector<uint8_t> IconFile(const IconGroupResource& icon);
