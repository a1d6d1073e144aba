#include "cli/write_recorder.h"

RegStatus WriteRecorder::OpenKey(RegKey key, const char16_t* path, RegKey* result) {
  RegStatus status = inner_.OpenKey(key, path, result);
  if (status != ERROR_SUCCESS) return status;
  std::u16string sub_path = path != nullptr ? path : u"";
  auto parent = open_keys_.find(key);
  if (parent == open_keys_.end()) {
    open_keys_[*result] = {key, sub_path};
  } else {
    std::u16string joined = parent->second.second;
    if (!joined.empty() && !sub_path.empty()) joined += u'\\';
    open_keys_[*result] = {parent->second.first, joined + sub_path};
  }
  return status;
}

RegStatus WriteRecorder::EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) {
  return inner_.EnumSubkey(key, index, name, length);
}

RegStatus WriteRecorder::QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                                    uint32_t* length) {
  return inner_.QueryValue(key, name, type, data, length);
}

RegStatus WriteRecorder::SetValue(RegKey key, const char16_t* name, uint32_t type,
                                  const uint8_t* data, uint32_t length) {
  auto opened = open_keys_.find(key);
  if (opened == open_keys_.end()) return ERROR_INVALID_HANDLE;
  RegStatus status = ERROR_SUCCESS;
  std::string failure;
  if (mode_ == Mode::PassThrough) {
    status = inner_.SetValue(key, name, type, data, length);
    if (status != ERROR_SUCCESS && failure_reason_) failure = failure_reason_();
  }
  writes_.push_back({opened->second.first, opened->second.second, name != nullptr ? name : u"",
                     type, std::vector<uint8_t>(data, data + length), status, failure});
  return status;
}

RegStatus WriteRecorder::CloseKey(RegKey key) {
  open_keys_.erase(key);
  return inner_.CloseKey(key);
}

void WriteRecorder::FailWritten(RegStatus status, const std::string& failure) {
  for (RecordedWrite& write : writes_) {
    if (write.status != ERROR_SUCCESS) continue;
    write.status = status;
    write.failure = failure;
  }
}
