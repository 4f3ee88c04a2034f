#include "quor-host/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
constexpr int kWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
}  // namespace

ProgressBar::ProgressBar(std::uint64_t total)
    : mTotal(total), mEnabled(isatty(STDERR_FILENO) != 0 && total > 0) {}

ProgressBar::~ProgressBar() {
  if (mEnabled) std::fprintf(stderr, "\r%*s\r", kWidth + 8, "");
}

void ProgressBar::Update(std::uint64_t done) {
  if (!mEnabled) return;
  done = std::min(done, mTotal);  // a tail may run past the estimate
  const auto now = std::chrono::steady_clock::now();
  if (done < mTotal && now - mLastDraw < kRedrawInterval) return;
  mLastDraw = now;
  const double fraction = static_cast<double>(done) / static_cast<double>(mTotal);
  const int filled = static_cast<int>(fraction * kWidth);
  const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                          std::string(static_cast<std::size_t>(kWidth - filled), '.');
  std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), static_cast<int>(fraction * 100.0));
  std::fflush(stderr);
}
