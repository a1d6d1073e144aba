#include "platform/qt/qt_template_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "platform/windowing/dialog_units.h"

namespace {

constexpr char LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

QRect PixelRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

QPixmap LargestImage(IconHandle icon) {
  QPixmap best;
  for (int i = 0; icon != nullptr && i < icon->image_count; ++i) {
    QPixmap image(icon->images[i].xpm);
    if (image.width() > best.width()) best = image;
  }
  return best;
}

}  // namespace

QIcon IconOf(IconHandle icon) {
  QIcon result;
  for (int i = 0; icon != nullptr && i < icon->image_count; ++i) {
    result.addPixmap(QPixmap(icon->images[i].xpm));
  }
  return result;
}

TemplateDialog::TemplateDialog(WindowHandle handle, const DialogTemplate& dialog_template,
                               InstanceHandle instance, QWidget* parent)
    : QDialog(parent),
      handle_(handle),
      caption_ok_((dialog_template.ex_style & WS_EX_CAPTIONOKBTN) != 0) {
  setWindowTitle(QString::fromUtf16(dialog_template.caption));
  // The handheld's "System" face is the desktop's default face here.
  QFont font = QApplication::font();
  font.setPointSize(dialog_template.font_points);
  setFont(font);
  QFontMetrics metrics(font);
  DialogBaseUnits base =
      BaseUnitsOf(metrics.horizontalAdvance(QLatin1String(LETTERS)), metrics.height());

  Rect size{0, 0, dialog_template.width, dialog_template.height};
  const QRect client = PixelRect(MapDialogRect(size, base));
  for (int i = 0; i < dialog_template.control_count; ++i) {
    const DialogControlResource& control = dialog_template.controls[i];
    Rect units{control.x, control.y, control.x + control.width, control.y + control.height};
    QRect place = PixelRect(MapDialogRect(units, base));
    auto* label = new QLabel(this);
    if (control.kind == DialogControlKind::Icon) {
      // An icon control takes the size of its icon.
      QPixmap image = LargestImage(LoadIcon(instance, control.icon));
      label->setPixmap(image);
      place.setSize(image.size());
    } else {
      label->setText(QString::fromUtf16(control.text));
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      // Desktop faces run wider than the handheld's: a line that does not
      // fit grows to the right, up to the dialog's edge, instead of wrapping
      // out of its height.
      int needed = metrics.horizontalAdvance(label->text());
      if (needed > place.width()) place.setWidth(std::min(needed, client.width() - place.left()));
    }
    label->setGeometry(place);
  }
  resize(client.size());
}

void TemplateDialog::AddDoneButton() {
  caption_ok_ = true;
  if (done_ != nullptr) return;
  done_ = new QPushButton(QStringLiteral("OK"), this);
  done_->setObjectName(QStringLiteral("done"));
  done_->adjustSize();
  PlaceDoneButton();
  done_->show();
  connect(done_, &QPushButton::clicked, this, [this] { SendCaptionCommand(); });
}

void TemplateDialog::PlaceDoneButton() {
  // The caption belongs to the desktop's window manager: the button sits in
  // the bottom corner, clear of the template's controls.
  if (done_ != nullptr) done_->move(width() - done_->width() - 4, height() - done_->height() - 4);
}

void TemplateDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceDoneButton();
}

void TemplateDialog::Finish(int result) {
  finishing_ = true;
  done(result);
}

void TemplateDialog::SendCaptionCommand() {
  ::SendMessage(handle_, WM_COMMAND, caption_ok_ ? IDOK : IDCANCEL, 0);
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
  if (finishing_) {
    event->accept();
    return;
  }
  event->ignore();
  SendCaptionCommand();
}

void TemplateDialog::reject() {
  if (finishing_) {
    QDialog::reject();
    return;
  }
  SendCaptionCommand();
}
