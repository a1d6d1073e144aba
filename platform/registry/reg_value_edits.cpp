#include "platform/registry/reg_value_edits.h"

#include <algorithm>
#include <unordered_map>

#include "platform/registry/reg_name.h"
#include "platform/registry/reg_value_locator.h"

namespace {

// The value's root, key path and name folded for matching without regard to
// case: equal for writes of the same value.
std::u16string FoldedValue(const RegValueWrite& value) {
  const size_t path_size = value.key_path.size();
  std::u16string folded{static_cast<char16_t>(value.root & 0xF),
                        static_cast<char16_t>(path_size & 0xFFFF),
                        static_cast<char16_t>(path_size >> 16)};
  AppendFoldedName(&folded, value.key_path);
  AppendFoldedName(&folded, value.name);
  return folded;
}

// The values to store: the last write of each value, in the order of writes.
std::vector<const RegValueWrite*> LastWrites(const std::vector<RegValueWrite>& values) {
  std::unordered_map<std::u16string, size_t> last_of;
  for (size_t i = 0; i < values.size(); ++i) last_of[FoldedValue(values[i])] = i;
  std::vector<const RegValueWrite*> last;
  for (size_t i = 0; i < values.size(); ++i) {
    if (last_of[FoldedValue(values[i])] == i) last.push_back(&values[i]);
  }
  return last;
}

std::vector<RegValueTarget> TargetsOf(const std::vector<const RegValueWrite*>& values) {
  std::vector<RegValueTarget> targets;
  for (const RegValueWrite* v : values) targets.push_back({v->root, v->key_path, v->name});
  return targets;
}

size_t IndexOf(const std::vector<RegValueWrite>& values, const RegValueWrite* value) {
  return static_cast<size_t>(value - values.data());
}

RegStatus Refused(size_t value, const RegParseError& error, RegEditFailure* failure) {
  failure->value = value;
  failure->refused = true;
  failure->parse = error;
  return ERROR_BADDB;
}

// The edits of values, each planned on file as it stands, in file order;
// *apart false when two of them would touch the same place.
RegStatus PlanTogether(const std::vector<uint8_t>& file, const std::vector<RegValueWrite>& all,
                       const std::vector<const RegValueWrite*>& values,
                       std::vector<RegSplice>* splices, bool* apart, RegEditFailure* failure) {
  std::vector<RegValueLocation> where;
  RegParseError error;
  if (!LocateRegValues(file.data(), file.size(), TargetsOf(values), &where, &error)) {
    return Refused(0, error, failure);
  }
  std::vector<std::pair<RegSplice, size_t>> planned;
  for (size_t i = 0; i < values.size(); ++i) {
    RegSplice splice;
    if (RegStatus status = PlanValueEdit(file, where[i], *values[i], &splice, &failure->reason)) {
      failure->value = IndexOf(all, values[i]);
      return status;
    }
    if (splice.begin != splice.end || !splice.bytes.empty()) planned.push_back({splice, i});
  }
  std::stable_sort(planned.begin(), planned.end(),
                   [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
  splices->clear();
  for (auto& p : planned) splices->push_back(std::move(p.first));
  *apart = SplicesApart(*splices);
  return ERROR_SUCCESS;
}

// Stores the values one after another, each located and planned on the file
// the one before left.
RegStatus EditInTurn(std::vector<uint8_t>* file, const std::vector<RegValueWrite>& all,
                     const std::vector<const RegValueWrite*>& values, RegEditUndo* undo,
                     RegEditFailure* failure) {
  for (const RegValueWrite* value : values) {
    std::vector<RegSplice> splices;
    bool apart = true;
    if (RegStatus status = PlanTogether(*file, all, {value}, &splices, &apart, failure)) {
      if (failure->refused) failure->value = IndexOf(all, value);
      return status;
    }
    undo->steps.push_back(ApplySplicesInPlace(file, splices));
  }
  return ERROR_SUCCESS;
}

// Checks that file reads back every value exactly.
RegStatus CheckReadBack(const std::vector<uint8_t>& file, const std::vector<RegValueWrite>& all,
                        const std::vector<const RegValueWrite*>& values, RegFileForm* form,
                        RegEditFailure* failure) {
  std::vector<RegValueLocation> check;
  RegParseError error;
  if (!LocateRegValues(file.data(), file.size(), TargetsOf(values), &check, &error)) {
    Refused(0, error, failure);
    return ERROR_NOT_SUPPORTED;
  }
  for (size_t i = 0; i < values.size(); ++i) {
    const RegValueWrite& v = *values[i];
    if (!check[i].value_found || check[i].type != v.type || check[i].data.size() != v.size ||
        !std::equal(check[i].data.begin(), check[i].data.end(), v.data)) {
      failure->value = IndexOf(all, values[i]);
      failure->reason = "the edited file would read back a different value";
      return ERROR_NOT_SUPPORTED;
    }
  }
  if (!check.empty()) *form = check[0].form;
  return ERROR_SUCCESS;
}

}  // namespace

std::vector<uint8_t> RegEditUndo::Restore(const std::vector<uint8_t>& edited) const {
  std::vector<uint8_t> bytes = edited;
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    bytes = ApplySplices(bytes, *step);
  }
  return bytes;
}

RegStatus EditRegValues(std::vector<uint8_t>* file, const std::vector<RegValueWrite>& values,
                        RegFileForm* form, RegEditUndo* undo, RegEditFailure* failure) {
  *undo = RegEditUndo();
  *failure = RegEditFailure();
  const std::vector<const RegValueWrite*> last = LastWrites(values);
  std::vector<RegSplice> splices;
  bool apart = true;
  RegStatus status = PlanTogether(*file, values, last, &splices, &apart, failure);
  if (status == ERROR_SUCCESS) {
    if (apart) {
      undo->steps.push_back(ApplySplicesInPlace(file, splices));
    } else {
      status = EditInTurn(file, values, last, undo, failure);
    }
  }
  if (status == ERROR_SUCCESS) status = CheckReadBack(*file, values, last, form, failure);
  if (status != ERROR_SUCCESS) {
    for (auto step = undo->steps.rbegin(); step != undo->steps.rend(); ++step) {
      ApplySplicesInPlace(file, *step);
    }
    *undo = RegEditUndo();
  }
  return status;
}
