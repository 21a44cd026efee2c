/* first_window: runs a command and prints, in milliseconds, how long it took until the first top-level
 * window with a name was mapped on the X display (what the user first sees), then ends the command.
 *   first_window TIMEOUT_MS COMMAND [ARG ...]
 * Prints "timeout" when no window appeared in time. Windows that were already mapped before the command
 * started do not count: only a MapNotify on the root window after the start does. Built by
 * bench/nsis_compare.sh (cc -O2 first_window.c -lX11). */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

/* A named window: a top-level of a Win32 program carries its caption as WM_NAME (or _NET_WM_NAME). The
 * name goes to standard error, so that a run can show which window counted. */
static int has_name(Display* d, Window w) {
  XTextProperty p;
  int named = XGetWMName(d, w, &p) && p.value && p.nitems > 0;
  if (named) fprintf(stderr, "first_window: \"%.*s\"\n", (int)p.nitems, (const char*)p.value);
  if (p.value && named) XFree(p.value);
  if (named) return 1;
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False), type;
  int format;
  unsigned long n = 0, after;
  unsigned char* v = NULL;
  if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 64, False, utf8, &type, &format, &n,
                         &after, &v) == Success && v) {
    XFree(v);
    return n > 0;
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: first_window TIMEOUT_MS COMMAND [ARG ...]\n");
    return 2;
  }
  const double timeout = atof(argv[1]);
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "first_window: cannot open the display\n");
    return 2;
  }
  XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
  XSync(d, False);

  const double start = now_ms();
  pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  double found = -1;
  const int fd = ConnectionNumber(d);
  while (found < 0 && now_ms() - start < timeout) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == MapNotify && found < 0 && has_name(d, e.xmap.window)) found = now_ms() - start;
    }
    if (found >= 0) break;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    struct timeval tv = {0, 20000};
    select(fd + 1, &fds, NULL, NULL, &tv);
  }
  if (found >= 0) printf("%.1f\n", found);
  else printf("timeout\n");
  fflush(stdout);
  kill(child, SIGKILL);
  waitpid(child, NULL, 0);
  XCloseDisplay(d);
  return found >= 0 ? 0 : 1;
}
