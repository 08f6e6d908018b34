// Preloaded into qmk by the tests: every bind fails, as on a machine where no loopback address
// can be had, so the bundled stand-in service cannot start.

#include <sys/socket.h>

#include <cerrno>

extern "C" int bind(int, const struct sockaddr*, socklen_t) {
  errno = EADDRNOTAVAIL;
  return -1;
}
