#include "shell/about_box.h"

#include "platform/windowing/shell_services.h"

bool AboutBoxProc(WindowHandle dialog, uint32_t message, WordParam wparam, LongParam) {
  switch (message) {
    case WM_INITDIALOG: {
      InitDialogInfo info{};
      info.mask = SHIDIM_FLAGS;
      info.dialog = dialog;
      info.flags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
      SHInitDialog(&info);
      return true;
    }
    case WM_COMMAND:
      if (LowWord(wparam) == IDOK) {
        EndDialog(dialog, 1);
        return true;
      }
      return false;
    default:
      return false;
  }
}
