// A progress bar on stderr, drawn only when stderr is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

class ProgressBar {
 public:
  explicit ProgressBar(std::uint64_t total);
  ~ProgressBar();  // clears the line
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  void Update(std::uint64_t done);

 private:
  std::uint64_t mTotal;
  bool mEnabled;
  std::chrono::steady_clock::time_point mLastDraw;
};
