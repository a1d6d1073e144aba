#include "text/string_array.h"

namespace {

int NotNegative(int n) { return n < 0 ? 0 : n; }

}  // namespace

StringArray::StringArray(int count, int size)
    : Elements(new DynString[NotNegative(count)]),
      TextPointers(new const char*[NotNegative(count)]),
      ElementCount(NotNegative(count)) {
  size = NotNegative(size);
  for (int i = 0; i < ElementCount; ++i) {
    Elements[i].Reserve(size);
    Elements[i].Tag() = size;
  }
}

StringArray::~StringArray() {
  // delete[] destroys the elements from the last to the first.
  delete[] Elements;
  delete[] TextPointers;
}

const char** StringArray::RefreshPointers() {
  for (int i = 0; i < ElementCount; ++i) {
    const DynString& element = Elements[i];
    TextPointers[i] = element.IsNull() ? element.CStr() : element.Data();
  }
  return TextPointers;
}

void StringArray::EmptyAll() {
  for (int i = 0; i < ElementCount; ++i) {
    Elements[i].Reserve(1);
    *Elements[i].At(0) = '\0';
  }
}

void StringArray::CopyFrom(const StringArray& other) {
  int common = ElementCount < other.ElementCount ? ElementCount : other.ElementCount;
  for (int i = 0; i < common; ++i) Elements[i].Assign(other.Elements[i]);
}
