#include "bench/compare/Control.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>

#include <cerrno>
#include <cstring>

Message MakeMessage(Msg kind, std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d) {
  Message message;
  message.kind = kind;
  message.a = a;
  message.b = b;
  message.c = c;
  message.d = d;
  return message;
}

Message FailedMessage(const std::string& why) {
  Message message = MakeMessage(Msg::Failed);
  std::strncpy(message.text, why.c_str(), sizeof message.text - 1);
  return message;
}

bool SendMessage(int fd, const Message& message) {
  for (;;) {
    const ssize_t n = ::send(fd, &message, sizeof message, MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(sizeof message)) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

bool ReceiveMessage(int fd, Message* message, int timeoutMs) {
  pollfd ready{fd, POLLIN, 0};
  for (;;) {
    const int n = ::poll(&ready, 1, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    break;
  }
  for (;;) {
    const ssize_t n = ::recv(fd, message, sizeof *message, 0);
    if (n == static_cast<ssize_t>(sizeof *message)) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

std::int64_t MonotonicNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

std::int64_t ProcessCpuNs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto ns = [](const timeval& t) { return std::int64_t{t.tv_sec} * 1000000000 + t.tv_usec * 1000; };
  return ns(usage.ru_utime) + ns(usage.ru_stime);
}
