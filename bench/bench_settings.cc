// Reading speed of the settings file: a file of many small foreign sections (the worst case for
// a section search per key) with the program's own sections at its end, read by LoadSettings at
// sizes four times apart. Reading must be linear in the size: the CPU seconds per megabyte stay
// flat. Prints megabytes, CPU seconds and seconds per megabyte.
// Usage: bench_settings [largest size in megabytes, default 48]
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/layer_styles.h"
#include "settings/settings_file.h"

namespace {

double CpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string ManySections(size_t bytes) {
  std::string text;
  text.reserve(bytes + 64);
  for (size_t i = 0; text.size() < bytes; ++i) {
    text += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
  }
  return text + "[CONVERT]\r\nKEN_LINE=ON\r\n[FontSi]\r\nColor=clRed\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  const int largest = argc > 1 ? std::atoi(argv[1]) : 48;
  const std::string path =
      (std::filesystem::temp_directory_path() / ("bench-settings-" + std::to_string(getpid())))
          .string();
  std::printf("%10s %12s %12s\n", "MB", "CPU s", "s per MB");
  for (int mb = largest / 16; mb <= largest; mb *= 4) {
    if (mb == 0) continue;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << ManySections(size_t(mb) << 20);
    sheetwright::settings::LayerStyleTable table;
    double start = CpuSeconds();
    sheetwright::settings::LoadSettings(path, "/", table);
    double seconds = CpuSeconds() - start;
    std::printf("%10d %12.3f %12.4f\n", mb, seconds, seconds / mb);
  }
  std::filesystem::remove(path);
  return 0;
}
