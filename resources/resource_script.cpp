#include "resources/resource_script.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/registry/reg_text_codec.h"

namespace {

// text as UTF-8 inside an .rc string literal (the registry's codec).
std::string Quoted(const char16_t* text) {
  std::vector<uint8_t> bytes;
  EncodeText(RegEncoding::Utf8, text != nullptr ? text : u"", &bytes);
  std::string out = "\"";
  for (uint8_t byte : bytes) {
    out += static_cast<char>(byte);
    if (byte == '"') out += '"';  // a quote is doubled
  }
  return out + "\"";
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

void WriteMenus(const ResourceModule& module, std::ostringstream& rc) {
  for (int m = 0; m < module.menu_count; ++m) {
    const MenuResource& menu = module.menus[m];
    rc << menu.id << " MENU\nBEGIN\n";
    for (int p = 0; p < menu.popup_count; ++p) {
      const PopupResource& popup = menu.popups[p];
      rc << "  POPUP " << Quoted(popup.text) << "\n  BEGIN\n";
      for (int i = 0; i < popup.item_count; ++i) {
        rc << "    MENUITEM " << Quoted(popup.items[i].text) << ", " << popup.items[i].command
           << "\n";
      }
      rc << "  END\n";
    }
    rc << "END\n\n";
  }
  for (int b = 0; b < module.menu_bar_count; ++b) {
    const MenuBarTemplate& bar = module.menu_bars[b];
    rc << bar.id << " RCDATA\nBEGIN\n  " << bar.menu << ", " << bar.button_count;
    for (int i = 0; i < bar.button_count; ++i) {
      const MenuBarButtonResource& button = bar.buttons[i];
      rc << ",\n  " << button.image << ", " << button.command << ", " << int{button.state} << ", "
         << int{button.style} << ", " << button.label_string << ", " << button.submenu;
    }
    rc << "\nEND\n\n";
  }
}

void WriteAccelerators(const ResourceModule& module, std::ostringstream& rc) {
  for (int t = 0; t < module.accelerator_count; ++t) {
    const AcceleratorTable& table = module.accelerators[t];
    rc << table.id << " ACCELERATORS\nBEGIN\n";
    for (int i = 0; i < table.entry_count; ++i) {
      const AcceleratorResource& entry = table.entries[i];
      rc << "  " << entry.key << ", " << entry.command;
      rc << ((entry.flags & FVIRTKEY) ? ", VIRTKEY" : ", ASCII");
      if (entry.flags & FCONTROL) rc << ", CONTROL";
      if (entry.flags & FSHIFT) rc << ", SHIFT";
      if (entry.flags & FALT) rc << ", ALT";
      rc << "\n";
    }
    rc << "END\n\n";
  }
}

void WriteDialogs(const ResourceModule& module, std::ostringstream& rc) {
  for (int d = 0; d < module.dialog_count; ++d) {
    const DialogTemplate& dialog = module.dialogs[d];
    rc << dialog.id << " DIALOGEX " << dialog.x << ", " << dialog.y << ", " << dialog.width << ", "
       << dialog.height << "\nSTYLE " << Hex(dialog.style) << "\nEXSTYLE " << Hex(dialog.ex_style)
       << "\nCAPTION " << Quoted(dialog.caption) << "\nFONT " << dialog.font_points << ", "
       << Quoted(dialog.font_face) << "\nBEGIN\n";
    for (int c = 0; c < dialog.control_count; ++c) {
      const DialogControlResource& control = dialog.controls[c];
      const bool icon = control.kind == DialogControlKind::Icon;
      rc << "  CONTROL " << (icon ? std::to_string(control.icon) : Quoted(control.text)) << ", "
         << (control.id == IDC_STATIC ? -1 : control.id) << ", \"Static\", " << Hex(control.style)
         << ", " << control.x << ", " << control.y << ", " << control.width << ", "
         << control.height << "\n";
    }
    rc << "END\n\n";
  }
}

// The colours of an XPM image by their characters (one per pixel), "None"
// as 0 (transparent), others as 0xFFRRGGBB; false when it cannot be read.
bool XpmColours(const IconImageResource& image, int count, std::map<char, uint32_t>* colours) {
  for (int i = 1; i <= count && i < image.xpm_lines; ++i) {
    const std::string line = image.xpm[i];
    if (line.size() < 5 || line.compare(1, 3, " c ") != 0) return false;
    const std::string value = line.substr(4);
    if (value == "None") {
      (*colours)[line[0]] = 0;
    } else if (value.size() == 7 && value[0] == '#' &&
               value.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
      (*colours)[line[0]] =
          0xFF000000u | static_cast<uint32_t>(std::strtoul(value.c_str() + 1, nullptr, 16));
    } else {
      return false;
    }
  }
  return true;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One image as the bitmap an .ico holds: header, BGRA rows bottom-up, then
// the AND mask (1 = transparent), rows padded to 32 bits.
bool IconBitmap(const IconImageResource& image, std::vector<uint8_t>* out) {
  int width = 0, height = 0, count = 0, chars = 0;
  if (image.xpm_lines < 1 ||
      std::sscanf(image.xpm[0], "%d %d %d %d", &width, &height, &count, &chars) != 4 ||
      chars != 1 || width != image.width || height != image.height ||
      image.xpm_lines != 1 + count + height) {
    return false;
  }
  std::map<char, uint32_t> colours;
  if (!XpmColours(image, count, &colours)) return false;
  Put32(*out, 40);
  Put32(*out, static_cast<uint32_t>(width));
  Put32(*out, static_cast<uint32_t>(2 * height));  // the colours, then the mask
  Put16(*out, 1);
  Put16(*out, 32);
  for (int i = 0; i < 6; ++i) Put32(*out, 0);
  const int mask_row = ((width + 31) / 32) * 4;
  std::vector<uint8_t> mask(static_cast<size_t>(mask_row * height), 0);
  for (int y = height - 1; y >= 0; --y) {
    const char* row = image.xpm[1 + count + y];
    for (int x = 0; x < width; ++x) {
      auto found = colours.find(row[x]);
      if (found == colours.end()) return false;
      const uint32_t argb = found->second;
      out->push_back(static_cast<uint8_t>(argb));
      out->push_back(static_cast<uint8_t>(argb >> 8));
      out->push_back(static_cast<uint8_t>(argb >> 16));
      out->push_back(static_cast<uint8_t>(argb >> 24));
      if (argb == 0) {
        mask[static_cast<size_t>((height - 1 - y) * mask_row + x / 8)] |=
            static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  out->insert(out->end(), mask.begin(), mask.end());
  return true;
}

}  // namespace

std::string ResourceScript(const ResourceModule& module, const std::string& icon_base) {
  std::ostringstream rc;
  rc << "// QUORVAFIX's resources for windres, written by write_resource_script from\n"
        "// the resource tables (resources/quorvafix_resources.cpp); do not edit.\n"
        "#pragma code_page(65001)\n\n";
  rc << "STRINGTABLE\nBEGIN\n";
  for (int i = 0; i < module.string_count; ++i) {
    rc << "  " << module.strings[i].id << ", " << Quoted(module.strings[i].text) << "\n";
  }
  rc << "END\n\n";
  WriteMenus(module, rc);
  WriteAccelerators(module, rc);
  WriteDialogs(module, rc);
  for (int i = 0; i < module.icon_count; ++i) {
    rc << module.icons[i].id << " ICON \"" << icon_base << "-" << module.icons[i].id << ".ico\"\n";
  }
  return rc.str();
}

std::vector<uint8_t> IconFile(const IconGroupResource& icon) {
  std::vector<std::vector<uint8_t>> bitmaps(static_cast<size_t>(icon.image_count));
  for (int i = 0; i < icon.image_count; ++i) {
    if (!IconBitmap(icon.images[i], &bitmaps[static_cast<size_t>(i)])) return {};
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // an icon
  Put16(out, static_cast<uint32_t>(icon.image_count));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(icon.image_count);
  for (int i = 0; i < icon.image_count; ++i) {
    const IconImageResource& image = icon.images[i];
    out.push_back(static_cast<uint8_t>(image.width >= 256 ? 0 : image.width));
    out.push_back(static_cast<uint8_t>(image.height >= 256 ? 0 : image.height));
    out.push_back(0);  // more than 256 colours
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<uint32_t>(bitmaps[static_cast<size_t>(i)].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(bitmaps[static_cast<size_t>(i)].size());
  }
  for (const std::vector<uint8_t>& bitmap : bitmaps) {
    out.insert(out.end(), bitmap.begin(), bitmap.end());
  }
  return out;
}
