// socket_caller SOCKET TEXT: a client of the single-instance tests, meant to
// run as another user (setpriv). It connects to the local socket SOCKET,
// prints "connected" (or "cannot connect: REASON" and exits 1), sends TEXT,
// ends its side of the connection and waits up to 5 s for the listener to
// end its own, then prints "closed" (or "still open") and exits 0.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: socket_caller SOCKET TEXT\n");
    return 2;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, argv[1], sizeof address.sun_path - 1);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::printf("cannot connect: %s\n", std::strerror(errno));
    return 1;
  }
  std::printf("connected\n");
  std::fflush(stdout);
  // A listener that drops the connection at once may make the send fail;
  // that is its answer, not an error of the caller.
  const char* text = argv[2];
  size_t left = std::strlen(text);
  while (left > 0) {
    ssize_t sent = send(fd, text, left, MSG_NOSIGNAL);
    if (sent <= 0) break;
    text += sent;
    left -= static_cast<size_t>(sent);
  }
  shutdown(fd, SHUT_WR);
  pollfd wait{fd, POLLIN, 0};
  char buffer[256];
  bool closed = false;
  while (!closed && poll(&wait, 1, 5000) > 0) {
    closed = read(fd, buffer, sizeof buffer) <= 0;
  }
  std::printf(closed ? "closed\n" : "still open\n");
  close(fd);
  return 0;
}
