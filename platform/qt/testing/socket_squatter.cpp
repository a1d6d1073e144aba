// socket_squatter SOCKET LOG [--make-folder]: a stranger's listening socket
// for the single-instance tests, meant to run as another user (setpriv).
// With --make-folder it first makes SOCKET's folder (mode 0700). It listens
// on SOCKET, prints "ready" once listening, and appends every byte any
// client sends to LOG until it is killed.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: socket_squatter SOCKET LOG [--make-folder]\n");
    return 2;
  }
  std::string socket_path = argv[1];
  if (argc > 3 && std::strcmp(argv[3], "--make-folder") == 0) {
    std::string folder = socket_path.substr(0, socket_path.rfind('/'));
    if (mkdir(folder.c_str(), 0700) != 0) {
      std::perror("mkdir");
      return 1;
    }
  }
  int server = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  if (bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(server, 8) != 0) {
    std::perror("bind");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    int client = accept(server, nullptr, nullptr);
    if (client < 0) continue;
    char buffer[4096];
    ssize_t n;
    while ((n = read(client, buffer, sizeof buffer)) > 0) {
      int log = open(argv[2], O_WRONLY | O_APPEND | O_CREAT, 0644);
      if (log >= 0) {
        ssize_t written = write(log, buffer, static_cast<size_t>(n));
        (void)written;
        close(log);
      }
    }
    close(client);
  }
}
