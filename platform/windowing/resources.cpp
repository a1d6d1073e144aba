#include "platform/windowing/resources.h"

#include <cstddef>
#include <vector>

namespace {

constexpr InstanceHandle MODULE_STEP = 0x00010000u;

std::vector<const ResourceModule*>& Modules() {
  static std::vector<const ResourceModule*> modules;
  return modules;
}

// The entry with the given id in a module's table of `count` entries.
template <typename Entry>
const Entry* FindById(const Entry* table, int count, uint32_t id) {
  for (int i = 0; i < count; ++i) {
    if (table[i].id == id) return &table[i];
  }
  return nullptr;
}

}  // namespace

InstanceHandle InstallResourceModule(const ResourceModule* module) {
  Modules().push_back(module);
  return MODULE_STEP * static_cast<InstanceHandle>(Modules().size());
}

const ResourceModule* ModuleOf(InstanceHandle instance) {
  if (instance == 0 || instance % MODULE_STEP != 0) return nullptr;
  std::size_t index = instance / MODULE_STEP - 1;
  return index < Modules().size() ? Modules()[index] : nullptr;
}

const char16_t* FindString(InstanceHandle instance, uint32_t id) {
  const ResourceModule* module = ModuleOf(instance);
  if (module == nullptr) return nullptr;
  const StringResource* s = FindById(module->strings, module->string_count, id);
  return s == nullptr ? nullptr : s->text;
}

int LoadString(InstanceHandle instance, uint32_t id, char16_t* buffer, int buffer_max) {
  if (buffer == nullptr || buffer_max < 1) return 0;
  const char16_t* text = FindString(instance, id);
  int n = 0;
  if (text != nullptr) {
    while (n < buffer_max - 1 && text[n] != 0) {
      buffer[n] = text[n];
      ++n;
    }
  }
  buffer[n] = 0;
  return n;
}

IconHandle LoadIcon(InstanceHandle instance, uint32_t id) {
  const ResourceModule* module = ModuleOf(instance);
  return module == nullptr ? nullptr : FindById(module->icons, module->icon_count, id);
}

AcceleratorHandle LoadAccelerators(InstanceHandle instance, uint32_t id) {
  const ResourceModule* module = ModuleOf(instance);
  return module == nullptr ? nullptr
                           : FindById(module->accelerators, module->accelerator_count, id);
}

const DialogTemplate* FindDialogTemplate(InstanceHandle instance, uint32_t id) {
  const ResourceModule* module = ModuleOf(instance);
  return module == nullptr ? nullptr : FindById(module->dialogs, module->dialog_count, id);
}

const MenuBarTemplate* FindMenuBarTemplate(InstanceHandle instance, uint32_t id) {
  const ResourceModule* module = ModuleOf(instance);
  return module == nullptr ? nullptr : FindById(module->menu_bars, module->menu_bar_count, id);
}

const MenuResource* FindMenu(InstanceHandle instance, uint32_t id) {
  const ResourceModule* module = ModuleOf(instance);
  return module == nullptr ? nullptr : FindById(module->menus, module->menu_count, id);
}

BrushHandle GetStockObject(int object) {
  static constexpr Brush WHITE{0x00FFFFFFu};
  static constexpr Brush BLACK{0x00000000u};
  if (object == WHITE_BRUSH) return &WHITE;
  if (object == BLACK_BRUSH) return &BLACK;
  return nullptr;
}
