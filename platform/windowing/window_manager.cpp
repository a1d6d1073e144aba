#include "platform/windowing/window_manager.h"

namespace {

WindowManager* installed = nullptr;

}  // namespace

void InstallWindowManager(WindowManager* manager) { installed = manager; }

WindowManager* InstalledWindowManager() { return installed; }

uint16_t RegisterClass(const WindowClass& window_class) {
  return installed == nullptr ? 0 : installed->RegisterClass(window_class);
}

WindowHandle CreateWindowEx(uint32_t ex_style, const char16_t* class_name, const char16_t* title,
                            uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                            WindowHandle parent, uint32_t menu, InstanceHandle instance,
                            const void* creation_data) {
  if (installed == nullptr) return 0;
  return installed->CreateWindowEx(ex_style, class_name, title, style, x, y, width, height, parent,
                                   menu, instance, creation_data);
}

WindowHandle FindWindow(const char16_t* class_name, const char16_t* title) {
  return installed == nullptr ? 0 : installed->FindWindow(class_name, title);
}

bool SetWindowText(WindowHandle window, const char16_t* text) {
  return installed != nullptr && installed->SetWindowText(window, text);
}

bool SetForegroundWindow(WindowHandle window) {
  return installed != nullptr && installed->SetForegroundWindow(window);
}

bool DestroyWindow(WindowHandle window) {
  return installed != nullptr && installed->DestroyWindow(window);
}

bool GetWindowRect(WindowHandle window, Rect* rect) {
  return installed != nullptr && installed->GetWindowRect(window, rect);
}

bool GetClientRect(WindowHandle window, Rect* rect) {
  return installed != nullptr && installed->GetClientRect(window, rect);
}

bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                bool repaint) {
  return installed != nullptr && installed->MoveWindow(window, x, y, width, height, repaint);
}

bool ShowWindow(WindowHandle window, int show) {
  return installed != nullptr && installed->ShowWindow(window, show);
}

bool UpdateWindow(WindowHandle window) {
  return installed != nullptr && installed->UpdateWindow(window);
}

bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
  return installed != nullptr && installed->InvalidateRect(window, rect, erase);
}

MessageResult SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                          LongParam lparam) {
  return installed == nullptr ? 0 : installed->SendMessage(window, message, wparam, lparam);
}

bool PostMessage(WindowHandle window, uint32_t message, WordParam wparam, LongParam lparam) {
  return installed != nullptr && installed->PostMessage(window, message, wparam, lparam);
}

void PostQuitMessage(int code) {
  if (installed != nullptr) installed->PostQuitMessage(code);
}

int GetMessage(WindowMessage* message, WindowHandle window, uint32_t first, uint32_t last) {
  return installed == nullptr ? 0 : installed->GetMessage(message, window, first, last);
}

int TranslateAccelerator(WindowHandle window, AcceleratorHandle table,
                         const WindowMessage* message) {
  return installed == nullptr ? 0 : installed->TranslateAccelerator(window, table, message);
}

bool TranslateMessage(const WindowMessage* message) {
  return installed != nullptr && installed->TranslateMessage(message);
}

MessageResult DispatchMessage(const WindowMessage* message) {
  return installed == nullptr ? 0 : installed->DispatchMessage(message);
}

MessageResult DefWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                            LongParam lparam) {
  return installed == nullptr ? 0 : installed->DefWindowProc(window, message, wparam, lparam);
}

DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint) {
  return installed == nullptr ? 0 : installed->BeginPaint(window, paint);
}

bool EndPaint(WindowHandle window, const PaintInfo* paint) {
  return installed != nullptr && installed->EndPaint(window, paint);
}

int DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect, uint32_t format) {
  return installed == nullptr ? 0 : installed->DrawText(dc, text, length, rect, format);
}

int MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption, uint32_t type) {
  return installed == nullptr ? 0 : installed->MessageBox(owner, text, caption, type);
}

intptr_t DialogBoxParam(InstanceHandle instance, uint32_t template_id, WindowHandle owner,
                        DialogProcedure procedure, LongParam parameter) {
  if (installed == nullptr) return -1;
  return installed->DialogBoxParam(instance, template_id, owner, procedure, parameter);
}

bool EndDialog(WindowHandle dialog, intptr_t result) {
  return installed != nullptr && installed->EndDialog(dialog, result);
}

CursorHandle LoadCursor(InstanceHandle instance, uint32_t id) {
  return installed == nullptr ? 0 : installed->LoadCursor(instance, id);
}

CursorHandle SetCursor(CursorHandle cursor) {
  return installed == nullptr ? 0 : installed->SetCursor(cursor);
}

ThreadHandle CreateThread(ThreadProcedure procedure, void* parameter) {
  return installed == nullptr ? 0 : installed->CreateThread(procedure, parameter);
}

uint32_t WaitForSingleObject(ThreadHandle thread, uint32_t milliseconds) {
  return installed == nullptr ? WAIT_FAILED : installed->WaitForSingleObject(thread, milliseconds);
}

bool CloseHandle(ThreadHandle thread) {
  return installed != nullptr && installed->CloseHandle(thread);
}
