#include "cli/testing/test_registry.h"

#include <algorithm>

namespace {

std::string DllLine(size_t i, bool repaired) {
  const char* dll = repaired ? "BTCEIF.DLL" : i % 2 == 0 ? "QVBTDEV.DLL" : "---btceif.dll";
  return "\"Dll\"=\"" + std::string(dll) + "\"\n";
}

std::string DriverKeyLine(size_t i) {
  return "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\Bt" + std::to_string(i) + "]\n";
}

}  // namespace

std::string FaultyRegistry(const std::vector<bool>& repaired, int padding) {
  std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Drivers\\Active]\n";
  for (size_t i = 0; i < repaired.size(); ++i) {
    std::string n = std::to_string(i);
    text += "\n[HKEY_LOCAL_MACHINE\\Drivers\\Active\\" +
            std::string(4 - std::min<size_t>(4, n.size()), '0') + n + "]\n\"Name\"=\"COM" + n +
            ":\"\n\"Key\"=\"Drivers\\\\BuiltIn\\\\Bt" + n + "\"\n";
  }
  for (size_t i = 0; i < repaired.size(); ++i) {
    text += "\n" + DriverKeyLine(i) + DllLine(i, repaired[i]) + "\"Prefix\"=\"COM\"\n";
    for (int k = 0; k < padding; ++k) {
      text += "\"Filler" + std::to_string(k) + "\"=\"padding that makes the registry large\"\n";
    }
  }
  return text;
}

std::vector<bool> RepairedDrivers(const std::string& text, int n) {
  std::vector<bool> repaired;
  size_t at = 0;
  for (int i = 0; i < n; ++i) {
    at = text.find(DriverKeyLine(i), at);
    if (at == std::string::npos) return {};
    at += DriverKeyLine(i).size();
    if (text.compare(at, DllLine(i, true).size(), DllLine(i, true)) == 0) {
      repaired.push_back(true);
    } else if (text.compare(at, DllLine(i, false).size(), DllLine(i, false)) == 0) {
      repaired.push_back(false);
    } else {
      return {};
    }
  }
  return repaired;
}

std::string Regedit4(const std::vector<std::vector<std::string>>& entries,
                     const std::vector<std::vector<std::string>>& drivers) {
  std::string text = "REGEDIT4\r\n\r\n";
  for (const auto& e : entries) {
    text += "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\" + e[0] + "]\r\n\"Name\"=\"" + e[1] +
            "\"\r\n\"Key\"=\"" + e[2] + "\"\r\n\r\n";
  }
  for (const auto& d : drivers)
    text += "[HKEY_LOCAL_MACHINE\\" + d[0] + "]\r\n\"Dll\"=\"" + d[1] + "\"\r\n\r\n";
  return text;
}
