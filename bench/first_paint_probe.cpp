// A probe preloaded into the window program (LD_PRELOAD) by
// quorvafix-bench-first-paint: it stands in front of Qt's
// QPainter::drawText(const QRect&, int, const QString&, QRect*), through which
// the program paints its text, lets the first call draw, then writes the
// CLOCK_MONOTONIC time in nanoseconds to the file descriptor named by
// QUORVAFIX_FIRST_PAINT_FD and ends the process. No Qt header is needed: a
// member function is called as a function taking the object first.
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

using DrawText = void (*)(void* painter, const void* rect, int flags, const void* text,
                          void* drawn);
constexpr char DRAW_TEXT[] = "_ZN8QPainter8drawTextERK5QRectiRK7QStringPS0_";

}  // namespace

extern "C" __attribute__((visibility("default"))) void
_ZN8QPainter8drawTextERK5QRectiRK7QStringPS0_(void* painter, const void* rect, int flags,
                                              const void* text, void* drawn) {
  static const auto real = reinterpret_cast<DrawText>(dlsym(RTLD_NEXT, DRAW_TEXT));
  if (real == nullptr) _exit(3);
  real(painter, rect, flags, text, drawn);
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const char* fd_text = std::getenv("QUORVAFIX_FIRST_PAINT_FD");
  if (fd_text != nullptr) {
    char line[32];
    int n = std::snprintf(line, sizeof line, "%lld\n",
                          static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    if (write(std::atoi(fd_text), line, static_cast<size_t>(n)) != n) _exit(4);
  }
  _exit(0);
}
