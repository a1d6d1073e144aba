#include "platform/device/device_export.h"

#include "platform/registry/reg_line_editor.h"
#include "platform/registry/reg_tree.h"
#include "platform/registry/reg_value_format.h"

namespace {

// Longest key name a handheld allows, terminator included.
constexpr uint32_t MAX_KEY_NAME = 256;
constexpr char16_t EOL[] = u"\r\n";

class Exporter {
 public:
  Exporter(DeviceRegistry& device, RegKey root, std::vector<uint8_t>* bytes, std::string* failure)
      : device_(device), root_(root), bytes_(*bytes), failure_(*failure) {}

  // Writes root\path and everything below it.
  RegStatus Run(const std::u16string& path) {
    RegKey key;
    if (RegStatus status = device_.OpenKey(root_, path.c_str(), &key)) return Failed(status, path);
    RegStatus status = Key(key, path);
    device_.CloseKey(key);
    return status;
  }

 private:
  // Writes key (open, at path) and everything below it.
  RegStatus Key(RegKey key, const std::u16string& path) {
    std::u16string text = FormatKeyLine(root_, path) + EOL;
    if (RegStatus status = Values(key, path, &text)) return status;
    text += EOL;
    if (RegStatus status = Emit(text, path)) return status;
    for (uint32_t index = 0;; ++index) {
      char16_t name[MAX_KEY_NAME];
      uint32_t length = MAX_KEY_NAME;
      RegStatus status = device_.EnumSubkey(key, index, name, &length);
      if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
      if (status != ERROR_SUCCESS) return Failed(status, path);
      std::u16string sub_path = path.empty() ? name : path + u"\\" + name;
      RegKey sub;
      if (RegStatus opened = device_.OpenKey(key, name, &sub)) return Failed(opened, sub_path);
      status = Key(sub, sub_path);
      device_.CloseKey(sub);
      if (status != ERROR_SUCCESS) return status;
    }
  }

  // Appends key's value lines to text.
  RegStatus Values(RegKey key, const std::u16string& path, std::u16string* text) {
    for (uint32_t index = 0;; ++index) {
      std::u16string name;
      uint32_t type = 0;
      std::vector<uint8_t> data;
      RegStatus status = device_.EnumValue(key, index, &name, &type, &data);
      if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
      if (status != ERROR_SUCCESS) return Failed(status, path);
      std::u16string line = FormatValueName(name) + u"=";
      std::u16string data_text;
      std::string reason;
      if (FormatValueData(RegDialect::Version5, type, data.data(), data.size(), line.size(), EOL,
                          &data_text, &reason) != ERROR_SUCCESS) {
        // Only a string that is no terminated text is refused in this
        // dialect: its bytes as hex(1), wrapped where that prefix ends.
        const std::u16string prefix = u"hex(1):";
        FormatValueData(RegDialect::Version5, REG_BINARY, data.data(), data.size(),
                        line.size() + prefix.size() - 4, EOL, &data_text, &reason);
        data_text = prefix + data_text.substr(4);
      }
      *text += line + data_text + EOL;
    }
  }

  RegStatus Emit(const std::u16string& text, const std::u16string& path) {
    std::string reason;
    RegStatus status = EncodeForFile(RegFileForm(), text, &bytes_, &reason);
    if (status != ERROR_SUCCESS) failure_ = Name(path) + ": " + reason;
    return status;
  }

  RegStatus Failed(RegStatus status, const std::u16string& path) {
    failure_ = Name(path) + ": " + device_.LastFailure();
    return status;
  }

  std::string Name(const std::u16string& path) const {
    std::u16string name = RegTree::RootName(root_);
    if (!path.empty()) name += u"\\" + path;
    return MessageText(name);
  }

  DeviceRegistry& device_;
  RegKey root_;
  std::vector<uint8_t>& bytes_;
  std::string& failure_;
};

}  // namespace

RegStatus ExportDeviceKey(DeviceRegistry& device, RegKey root, const std::u16string& path,
                          std::vector<uint8_t>* bytes, std::string* failure) {
  *bytes = FileStartBytes(RegFileForm());
  EncodeText(RegEncoding::Utf16Le, EOL, bytes);  // the blank line after the header
  return Exporter(device, root, bytes, failure).Run(path);
}
