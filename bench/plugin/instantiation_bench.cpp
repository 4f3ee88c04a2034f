// How long QUOR takes to load, as a host loads it: dlopen, the entry point,
// effOpen, the rate, block size and switching on (HostedPlugin), for the
// first instance of the process and for further ones, and what each costs in
// memory while its editor stays closed. Usage: instantiation_bench [QUOR.so];
// the options the other benchmarks take (--benchmark_...) change nothing here.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/plugin/hosted_plugin.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident memory of the process, in KiB.
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

long HeapBytes() {
  return static_cast<long>(mallinfo2().uordblks);
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = QUOR_SO_PATH;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("--", 0) != 0) path = argv[i];
  constexpr int kFurther = 20;
  try {
    const long heap0 = HeapBytes(), resident0 = ResidentKiB();
    auto start = Clock::now();
    auto first = std::make_unique<HostedPlugin>(path, 48000., 512);
    const double firstMs = MillisecondsSince(start);
    const long heap1 = HeapBytes(), resident1 = ResidentKiB();

    std::vector<std::unique_ptr<HostedPlugin>> further;
    std::vector<double> times;
    for (int i = 0; i < kFurther; ++i) {
      start = Clock::now();
      further.push_back(std::make_unique<HostedPlugin>(path, 48000., 512));
      times.push_back(MillisecondsSince(start));
    }
    const long heap2 = HeapBytes(), resident2 = ResidentKiB();
    start = Clock::now();
    further.clear();
    const double closeMs = MillisecondsSince(start) / kFurther;
    std::sort(times.begin(), times.end());

    std::printf("%s\n", path.c_str());
    std::printf("first instance (dlopen, entry point, effOpen, rate, block, on): %.2f ms\n",
                firstMs);
    std::printf("further instances: median %.3f ms, slowest %.3f ms (of %d); close %.3f ms\n",
                times[times.size() / 2], times.back(), kFurther, closeMs);
    std::printf(
        "memory, editor closed: first instance %ld KiB heap, %ld KiB resident (with the "
        "library); each further %ld KiB heap, %ld KiB resident\n",
        (heap1 - heap0) / 1024, resident1 - resident0, (heap2 - heap1) / 1024 / kFurther,
        (resident2 - resident1) / kFurther);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "instantiation_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
