#include "shell/desktop_options.h"

#include <cstring>
#include <string>

namespace {

// The options QGuiApplication and QApplication take themselves (Qt reads
// them with one dash or two).
constexpr const char* TOOLKIT_OPTIONS[] = {"platform",
                                           "platformpluginpath",
                                           "platformtheme",
                                           "plugin",
                                           "qwindowgeometry",
                                           "geometry",
                                           "qwindowtitle",
                                           "title",
                                           "qwindowicon",
                                           "icon",
                                           "reverse",
                                           "session",
                                           "style",
                                           "stylesheet",
                                           "widgetcount",
                                           "display",
                                           "name",
                                           "nograb",
                                           "dograb",
                                           "sync",
                                           "qmljsdebugger",
                                           "testability"};

bool IsToolkitOption(const std::string& name) {
  for (const char* option : TOOLKIT_OPTIONS) {
    if (name == option || name.rfind(std::string(option) + "=", 0) == 0) return true;
  }
  return false;
}

}  // namespace

int AnswerDesktopOptions(int argc, const char* const* argv, const char* version, std::FILE* out,
                         std::FILE* err) {
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") break;  // what follows is a file name
    if (arg == "--help") {
      std::fputs(DESKTOP_USAGE, out);
      return 0;
    }
    if (arg == "--version") {
      std::fprintf(out, "quorvafix %s\n", version);
      return 0;
    }
    if (arg.rfind("--", 0) == 0 && !IsToolkitOption(arg.substr(2))) {
      std::fprintf(err, "quorvafix: unrecognized option '%s'\nTry 'quorvafix --help'.\n",
                   arg.c_str());
      return 2;
    }
  }
  return -1;
}
