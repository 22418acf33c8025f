#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include <QSocketNotifier>

#include "window/qt/CloseOnSignal.h"

namespace kelvane {

namespace {

// The write end of the pipe from the handler to the window's thread: a handler may only write.
int SignalWriter = -1;

void OnSignal(int ASignal) {
  const int saved = errno;
  const char byte = static_cast<char>(ASignal);
  [[maybe_unused]] const ssize_t written = ::write(SignalWriter, &byte, 1);
  errno = saved;
}

}  // namespace

void CloseOnTerminationSignals(QWidget& AWindow) {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0) {
    return;
  }
  SignalWriter = pair[0];
  auto* notifier = new QSocketNotifier(pair[1], QSocketNotifier::Read, &AWindow);
  QObject::connect(notifier, &QSocketNotifier::activated, &AWindow, [&AWindow, reader = pair[1]] {
    char bytes[16];
    while (::read(reader, bytes, sizeof bytes) > 0) {
    }
    // A second signal during the close's wait changes nothing: the window is closing already.
    AWindow.close();
  });
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace kelvane
