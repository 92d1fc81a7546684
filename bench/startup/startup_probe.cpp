// Time from exec until a program's first top-level window is mapped, and the
// program's peak resident memory. Run it on a display without a window
// manager: only then does the map reach the root window's substructure.
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kMapTimeoutMs = 10000;
// Long enough for the first paint and for memory to settle after the map.
constexpr int kSettleMs = 300;
constexpr int kTermGraceMs = 2000;
constexpr int kPollStepMs = 10;

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Waits for the first MapNotify on the root; false if the program ended or
// the time ran out first.
bool WaitForMap(Display* display, pid_t child, double deadline) {
  pollfd fd{ConnectionNumber(display), POLLIN, 0};
  while (NowMs() < deadline) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify) return true;
    }
    // Left unreaped, so that Stop() can still collect its usage.
    siginfo_t info{};
    waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT);
    if (info.si_pid == child) return false;
    poll(&fd, 1, kPollStepMs);
  }
  return false;
}

// Ends the child, forcibly if it ignores SIGTERM, and reaps it with its usage.
rusage Stop(pid_t child) {
  rusage usage{};
  kill(child, SIGTERM);
  for (int waited = 0; waited < kTermGraceMs; waited += kPollStepMs) {
    if (wait4(child, nullptr, WNOHANG, &usage) == child) return usage;
    usleep(kPollStepMs * 1000);
  }
  kill(child, SIGKILL);
  wait4(child, nullptr, 0, &usage);
  return usage;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "cannot open display\n");
    return 2;
  }
  // The program must not inherit the probe's connection.
  fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  // The server must know of the selection before the program can map.
  XSync(display, False);

  const double start = NowMs();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    return 2;
  }
  if (child == 0) {
    execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    _exit(127);
  }

  const bool mapped = WaitForMap(display, child, start + kMapTimeoutMs);
  const double mapMs = NowMs() - start;
  if (mapped) usleep(kSettleMs * 1000);
  const rusage usage = Stop(child);
  if (!mapped) {
    std::fprintf(stderr, "%s: no window mapped\n", argv[1]);
    return 1;
  }
  // ru_maxrss is in KiB on Linux.
  std::printf("%.1f %.1f\n", mapMs, usage.ru_maxrss / 1024.0);
  return 0;
}
