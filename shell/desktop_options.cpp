#include "shell/desktop_options.h"

#include <cstring>
#include <memory>
#include <string>

#include "platform/device/device_system.h"
#include "platform/registry/local_registry.h"

namespace {

#ifndef _WIN32
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
#endif

bool IsToolkitOption(const std::string& name) {
#ifdef _WIN32
  (void)name;  // the Win32 platform takes no options of its own
#else
  for (const char* option : TOOLKIT_OPTIONS) {
    if (name == option || name.rfind(std::string(option) + "=", 0) == 0) return true;
  }
#endif
  return false;
}

// The argument after the options, when one is given ("--" ends the options).
bool HasFileArgument(int argc, const char* const* argv) {
  bool options_ended = false;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    const std::string arg = argv[i];
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (options_ended || arg.empty() || arg[0] != '-') {
      return true;
    }
  }
  return false;
}

// Whether option comes before any "--".
bool WantsOption(int argc, const char* const* argv, const char* option) {
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

}  // namespace

bool WantsLocalRegistry(int argc, const char* const* argv) {
  return WantsOption(argc, argv, LOCAL_REGISTRY_OPTION);
}

bool WantsDevice(int argc, const char* const* argv) {
  return WantsOption(argc, argv, DEVICE_OPTION);
}

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
    if (arg == LOCAL_REGISTRY_OPTION || arg == DEVICE_OPTION) continue;
    if (arg.rfind("--", 0) == 0 && !IsToolkitOption(arg.substr(2))) {
      std::fprintf(err, "quorvafix: unrecognized option '%s'\nTry 'quorvafix --help'.\n",
                   arg.c_str());
      return 2;
    }
  }
  const bool device = WantsDevice(argc, argv);
  if (!device && !WantsLocalRegistry(argc, argv)) return -1;
  std::string why;
  if (device ? !SystemReachesHandhelds(&why) : LocalRegistry::Open(&why) == nullptr) {
    std::fprintf(err, "quorvafix: %s\n", why.c_str());
    return 1;
  }
  if (HasFileArgument(argc, argv)) {
    std::fprintf(err, "quorvafix: %s takes no REGISTRY_FILE\nTry 'quorvafix --help'.\n",
                 device ? DEVICE_OPTION : LOCAL_REGISTRY_OPTION);
    return 2;
  }
  return -1;
}
