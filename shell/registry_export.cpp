#include "shell/registry_export.h"

#include <memory>

#include "platform/registry/local_registry.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/registry.h"
#include "shell/handheld.h"

// The open export as the process's store: every call goes to the file store;
// a refused write also leaves the store's reason behind.
class ExportStore : public RegistryStore {
 public:
  ExportStore(std::unique_ptr<RegFileStore> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}

  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override {
    return file_->OpenKey(key, path, result);
  }
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override {
    return file_->EnumSubkey(key, index, name, length);
  }
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override {
    return file_->QueryValue(key, name, type, data, length);
  }
  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t length) override {
    RegStatus status = file_->SetValue(key, name, type, data, length);
    if (status != ERROR_SUCCESS) refused_ = file_->LastFailure();
    return status;
  }
  RegStatus CloseKey(RegKey key) override { return file_->CloseKey(key); }

  RegFileStore& File() { return *file_; }
  const std::string& Path() const { return path_; }
  std::string& Refused() { return refused_; }

 private:
  std::unique_ptr<RegFileStore> file_;
  std::string path_;
  std::string refused_;
};

namespace {

// Uninstalls store when it is the installed one.
void Uninstall(const RegistryStore* store) {
  if (store != nullptr && InstalledRegistryStore() == store) InstallRegistryStore(nullptr);
}

const std::string& Empty() {
  static const std::string empty;
  return empty;
}

}  // namespace

void ExportStoreDeleter::operator()(ExportStore* store) const { delete store; }

LoadedExport LoadRegistryExport(const std::string& path, FileSystem* file_system,
                                std::string* reason) {
  std::string error;
  RegFileOptions options;
  options.file_system = file_system;
  std::unique_ptr<RegFileStore> file = RegFileStore::Load(path, &error, options);
  if (file == nullptr) {
    if (reason != nullptr) *reason = error;
    return nullptr;
  }
  return LoadedExport(new ExportStore(std::move(file), path));
}

void InstallRegistryExport(OpenRegistry& registry, LoadedExport loaded) {
  CloseRegistry(registry);
  InstallRegistryStore(loaded.get());
  registry.exported = std::move(loaded);
}

bool OpenLocalRegistry(OpenRegistry& registry, std::string* why) {
  std::unique_ptr<LocalRegistry> opened = LocalRegistry::Open(why);
  if (opened == nullptr) return false;
  CloseRegistry(registry);
  InstallRegistryStore(opened.get());
  registry.local = std::move(opened);
  return true;
}

bool OpenRegistryExport(OpenRegistry& registry, const std::string& path, std::string* reason) {
  LoadedExport loaded = LoadRegistryExport(path, registry.file_system, reason);
  if (loaded == nullptr) return false;
  InstallRegistryExport(registry, std::move(loaded));
  return true;
}

bool RefreshRegistryExport(ExportStore* exported, std::string* reason) {
  if (exported == nullptr || exported->File().Refresh() == ERROR_SUCCESS) return true;
  *reason = exported->File().LastFailure();
  return false;
}

void CloseRegistry(OpenRegistry& registry) {
  Uninstall(registry.exported.get());
  Uninstall(registry.local.get());
  registry.exported.reset();
  registry.local.reset();
  CloseHandheld(registry);
}

const std::string& OpenExportPath(const OpenRegistry& registry) {
  return registry.exported != nullptr ? registry.exported->Path() : Empty();
}

void ClearRepairFailures(ExportStore* exported) {
  if (exported) exported->Refused().clear();
}

const std::string& LastRepairFailure(ExportStore* exported) {
  return exported ? exported->Refused() : Empty();
}

void GatherRepairs(ExportStore* exported) {
  if (exported) exported->File().GatherWrites();
}

RepairCommit CommitRepairs(ExportStore* exported) {
  if (exported == nullptr) return RepairCommit::Written;
  RegFileStore& file = exported->File();
  if (file.CommitWrites() == ERROR_SUCCESS) return RepairCommit::Written;
  exported->Refused() = file.LastFailure();
  return file.CommitLeftNewContent() ? RepairCommit::Unsynced : RepairCommit::NotWritten;
}
