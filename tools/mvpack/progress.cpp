#include "progress.h"

#include <cstdio>
#include <iostream>

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
  if (line.size() > width) {
    // Cut at the start of a character: the item is UTF-8.
    while (width > 0 && (static_cast<unsigned char>(line[width]) & 0xC0) == 0x80) --width;
    line.resize(width);
  }
  line.resize(static_cast<size_t>(terminalWidth() - 1), ' ');
  std::cerr << "\r" << line << std::flush;
}

void Progress::finish() {
  if (!enabled_ || !drawn_) return;
  std::cerr << "\r" << std::string(static_cast<size_t>(terminalWidth() - 1), ' ') << "\r" << std::flush;
  drawn_ = false;
  enabled_ = false;
}

}  // namespace mvpack
