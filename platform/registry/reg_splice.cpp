#include "platform/registry/reg_splice.h"

#include <algorithm>
#include <cstring>

bool SplicesApart(const std::vector<RegSplice>& splices) {
  for (size_t i = 0; i < splices.size(); ++i) {
    if (splices[i].end < splices[i].begin) return false;
    if (i > 0 &&
        (splices[i - 1].end > splices[i].begin || splices[i - 1].begin == splices[i].begin)) {
      return false;
    }
  }
  return true;
}

std::vector<uint8_t> ApplySplices(const std::vector<uint8_t>& file,
                                  const std::vector<RegSplice>& splices) {
  size_t size = file.size();
  for (const RegSplice& s : splices) size = size - (s.end - s.begin) + s.bytes.size();
  std::vector<uint8_t> out;
  out.reserve(size);
  uint64_t at = 0;
  for (const RegSplice& s : splices) {
    out.insert(out.end(), file.begin() + at, file.begin() + s.begin);
    out.insert(out.end(), s.bytes.begin(), s.bytes.end());
    at = s.end;
  }
  out.insert(out.end(), file.begin() + at, file.end());
  return out;
}

std::vector<RegSplice> ApplySplicesInPlace(std::vector<uint8_t>* file,
                                           const std::vector<RegSplice>& splices) {
  // Where each kept stretch of bytes (before the first splice, between two,
  // after the last) lies now and will lie.
  struct Stretch {
    size_t from, to, size;
  };
  std::vector<Stretch> stretches;
  std::vector<RegSplice> undo;
  size_t at = 0;
  size_t shift_to = 0;  // the edited file's offset of the next kept byte
  for (const RegSplice& s : splices) {
    stretches.push_back({at, shift_to, s.begin - at});
    shift_to += s.begin - at;
    undo.push_back({shift_to, shift_to + s.bytes.size(),
                    std::vector<uint8_t>(file->begin() + s.begin, file->begin() + s.end)});
    shift_to += s.bytes.size();
    at = s.end;
  }
  stretches.push_back({at, shift_to, file->size() - at});
  const size_t edited_size = shift_to + file->size() - at;

  // Stretches that move towards the start go first, in file order, and those
  // that move towards the end last, from the end: either way a stretch lands
  // only on bytes already moved or its own, since kept bytes keep their order.
  if (edited_size > file->size()) {
    file->reserve(edited_size);  // exactly the room needed
    file->resize(edited_size);
  }
  uint8_t* bytes = file->data();
  for (const Stretch& s : stretches) {
    if (s.to < s.from) std::memmove(bytes + s.to, bytes + s.from, s.size);
  }
  for (auto s = stretches.rbegin(); s != stretches.rend(); ++s) {
    if (s->to > s->from) std::memmove(bytes + s->to, bytes + s->from, s->size);
  }
  for (size_t i = 0; i < splices.size(); ++i) {
    std::copy(splices[i].bytes.begin(), splices[i].bytes.end(), bytes + undo[i].begin);
  }
  file->resize(edited_size);
  return undo;
}
