#include "platform/qt/qt_desktop_services.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <vector>

#include "platform/qt/qt_screen_fit.h"

namespace {

// The handheld's filter, pairs of "label" and "pattern;pattern", as Qt's
// name filters "label (pattern pattern)"; a label that already ends with its
// patterns in parentheses keeps them once.
QStringList NameFilters(const char16_t* filter) {
  QStringList filters;
  if (filter == nullptr) return filters;
  const char16_t* p = filter;
  while (*p != 0) {
    QString label = QString::fromUtf16(p);
    p += label.size() + 1;
    QString patterns = QString::fromUtf16(p);
    p += patterns.size() + 1;
    int open = label.lastIndexOf(QLatin1Char('('));
    if (open > 0 && label.endsWith(QLatin1Char(')'))) label = label.left(open).trimmed();
    filters << label + QStringLiteral(" (") +
                   patterns.split(QLatin1Char(';')).join(QLatin1Char(' ')) + QLatin1Char(')');
    if (patterns.isEmpty()) break;
  }
  return filters;
}

QString SettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/quorvafix/quorvafix.conf");
}

QString SettingName(const std::u16string& section, const std::u16string& key) {
  return QString::fromStdU16String(section) + QLatin1Char('/') + QString::fromStdU16String(key);
}

std::vector<std::u16string> LocalFiles(const QMimeData* data) {
  std::vector<std::u16string> paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdU16String());
  }
  return paths;
}

}  // namespace

// Takes drops of local files on the screen for one window.
class QtDesktopServices::DropTarget : public QObject {
 public:
  DropTarget(QtWindowManager& windows, WindowHandle window, QWidget* screen)
      : windows_(windows), window_(window), screen_(screen) {
    screen->setAcceptDrops(true);
    screen->installEventFilter(this);
  }
  ~DropTarget() override {
    if (screen_) {
      screen_->removeEventFilter(this);
      screen_->setAcceptDrops(false);
    }
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!LocalFiles(drag->mimeData()).empty()) drag->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::u16string> paths = LocalFiles(drop->mimeData());
        if (paths.empty()) return true;
        drop->acceptProposedAction();
        windows_.PostMessage(window_, WM_DROPFILES, MakeDrop(std::move(paths)), 0);
        return true;
      }
      default:
        return QObject::eventFilter(object, event);
    }
  }

 private:
  QtWindowManager& windows_;
  WindowHandle window_;
  QPointer<QWidget> screen_;
};

QtDesktopServices::QtDesktopServices(QtWindowManager& windows) : windows_(windows) {}

QtDesktopServices::~QtDesktopServices() = default;

bool QtDesktopServices::GetOpenFileName(OpenFileName* ofn) {
  if (ofn == nullptr || ofn->size != sizeof(OpenFileName) || ofn->file == nullptr ||
      ofn->max_file < 1) {
    return false;
  }
  QWidget* owner =
      windows_.Screen() != nullptr && windows_.Screen()->isVisible() ? windows_.Screen() : nullptr;
  QFileDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("open_file"));
  dialog.setWindowTitle(ofn->title != nullptr ? QString::fromUtf16(ofn->title)
                                              : QStringLiteral("Open"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((ofn->flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  QStringList filters = NameFilters(ofn->filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    int index = ofn->filter_index >= 1 && ofn->filter_index <= uint32_t(filters.size())
                    ? int(ofn->filter_index) - 1
                    : 0;
    dialog.selectNameFilter(filters[index]);
  }
  if (ofn->initial_dir != nullptr && ofn->initial_dir[0] != 0) {
    dialog.setDirectory(QString::fromUtf16(ofn->initial_dir));
  }
  if (RunModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  std::u16string path = dialog.selectedFiles().first().toStdU16String();
  if (path.size() + 1 > ofn->max_file) return false;
  path.copy(ofn->file, path.size());
  ofn->file[path.size()] = 0;
  int chosen = filters.indexOf(dialog.selectedNameFilter());
  if (chosen >= 0) ofn->filter_index = uint32_t(chosen) + 1;
  return true;
}

bool QtDesktopServices::DragAcceptFiles(WindowHandle window, bool accept) {
  if (!windows_.IsWindow(window) || windows_.Screen() == nullptr) return false;
  drop_target_.reset();
  if (accept) drop_target_ = std::make_unique<DropTarget>(windows_, window, windows_.Screen());
  return true;
}

bool QtDesktopServices::ReadProfileString(const std::u16string& section, const std::u16string& key,
                                          std::u16string* text) {
  QSettings settings(SettingsFile(), QSettings::IniFormat);
  QVariant value = settings.value(SettingName(section, key));
  if (!value.isValid()) return false;
  *text = value.toString().toStdU16String();
  return true;
}

bool QtDesktopServices::WriteProfileString(const char16_t* section, const char16_t* key,
                                           const char16_t* text) {
  if (section == nullptr || key == nullptr) return false;
  QSettings settings(SettingsFile(), QSettings::IniFormat);
  QString name = SettingName(section, key);
  if (text == nullptr) {
    settings.remove(name);
  } else {
    settings.setValue(name, QString::fromUtf16(text));
  }
  settings.sync();
  return settings.status() == QSettings::NoError;
}

bool QtDesktopServices::SetClipboardText(WindowHandle owner, const char16_t* text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (text == nullptr || clipboard == nullptr) return false;
  QString lines = windows_.SelectedText(owner);
  if (lines.isEmpty()) lines = QString::fromUtf16(text);
  lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  clipboard->setText(lines);
  return true;
}
