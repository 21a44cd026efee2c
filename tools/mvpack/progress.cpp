#include "progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define MVPACK_ISATTY(fd) _isatty(fd)
#else
#include <sys/ioctl.h>
#include <unistd.h>
#define MVPACK_ISATTY(fd) isatty(fd)
#endif

namespace mvpack {

namespace {
int terminalWidth() {
#ifndef _WIN32
  winsize ws{};
  if (ioctl(2, TIOCGWINSZ, &ws) == 0 && ws.ws_col >= 40) return ws.ws_col;
#endif
  return 80;
}
}  // namespace

Progress::Progress(std::string label, uint64_t total, bool enabled)
    : label_(std::move(label)), total_(total ? total : 1), enabled_(enabled) {
  start_ = lastDraw_ = std::chrono::steady_clock::now();
}

Progress::~Progress() { finish(); }

bool Progress::terminalWanted() { return MVPACK_ISATTY(2) != 0; }

void Progress::advance(uint64_t amount, const std::string& item) {
  done_ += amount;
  if (done_ > total_) done_ = total_;
  if (!item.empty()) item_ = item;
  draw(false);
}

void Progress::draw(bool force) {
  if (!enabled_) return;
  auto now = std::chrono::steady_clock::now();
  if (!force) {
    if (now - start_ < std::chrono::milliseconds(300)) return;
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  }
  lastDraw_ = now;
  drawn_ = true;
  const int barWidth = 28;
  int filled = static_cast<int>(barWidth * done_ / total_);
  int percent = static_cast<int>(100 * done_ / total_);
  std::string line = "  " + label_ + " [" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] ";
  char pct[8];
  std::snprintf(pct, sizeof pct, "%3d%% ", percent);
  line += pct;
  line += item_;
  size_t width = static_cast<size_t>(terminalWidth() - 1);
  if (line.size() > width) line.resize(width);
  line.resize(width, ' ');
  std::fprintf(stderr, "\r%s", line.c_str());
  std::fflush(stderr);
}

void Progress::finish() {
  if (!enabled_ || !drawn_) return;
  std::fprintf(stderr, "\r%s\r", std::string(static_cast<size_t>(terminalWidth() - 1), ' ').c_str());
  std::fflush(stderr);
  drawn_ = false;
  enabled_ = false;
}

}  // namespace mvpack
