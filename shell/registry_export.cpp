#include "shell/registry_export.h"

#include <memory>

#include "platform/registry/local_registry.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/registry.h"
#include "shell/testing/export_file_system.h"

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

LoadedExport open_export;
std::unique_ptr<LocalRegistry> local_registry;
FileSystem* export_file_system = nullptr;

void CloseLocalRegistry() {
  if (local_registry == nullptr) return;
  if (InstalledRegistryStore() == local_registry.get()) InstallRegistryStore(nullptr);
  local_registry.reset();
}

const std::string& Empty() {
  static const std::string empty;
  return empty;
}

}  // namespace

void ExportStoreDeleter::operator()(ExportStore* store) const { delete store; }

void UseExportFileSystem(FileSystem* file_system) { export_file_system = file_system; }

LoadedExport LoadRegistryExport(const std::string& path, std::string* reason) {
  std::string error;
  RegFileOptions options;
  options.file_system = export_file_system;
  std::unique_ptr<RegFileStore> file = RegFileStore::Load(path, &error, options);
  if (file == nullptr) {
    if (reason != nullptr) *reason = error;
    return nullptr;
  }
  return LoadedExport(new ExportStore(std::move(file), path));
}

void InstallRegistryExport(LoadedExport loaded) {
  CloseLocalRegistry();
  InstallRegistryStore(loaded.get());
  open_export = std::move(loaded);
}

bool OpenLocalRegistry(std::string* why) {
  std::unique_ptr<LocalRegistry> opened = LocalRegistry::Open(why);
  if (opened == nullptr) return false;
  CloseRegistryExport();
  InstallRegistryStore(opened.get());
  local_registry = std::move(opened);
  return true;
}

bool OpenRegistryExport(const std::string& path, std::string* reason) {
  LoadedExport loaded = LoadRegistryExport(path, reason);
  if (loaded == nullptr) return false;
  InstallRegistryExport(std::move(loaded));
  return true;
}

bool RefreshRegistryExport(ExportStore* exported, std::string* reason) {
  if (exported == nullptr || exported->File().Refresh() == ERROR_SUCCESS) return true;
  *reason = exported->File().LastFailure();
  return false;
}

void CloseRegistryExport() {
  CloseLocalRegistry();
  if (open_export == nullptr) return;
  if (InstalledRegistryStore() == open_export.get()) InstallRegistryStore(nullptr);
  open_export.reset();
}

ExportStore* OpenExport() { return open_export.get(); }

const std::string& OpenExportPath() { return open_export ? open_export->Path() : Empty(); }

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
