// A modal dialog built from a dialog template: its caption, its size and its
// static controls (texts and icons) placed in pixels converted from dialog
// units for the template's font, as the handheld converts them. Its title-bar
// close button and Escape stand for the handheld's caption OK button: they
// send the dialog procedure WM_COMMAND IDOK when the template has one (or the
// shell added a Done button), IDCANCEL otherwise; the procedure decides.
#pragma once

#include <QDialog>

class QPushButton;

#include "platform/windowing/window_manager.h"

class TemplateDialog : public QDialog {
 public:
  TemplateDialog(WindowHandle handle, const DialogTemplate& dialog_template,
                 InstanceHandle instance, QWidget* parent);

  // Adds the visible Done ("OK") button, kept in the bottom right corner; it
  // sends IDOK.
  void AddDoneButton();
  // Ends the modal loop with result, as EndDialog asks.
  void Finish(int result);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SendCaptionCommand();
  void PlaceDoneButton();

  WindowHandle handle_;
  bool caption_ok_;
  bool finishing_ = false;
  QPushButton* done_ = nullptr;
};

// The pixmaps of an icon group as one icon (null group: an empty icon).
class QIcon;
QIcon IconOf(IconHandle icon);
