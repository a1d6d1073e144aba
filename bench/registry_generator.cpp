// The generator behind registry_generator.h in one file: its parts (drivers,
// settings, classes, networking) share one sequence of seeded choices.
#include "bench/registry_generator.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

// splitmix64: fast, and the same sequence on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1 (0 when n <= 0).
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<int>(N))];
  }

 private:
  uint64_t state_;
};

// One kind of active driver: the device-name prefix of its Name ("COM" makes
// it a serial port; null: an entry without Name, as bus drivers have), its
// driver key's base name and file, whether it is a PC card (PnpId and Sckt,
// which keeps even a COM entry out of the scan) and whether it is a modem (a
// Unimodem subkey).
struct DriverKind {
  const char* device;
  const char* key;
  const char* dll;
  bool pc_card;
  bool modem;
};

constexpr DriverKind DRIVER_KINDS[] = {
    {"COM", "Serial", "serial.dll", false, false},
    {"PGR", "Pager", "pgrdrv.dll", false, false},
    {"COM", "IrCOMM", "ircomm.dll", false, false},
    {"BAT", "Battery", "battdrvr.dll", false, false},
    {"KBD", "Keyboard", "keybddr.dll", false, false},
    {"COM", "BtSerial", "btceif.dll", false, false},
    {"TCH", "Touch", "touch.dll", false, false},
    {"WAV", "WaveDev", "wavedev.dll", false, false},
    {nullptr, "PCMCIA", "pcmcia.dll", false, false},
    {"COM", "SerialCard", "serial_cf.dll", true, false},
    {"DSK", "ATADisk", "atadisk.dll", true, false},
    {"AFD", "AFD", "afd.dll", false, false},
    {"COM", "HayesModem", "unimodem.dll", false, true},
    {"NDS", "NDIS", "ndis.dll", false, false},
    {"SDC", "SDMemory", "sdmemory.dll", false, false},
    {"BKL", "Backlight", "backlight.dll", false, false},
    {"PWR", "PowerButton", "pwrbtn.dll", false, false},
    {"USB", "USBFunction", "usbfn.dll", false, false},
    {nullptr, "SDBus", "sdbus.dll", false, false},
    {"GPD", "GPIO", "gpio.dll", false, false},
};
constexpr int KIND_COUNT = sizeof(DRIVER_KINDS) / sizeof(DRIVER_KINDS[0]);
constexpr const char* FAULTY_DLLS[] = {"QVBTDEV.DLL", "---BTCEIF.DLL", "---btceif.dll"};

constexpr const char* WORDS[] = {"Pocket",
                                 "Outlook",
                                 "Inbox",
                                 "Calendar",
                                 "Contacts",
                                 "Tasks",
                                 "Notes",
                                 "Media",
                                 "Player",
                                 "Today",
                                 "Sync",
                                 "Active",
                                 "Connect",
                                 "Bluetooth",
                                 "Manager",
                                 "Phone",
                                 "Voice",
                                 "Recorder",
                                 "Solitaire",
                                 "Explorer",
                                 "Settings",
                                 "Server",
                                 "Profile",
                                 "Default",
                                 "Caf\xE9",
                                 "Espa\xF1ol",
                                 "Gr\xF6\xDF"
                                 "e",
                                 "Fran\xE7"
                                 "ais",
                                 "\xA9 2003",
                                 "\x80 12,50",
                                 "Map",
                                 "Route",
                                 "Street",
                                 "Display",
                                 "Sound",
                                 "Network",
                                 "Modem",
                                 "Dial"};
constexpr const char* VALUE_NAMES[] = {
    "DisplayName", "Version",  "InstallDir", "Flags",    "Enabled",     "Timeout", "Path",
    "Icon",        "Order",    "Index",      "LastUsed", "Width",       "Height",  "Color",
    "FontName",    "FontSize", "Language",   "Volume",   "AutoStart",   "Server",  "Port",
    "UserName",    "Domain",   "Mode",       "Options",  "Priority256", "State",   "Count",
    "Description", "Help",     "WindowPos",  "Layout",   "Format",      "Sound",   "Interval",
    "Threshold",   "Device",   "Provider",   "Location", "Title"};
constexpr const char* SUBKEY_NAMES[] = {
    "Settings", "Parms",   "TcpIp",    "Shell",    "Open",    "Command", "DefaultIcon",
    "Options",  "Recent",  "Accounts", "Profiles", "Fonts",   "Sounds",  "Colors",
    "Layout",   "Cache",   "History",  "Plugins",  "Devices", "Ports",   "Config",
    "State",    "Display", "Power",    "Security", "Locale",  "Keys",    "Menus"};
constexpr const char* VENDORS[] = {"Microsoft",  "HP",         "Compaq",   "Dell",     "Toshiba",
                                   "Casio",      "Symbol",     "Intermec", "Socket",   "Widcomm",
                                   "Palm",       "Mobipocket", "Ilium",    "Conduits", "Handango",
                                   "Pocketgear", "Spb",        "Resco",    "Vito",     "Lakeridge"};
constexpr const char* APPLETS[] = {
    "Power",   "Sounds", "Volume", "Keybd",  "Owner", "Stylus",  "Backlight", "Comm",
    "Desktop", "Input",  "Clock",  "Memory", "Today", "Buttons", "Regional",  "Accessibility"};
constexpr const char* ADAPTERS[] = {"NE2000",   "CF8385", "BTPAN",    "PPP",   "IrDA",
                                    "Asyncmac", "TCPIP6", "WiFiCard", "Tcpip", "AFD"};

// How the first-level keys of a filler subtree are named.
enum class NameKind { Vendor, Guid, Extension, Applet, Adapter };

// A part of the registry filled with unrelated keys: its root, the key it
// hangs under, its share of the filler keys (in percent) and its names.
struct FillerPart {
  const char* root;
  const char* base;
  int percent;
  NameKind names;
};

constexpr FillerPart FILLER_PARTS[] = {
    {"HKEY_CLASSES_ROOT", "", 8, NameKind::Extension},
    {"HKEY_CLASSES_ROOT", "CLSID", 12, NameKind::Guid},
    {"HKEY_CURRENT_USER", "ControlPanel", 6, NameKind::Applet},
    {"HKEY_CURRENT_USER", "Software", 12, NameKind::Vendor},
    {"HKEY_LOCAL_MACHINE", "Comm", 8, NameKind::Adapter},
    {"HKEY_LOCAL_MACHINE", "Software", 46, NameKind::Vendor},
    {"HKEY_LOCAL_MACHINE", "System", 8, NameKind::Applet},
};

// Children per key at each depth below a first-level key.
constexpr int FAN_OUT[] = {12, 6, 3, 0};
constexpr int MAX_DEPTH = sizeof(FAN_OUT) / sizeof(FAN_OUT[0]);

std::string Printed(const char* format, unsigned a, unsigned b = 0, unsigned c = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

class Generator {
 public:
  Generator(const RegistryShape& shape, RegistrySink& sink)
      : shape_(shape), sink_(sink), random_(shape.seed) {}

  RegistryCounts Run() {
    // The driver part is made first so that the filler knows its budget, but
    // written in its place in the tree (HKLM\Drivers after HKLM\Comm).
    int filler_keys = std::max(0, shape_.keys - DriverKeys());
    int filler_values = std::max(0, shape_.values - DriverValues());
    keys_left_ = filler_keys;
    values_left_ = filler_values;
    int parts = static_cast<int>(sizeof(FILLER_PARTS) / sizeof(FILLER_PARTS[0]));
    for (int i = 0; i < parts; ++i) {
      const FillerPart& part = FILLER_PARTS[i];
      if (std::string(part.root) == "HKEY_LOCAL_MACHINE" && std::string(part.base) == "Software") {
        WriteDrivers();
      }
      int budget = i + 1 == parts ? keys_left_ : filler_keys * part.percent / 100;
      FillPart(part, std::min(budget, keys_left_));
    }
    return counts_;
  }

 private:
  int DriverCount() const { return std::max(0, shape_.drivers); }
  int ModemCount() const {
    int n = 0;
    for (int i = 0; i < DriverCount(); ++i) n += DRIVER_KINDS[i % KIND_COUNT].modem ? 1 : 0;
    return n;
  }
  // Keys and values the driver part writes (see WriteDrivers).
  int DriverKeys() const { return 2 * DriverCount() + ModemCount() + 3; }
  int DriverValues() const {
    int n = 1;
    for (int i = 0; i < DriverCount(); ++i) {
      const DriverKind& kind = DRIVER_KINDS[i % KIND_COUNT];
      n += (kind.device != nullptr ? 3 : 2) + (kind.pc_card ? 2 : 0) + 9 + (kind.modem ? 4 : 0);
    }
    return n;
  }

  // Starts a key; the first key under a root is preceded by the root's own
  // section, as full exports have it (not counted as a key).
  void Key(const char* root, const std::string& path) {
    if (last_root_ != root) {
      last_root_ = root;
      sink_.Key(root, "");
    }
    sink_.Key(root, path);
    ++counts_.keys;
  }

  // Which examined COM drivers get a QUORVA name: spread evenly over the
  // Bluetooth serial drivers first, then over the other examined ones.
  std::vector<bool> ChooseFaulty() const {
    std::vector<int> bluetooth;
    std::vector<int> others;
    for (int i = 0; i < DriverCount(); ++i) {
      const DriverKind& kind = DRIVER_KINDS[i % KIND_COUNT];
      if (kind.device == nullptr || std::string(kind.device) != "COM" || kind.pc_card) continue;
      (std::string(kind.key) == "BtSerial" ? bluetooth : others).push_back(i);
    }
    std::vector<bool> faulty(static_cast<size_t>(DriverCount()), false);
    int wanted = std::max(0, shape_.faulty);
    auto spread = [&faulty, &wanted](const std::vector<int>& from) {
      int take = std::min<int>(wanted, static_cast<int>(from.size()));
      for (int k = 0; k < take; ++k) faulty[from[k * from.size() / take]] = true;
      wanted -= take;
    };
    spread(bluetooth);
    spread(others);
    return faulty;
  }

  // HKLM\Drivers\Active\NN and the driver keys HKLM\Drivers\BuiltIn\<x>.
  void WriteDrivers() {
    Key("HKEY_LOCAL_MACHINE", "Drivers");
    sink_.String("RootKey", "Drivers\\BuiltIn");
    ++counts_.values;
    Key("HKEY_LOCAL_MACHINE", "Drivers\\Active");
    std::vector<bool> faulty = ChooseFaulty();
    std::vector<std::string> driver_keys;
    std::map<std::string, int> device_numbers;  // per device prefix: COM1:, COM2:, ...
    for (int i = 0; i < DriverCount(); ++i) {
      const DriverKind& kind = DRIVER_KINDS[i % KIND_COUNT];
      int round = i / KIND_COUNT;
      std::string key = std::string("Drivers\\BuiltIn\\") + kind.key +
                        (round == 0 ? std::string() : Printed("%u", round + 1));
      driver_keys.push_back(key);
      Key("HKEY_LOCAL_MACHINE", Printed("Drivers\\Active\\%02u", i + 1));
      sink_.Dword("Hnd", 0x00050000u + static_cast<uint32_t>(random_.Below(0xFFFF)));
      counts_.values += 2;
      if (kind.device != nullptr) {
        int number = ++device_numbers[kind.device];
        sink_.String("Name", std::string(kind.device) + Printed("%u:", number));
        ++counts_.values;
      }
      sink_.String("Key", key);
      if (kind.pc_card) {
        sink_.String("PnpId",
                     Printed("CF_CARD-%04X-%04X", random_.Below(0xFFFF), random_.Below(0xFFFF)));
        sink_.Dword("Sckt", static_cast<uint32_t>(random_.Below(2)));
        counts_.values += 2;
      }
      ++counts_.drivers;
      if (kind.device != nullptr && std::string(kind.device) == "COM" && !kind.pc_card)
        ++counts_.com_drivers;
    }
    Key("HKEY_LOCAL_MACHINE", "Drivers\\BuiltIn");
    for (int i = 0; i < DriverCount(); ++i) {
      const DriverKind& kind = DRIVER_KINDS[i % KIND_COUNT];
      Key("HKEY_LOCAL_MACHINE", driver_keys[i]);
      if (faulty[i]) ++counts_.faulty;
      sink_.String("Dll", faulty[i] ? FAULTY_DLLS[counts_.faulty % 3] : kind.dll);
      sink_.String("Prefix", kind.device != nullptr ? kind.device : "");
      sink_.Dword("Index", static_cast<uint32_t>(random_.Below(10)));
      sink_.Dword("Order", static_cast<uint32_t>(random_.Below(60)));
      sink_.String("FriendlyName", std::string(kind.key) + " on " + Printed("port %u", i % 9 + 1));
      sink_.Dword("SysIntr", static_cast<uint32_t>(16 + random_.Below(48)));
      sink_.Dword("IoBase", 0x40000000u + static_cast<uint32_t>(random_.Below(0x100000)) * 16u);
      sink_.Dword("IoLen", 0x20);
      sink_.Dword("DeviceArrayIndex", static_cast<uint32_t>(random_.Below(4)));
      counts_.values += 9;
      if (kind.modem) {
        Key("HKEY_LOCAL_MACHINE", driver_keys[i] + "\\Unimodem");
        sink_.String("Tsp", "unimodem.dll");
        sink_.Dword("DeviceType", 1);
        sink_.String("FriendlyName", "Hayes Compatible on COM1:");
        sink_.Binary("DevConfig", RandomBytes(56));
        counts_.values += 4;
      }
    }
  }

  std::vector<uint8_t> RandomBytes(int n) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    for (uint8_t& b : bytes)
      b = static_cast<uint8_t>(random_.Below(256) & (random_.Chance(40) ? 0 : 0xFF));
    return bytes;
  }

  std::string Words(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
      if (i != 0) text += ' ';
      text += random_.Pick(WORDS);
    }
    return text;
  }

  std::string StringData() {
    switch (random_.Below(6)) {
      case 0:
        return std::string("\\Windows\\") + random_.Pick(WORDS) + ".dll";
      case 1:
        return std::string("\\Program Files\\") + random_.Pick(VENDORS) + "\\" +
               random_.Pick(WORDS) + ".exe";
      case 2:
        return "\"" + Words(2) + "\" " + Words(1);
      case 3:
        return Printed("%u.%u.%u", random_.Below(6), random_.Below(100), random_.Below(10000));
      default:
        return Words(1 + random_.Below(3));
    }
  }

  // Writes count values with distinct names into the current key.
  void WriteValues(int count) {
    int offset = random_.Below(64);
    constexpr int NAMES = sizeof(VALUE_NAMES) / sizeof(VALUE_NAMES[0]);
    bool has_default = false;
    for (int i = 0; i < count; ++i) {
      std::string name = VALUE_NAMES[(offset + i) % NAMES];
      if (i >= NAMES) name += Printed("%u", i / NAMES);
      int kind = random_.Below(100);
      if (kind < 6 && !has_default) {
        has_default = true;
        sink_.String("", StringData());
      } else if (kind < 50) {
        sink_.String(name, StringData());
      } else if (kind < 88) {
        sink_.Dword(name, random_.Chance(50) ? static_cast<uint32_t>(random_.Below(2))
                                             : static_cast<uint32_t>(random_.Next()));
      } else if (kind < 94) {
        int size = random_.Chance(85) ? 4 + random_.Below(12) : 20 + random_.Below(60);
        sink_.Binary(name, RandomBytes(size));
      } else if (kind < 97) {
        sink_.Text(name, 2, "%windir%\\" + std::string(random_.Pick(WORDS)) + ".wav");
      } else {
        std::string list;
        for (int k = 1 + random_.Below(3); k > 0; --k)
          list += std::string(random_.Pick(WORDS)) + '\0';
        list += '\0';
        sink_.Text(name, 7, list);
      }
    }
    counts_.values += count;
    values_left_ -= count;
  }

  // The number of values of the next filler key: the remaining average,
  // varied from none to twice as many; the last key takes what is left.
  int NextValueCount() {
    if (keys_left_ <= 1) return std::max(0, values_left_);
    int average = values_left_ / keys_left_;
    return std::min(values_left_, random_.Below(2 * average + 1));
  }

  std::string FirstLevelName(NameKind kind, int index) {
    switch (kind) {
      case NameKind::Guid:
        return Printed("{%08X-%04X-%04X-", static_cast<unsigned>(random_.Next()),
                       random_.Below(0xFFFF), random_.Below(0xFFFF)) +
               Printed("%04X-%08X%04X}", random_.Below(0xFFFF),
                       static_cast<unsigned>(random_.Next()),
                       static_cast<unsigned>(index & 0xFFFF));
      case NameKind::Extension:
        return Printed(index % 2 == 0 ? ".x%02u%u" : "xfile%u.%u", index / 2 % 100, index / 200);
      case NameKind::Applet:
        return std::string(APPLETS[index % 16]) +
               (index < 16 ? std::string() : Printed("%u", index / 16));
      case NameKind::Adapter:
        return std::string(ADAPTERS[index % 10]) +
               (index < 10 ? std::string() : Printed("%u", index / 10));
      case NameKind::Vendor:
        break;
    }
    return std::string(VENDORS[index % 20]) +
           (index < 20 ? std::string() : Printed("%u", index / 20));
  }

  // Key path and its subtree, depth-first, while the key budget lasts.
  void FillTree(const char* root, const std::string& path, int depth, int& budget) {
    Key(root, path);
    --budget;
    --keys_left_;
    WriteValues(NextValueCount());
    int children = depth < MAX_DEPTH ? random_.Below(FAN_OUT[depth] + 1) : 0;
    constexpr int NAMES = sizeof(SUBKEY_NAMES) / sizeof(SUBKEY_NAMES[0]);
    int offset = random_.Below(NAMES);
    for (int i = 0; i < children && budget > 0; ++i) {
      std::string name = SUBKEY_NAMES[(offset + i) % NAMES];
      if (i >= NAMES) name += Printed("%u", i / NAMES);
      FillTree(root, path + "\\" + name, depth + 1, budget);
    }
  }

  void FillPart(const FillerPart& part, int budget) {
    if (budget <= 0) return;
    std::string base = part.base;
    if (!base.empty()) {
      Key(part.root, base);
      --budget;
      --keys_left_;
    }
    for (int index = 0; budget > 0; ++index) {
      std::string name = FirstLevelName(part.names, index);
      FillTree(part.root, base.empty() ? name : base + "\\" + name, 0, budget);
    }
  }

  const RegistryShape& shape_;
  RegistrySink& sink_;
  Random random_;
  RegistryCounts counts_;
  int keys_left_ = 0;
  int values_left_ = 0;
  std::string last_root_;
};

}  // namespace

RegistryShape TypicalShape(ExportDialect dialect) {
  RegistryShape shape;
  shape.dialect = dialect;
  return shape;
}

RegistryShape ScaledShape(ExportDialect dialect, int megabytes, int drivers) {
  RegistryShape shape;
  shape.dialect = dialect;
  shape.keys = 4000 * megabytes;
  shape.values = 24000 * megabytes;
  shape.drivers = drivers;
  return shape;
}

RegistryCounts GenerateRegistry(const RegistryShape& shape, RegistrySink& sink) {
  return Generator(shape, sink).Run();
}

std::string ShapeFileName(const RegistryShape& shape) {
  char name[128];
  std::snprintf(name, sizeof name, "reg%d-k%d-v%d-d%d-f%d-s%llu.reg",
                shape.dialect == ExportDialect::Regedit4 ? 4 : 5, shape.keys, shape.values,
                shape.drivers, shape.faulty, static_cast<unsigned long long>(shape.seed));
  return name;
}
