#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal and only once the work has
// taken more than a moment (0.3 s), so quick runs and redirected output stay clean.
#include <chrono>
#include <cstdint>
#include <string>

namespace mvpack {

class Progress {
 public:
  // enabled false: never draws (--quiet, or not a terminal; see terminalWanted()).
  Progress(std::string label, uint64_t total, bool enabled);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void advance(uint64_t amount, const std::string& item = "");
  void finish();  // clears the line; also done by the destructor

  static bool terminalWanted();  // stderr is a terminal

 private:
  void draw(bool force);
  std::string label_;
  std::string item_;
  uint64_t total_;
  uint64_t done_ = 0;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_, lastDraw_;
};

}  // namespace mvpack
