// Test support for the driver scan: a fixture that installs an in-memory
// registry for each test, fills its active-driver list and checks that the
// scan closed every key it opened.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/testing/memory_registry.h"
#include "scan/serial_scan.h"

class SerialScanTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallRegistryStore(&registry_); }
  void TearDown() override {
    EXPECT_EQ(registry_.OpenHandleCount(), 0) << "every key opened is closed";
    InstallRegistryStore(nullptr);
  }

  // Adds Drivers\Active\<entry> naming device `name` whose driver key is `key`.
  void AddEntry(const std::u16string& entry, const std::u16string& name, const std::u16string& key,
                const std::u16string* pnp_id = nullptr) {
    std::u16string path = u"Drivers\\Active\\" + entry;
    registry_.PutString(HKEY_LOCAL_MACHINE, path, u"Name", name);
    registry_.PutString(HKEY_LOCAL_MACHINE, path, u"Key", key);
    if (pnp_id != nullptr) registry_.PutString(HKEY_LOCAL_MACHINE, path, u"PnpId", *pnp_id);
  }

  void AddDriver(const std::u16string& key, const std::u16string& dll) {
    registry_.PutString(HKEY_LOCAL_MACHINE, key, u"Dll", dll);
  }

  // A COM entry and its driver key in one step.
  void AddComDriver(const std::u16string& entry, const std::u16string& name,
                    const std::u16string& dll) {
    std::u16string key = u"Drivers\\BuiltIn\\Port" + entry;
    AddEntry(entry, name, key);
    AddDriver(key, dll);
  }

  std::u16string DllOf(const std::u16string& entry) {
    return registry_.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Port" + entry, u"Dll")
        .value_or(u"<none>");
  }

  // Scans, keeping what the scan says of each entry when entries is given.
  void Scan(bool repair, std::vector<ScanEntry>* entries = nullptr) {
    report_.Clear();
    message_.Clear();
    ScanEntryList list;
    ScanSerialDrivers(report_, message_, repair, entries != nullptr ? &list : nullptr);
    if (entries != nullptr) *entries = std::move(list.entries);
  }

  MemoryRegistry registry_;
  DynString report_;
  DynString message_;
};
