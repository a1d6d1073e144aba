#include "platform/registry/testing/reference_index.h"

#include "platform/registry/reg_index_pass.h"
#include "platform/registry/reg_tree.h"

namespace {

std::string KeyText(RegKey root, std::u16string_view path) {
  std::u16string text = RegTree::RootName(root);
  if (!path.empty()) text += u"\\" + std::u16string(path);
  return MessageText(text);
}

// The reader's events, as the index records them: a section's values are
// noted at its first value line.
class ReaderRecorder : public RegFileEvents {
 public:
  explicit ReaderRecorder(std::vector<std::string>* events) : events_(events) {}
  void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t next_line) override {
    events_->push_back((deletion ? "deletion " : "key ") + KeyText(root, path));
    section_begin_ = next_line;
    noted_ = false;
  }
  void OnValue(std::u16string_view, const RegReadData&, RegSourceSpan, uint64_t) override {
    Note();
  }
  void OnValueDeletion(std::u16string_view, uint64_t) override { Note(); }

 private:
  void Note() {
    if (noted_) return;
    noted_ = true;
    events_->push_back("values " + std::to_string(section_begin_));
  }
  std::vector<std::string>* events_;
  uint64_t section_begin_ = 0;
  bool noted_ = false;
};

class PassRecorder : public RegIndexEvents {
 public:
  explicit PassRecorder(std::vector<std::string>* events) : events_(events) {}
  void OnKey(RegKey root, const RegFileText& path, bool deletion) override {
    std::u16string wide;
    path.Decode(0, path.size(), &wide);
    events_->push_back((deletion ? "deletion " : "key ") + KeyText(root, wide));
  }
  void OnSectionValues(uint64_t begin) override {
    events_->push_back("values " + std::to_string(begin));
  }

 private:
  std::vector<std::string>* events_;
};

std::string FormText(const RegFileForm& form) {
  return "dialect " + std::to_string(static_cast<int>(form.dialect)) + " encoding " +
         std::to_string(static_cast<int>(form.encoding)) + " bom " + std::to_string(form.bom) +
         " line end " + std::to_string(static_cast<int>(form.line_end)) + " open continuation " +
         std::to_string(form.open_continuation);
}

}  // namespace

KeyIndexReading ReferenceKeyIndex(const std::vector<uint8_t>& bytes) {
  KeyIndexReading r;
  ReaderRecorder recorder(&r.events);
  r.ok = ReadRegBytes(bytes.data(), bytes.size(), RegReadMode::Full, recorder, &r.form, &r.error);
  if (!r.ok) r.events.clear();
  return r;
}

KeyIndexReading PassKeyIndex(const std::vector<uint8_t>& bytes) {
  KeyIndexReading r;
  PassRecorder recorder(&r.events);
  r.ok = IndexRegBytes(bytes.data(), bytes.size(), recorder, &r.form, &r.error);
  if (!r.ok) r.events.clear();
  return r;
}

std::string KeyIndexDifference(const KeyIndexReading& reference, const KeyIndexReading& pass) {
  auto outcome = [](const KeyIndexReading& r) {
    return r.ok ? "read, " + FormText(r.form)
                : "refused at line " + std::to_string(r.error.line) + ": " + r.error.reason;
  };
  if (outcome(reference) != outcome(pass)) {
    return "reader: " + outcome(reference) + "; index pass: " + outcome(pass);
  }
  for (size_t i = 0; i < reference.events.size() || i < pass.events.size(); ++i) {
    const std::string a = i < reference.events.size() ? reference.events[i] : "(none)";
    const std::string b = i < pass.events.size() ? pass.events[i] : "(none)";
    if (a != b) return "event " + std::to_string(i) + ": reader " + a + ", index pass " + b;
  }
  return "";
}
