#include "platform/qt/qt_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <algorithm>

#include "platform/qt/qt_client_view.h"

namespace {

constexpr char REPORT_OBJECT_NAME[] = "quorvafix_report";
constexpr char SCREEN_OBJECT_NAME[] = "quorvafix_screen";

class AccessibleReport : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit AccessibleReport(QWidget* canvas)
      : QAccessibleWidget(canvas, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    const ClientView* view = View();
    state.focusable = true;
    state.focused = view != nullptr && view->ShowsFocus();
    return state;
  }
  QString text(QAccessible::Text kind) const override {
    switch (kind) {
      case QAccessible::Name:
        return QStringLiteral("Report");
      case QAccessible::Value:
      case QAccessible::Description:
        return Text();
      default:
        return QAccessibleWidget::text(kind);
    }
  }

  // QAccessibleTextInterface: the whole drawn text, where each character
  // was drawn (in screen coordinates), and the view's one selection, which
  // can be set too; the caret stays at 0.
  QString text(int start, int end) const override {
    const QString whole = Text();
    start = qBound(0, start, int(whole.size()));
    end = end < 0 ? int(whole.size()) : qBound(start, end, int(whole.size()));
    return whole.mid(start, end - start);
  }
  int characterCount() const override { return int(Text().size()); }
  void selection(int index, int* start, int* end) const override {
    const ClientView* view = View();
    const bool one = index == 0 && selectionCount() == 1;
    *start = one ? view->SelectionStart() : 0;
    *end = one ? view->SelectionEnd() : 0;
  }
  int selectionCount() const override {
    const ClientView* view = View();
    return view != nullptr && view->SelectionStart() < view->SelectionEnd() ? 1 : 0;
  }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override { setSelection(index, 0, 0); }
  void setSelection(int index, int start, int end) override {
    if (ClientView* view = View(); view != nullptr && index == 0) view->Select(start, end);
  }
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int offset) const override {
    const ClientView* view = View();
    const QRect rect = view != nullptr ? view->CharacterRect(offset) : QRect();
    return rect.isNull() ? rect : rect.translated(widget()->mapToGlobal(QPoint()));
  }
  int offsetAtPoint(const QPoint& point) const override {
    const ClientView* view = View();
    const QPoint local = widget()->mapFromGlobal(point);
    if (view == nullptr || !widget()->rect().contains(local)) return -1;
    const int offset = view->OffsetAt(local, true);
    return offset < characterCount() ? offset : -1;
  }
  void scrollToSubstring(int start, int end) override {
    ClientView* view = View();
    if (view == nullptr) return;
    const QRect rect = view->CharacterRect(start) | view->CharacterRect(std::max(start, end - 1));
    view->ensureVisible(rect.center().x(), rect.center().y(), rect.width() / 2, rect.height() / 2);
  }
  QString attributes(int offset, int* start, int* end) const override {
    *start = 0;
    *end = offset < 0 ? 0 : characterCount();
    return QString();
  }

 private:
  ClientView* View() const {
    // The canvas lies in the view's viewport.
    QWidget* viewport = widget()->parentWidget();
    return dynamic_cast<ClientView*>(viewport ? viewport->parentWidget() : nullptr);
  }
  QString Text() const {
    const ClientView* view = View();
    return view != nullptr ? view->DrawnText() : QString();
  }
};

QAccessibleInterface* MakeAccessible(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) return nullptr;
  if (widget->objectName() == QLatin1String(REPORT_OBJECT_NAME)) {
    return new AccessibleReport(widget);
  }
  if (widget->objectName() == QLatin1String(SCREEN_OBJECT_NAME)) {
    return new QAccessibleWidget(widget, QAccessible::Window);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibleObjects() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(MakeAccessible);
}

void MarkAsScreen(QWidget* screen) {
  screen->setObjectName(QString::fromLatin1(SCREEN_OBJECT_NAME));
}

void MarkAsReport(QWidget* canvas) {
  canvas->setObjectName(QString::fromLatin1(REPORT_OBJECT_NAME));
  canvas->setAccessibleName(QStringLiteral("Report"));
}

void AnnounceReportText(QWidget* canvas, const QString& old_text, const QString& new_text) {
  if (!QAccessible::isActive()) return;
  QAccessibleTextUpdateEvent event(canvas, 0, old_text, new_text);
  QAccessible::updateAccessibility(&event);
  // Screen readers speak a text change only when the user caused it with a
  // key in that text; a new description of the object with the keyboard
  // they speak as a message. They are told first where the keyboard is: a
  // menu that closed may have left them on the window.
  QAccessibleInterface* report = QAccessible::queryAccessibleInterface(canvas);
  if (report != nullptr && report->state().focused) {
    QAccessibleEvent focus(canvas, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
  }
  QAccessibleEvent described(canvas, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&described);
}

void AnnounceReportFocus(QWidget* canvas) {
  if (!QAccessible::isActive()) return;
  // Qt tells of the screen's own focus after its focus-in event: the
  // report's comes later, so that it stays.
  QPointer<QWidget> report = canvas;
  QMetaObject::invokeMethod(
      canvas,
      [report] {
        if (!report) return;
        QAccessibleInterface* object = QAccessible::queryAccessibleInterface(report);
        if (object == nullptr || !object->state().focused) return;
        QAccessibleEvent event(report, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
      },
      Qt::QueuedConnection);
}

void AnnounceReportSelection(QWidget* canvas, int start, int end) {
  if (!QAccessible::isActive()) return;
  QAccessibleTextSelectionEvent event(canvas, start, end);
  QAccessible::updateAccessibility(&event);
}
