#include "platform/qt/qt_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

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
    state.focusable = false;
    return state;
  }
  QString text(QAccessible::Text kind) const override {
    switch (kind) {
      case QAccessible::Name:
        return QStringLiteral("Report");
      case QAccessible::Value:
        return Text();
      default:
        return QAccessibleWidget::text(kind);
    }
  }

  // QAccessibleTextInterface: the whole drawn text, no selection, caret at 0.
  QString text(int start, int end) const override {
    const QString whole = Text();
    start = qBound(0, start, int(whole.size()));
    end = end < 0 ? int(whole.size()) : qBound(start, end, int(whole.size()));
    return whole.mid(start, end - start);
  }
  int characterCount() const override { return int(Text().size()); }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return QRect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = 0;
    *end = offset < 0 ? 0 : characterCount();
    return QString();
  }

 private:
  QString Text() const {
    // The canvas lies in the view's viewport.
    const QWidget* viewport = widget()->parentWidget();
    const auto* view =
        dynamic_cast<const ClientView*>(viewport ? viewport->parentWidget() : nullptr);
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
}
