// Speed and memory of each output format against the metafile, as a user meets them: the
// command-line converter run on one generated mesh (default 28 MB, a dense grid of blocks) with
// two settings, `-j 1`, one format per run, each format the best of three runs. The example
// settings first; then the same sheet with thick lines, the road layers at width step 4 and every
// other line layer at 2 or more (lines 4 to 16 pixels wide in the PNG over blocks about ten pixels
// apart), the hardest case for the raster path. Prints,
// per format, wall time, CPU time and peak memory of the whole process, and the ratios to the
// WMF run; targets: PNG within 3 times the WMF time, SVG within 4 times with peak memory within
// 1.5 times, PDF within 4 times with peak memory within 1.5 times, DXF (both flavours)
// within 2 times with peak memory within 1.5 times, the GeoPackage of the map data (GDAL) within
// 4 times, and the same data into one --into file with its spatial index within 2 times -f gpkg.
// Then eight copies of the mesh with -j 1 and -j 2 (target: -j 2 at least 1.7 times faster on two
// cores), and a line of a million points that zigzags across a sheet as PNG (target: under 5 s).
// Usage: bench_formats [megabytes of the mesh] [converter program, default the one beside this]
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "meshgen/meshgen.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace sheetwright;

struct Run {
  double wall = 1e300, cpu = 1e300;
  long peak_kb = 0;
  uintmax_t bytes = 0;
};

// One converter run as a child process: its wall time and its own rusage. Exits the bench when
// the converter fails: a ratio of a failed run means nothing.
Run RunOnce(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
            (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  run.peak_kb = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", argv[0], status);
    std::exit(1);
  }
  return run;
}

// The example settings with thick lines: the road layers at width step 4, every other line
// layer at 2 or more.
void WriteThickLineSettings(const std::string& path) {
  std::ifstream in(SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini", std::ios::binary);
  std::ofstream out(path, std::ios::binary);
  std::string section;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("[")) section = line;
    size_t key_end = line.find("_LINE=");
    if (section == "[HABA]" && key_end != std::string::npos) {
      std::string key = line.substr(0, key_end);
      bool road = key == "LOAD" || key == "HOSYA" || key == "KUIKI";
      int step = std::atoi(line.c_str() + key_end + 6);
      line = key + "_LINE=" + std::to_string(road ? 4 : std::max(step, 2));
    }
    out << line << "\r\n";
  }
}

// Every format on the mesh under `root`/in with one settings file, one line per format.
void Sheet(const std::string& converter, const std::string& root, const std::string& settings) {
  std::printf("settings %s\n", settings.c_str());
  const char* formats[] = {"wmf", "png", "svg", "pdf", "dxf", "dxf2010", "gpkg"};
  const char* files[] = {".wmf", ".png", ".svg", ".pdf", ".dxf", "_2010.dxf", ".gpkg"};
  const double time_targets[] = {1, 3, 4, 4, 2, 2, 4};
  const bool memory_targets[] = {false, false, true, true, true, true, false};
  Run wmf, gpkg;
  for (int f = 0; f < 7; ++f) {
    std::string out = root + "/out-" + formats[f];
    Run best;
    for (int repeat = 0; repeat < 3; ++repeat) {
      Run run = RunOnce(
          {converter, "-q", "-j", "1", "-s", settings, "-f", formats[f], root + "/in", out});
      best.wall = std::min(best.wall, run.wall);
      best.cpu = std::min(best.cpu, run.cpu);
      best.peak_kb = std::max(best.peak_kb, run.peak_kb);
    }
    best.bytes = fs::file_size(out + "/533946" + files[f]);
    if (f == 0) wmf = best;
    if (f == 6) gpkg = best;
    std::printf("%s: wall %6.3f s  cpu %6.3f s  peak %6.1f MB  file %6.1f MB", formats[f],
                best.wall, best.cpu, best.peak_kb / 1024.0, best.bytes / 1e6);
    if (f > 0) {
      std::printf("   time %.2fx wall, %.2fx cpu (target <= %.0f)  memory %.2fx",
                  best.wall / wmf.wall, best.cpu / wmf.cpu, time_targets[f],
                  static_cast<double>(best.peak_kb) / wmf.peak_kb);
      if (memory_targets[f]) std::printf(" (target <= 1.5)");
    }
    std::printf("\n");
  }
  // The same data into one new --into file, spatial index and all, against -f gpkg.
  Run into;
  for (int repeat = 0; repeat < 3; ++repeat) {
    const std::string file = root + "/into.gpkg";
    fs::remove(file);
    Run run = RunOnce({converter, "-q", "-j", "1", "--into", file, root + "/in", root + "/out"});
    into.wall = std::min(into.wall, run.wall);
    into.cpu = std::min(into.cpu, run.cpu);
    into.peak_kb = std::max(into.peak_kb, run.peak_kb);
  }
  std::printf(
      "--into: wall %6.3f s  cpu %6.3f s  peak %6.1f MB   time %.2fx wall, %.2fx cpu of gpkg "
      "(target <= 2)\n",
      into.wall, into.cpu, into.peak_kb / 1024.0, into.wall / gpkg.wall, into.cpu / gpkg.cpu);
}

// Eight meshes (links to the one under `root`/in) converted with one job and with two.
void Jobs(const std::string& converter, const std::string& root) {
  fs::create_directories(root + "/eight");
  for (int i = 0; i < 8; ++i) {
    fs::create_directory_symlink(root + "/in/533946", root + "/eight/53394" + std::to_string(i));
  }
  Run best[2];
  for (int repeat = 0; repeat < 3; ++repeat) {
    for (int j = 0; j < 2; ++j) {
      Run run = RunOnce({converter, "-q", "-j", j ? "2" : "1", "-s",
                         SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini", "-f", "wmf,svg,pdf",
                         root + "/eight", root + "/out-eight"});
      best[j].wall = std::min(best[j].wall, run.wall);
      best[j].cpu = std::min(best[j].cpu, run.cpu);
    }
  }
  std::printf(
      "eight meshes wmf,svg,pdf: -j 1 wall %6.3f s cpu %6.3f s  -j 2 wall %6.3f s cpu %6.3f s"
      "  speed-up %.2fx (target >= 1.7)\n",
      best[0].wall, best[0].cpu, best[1].wall, best[1].cpu, best[0].wall / best[1].wall);
}

// A road of a million points, each segment across the whole sheet and a little lower than the
// last, as PNG.
void Zigzag(const std::string& converter, const std::string& root) {
  constexpr int kPoints = 1000000;
  fs::create_directories(root + "/zigzag/533946/road");
  {
    std::ofstream arc(root + "/zigzag/533946/road/roadntwk.arc", std::ios::binary);
    arc << "533946,ARC,20250401,1\r\nL2110,1,1," << kPoints << "\r\n";
    for (int i = 0; i < kPoints; ++i) {
      arc << (i % 2 ? "1500.0," : "0.0,") << i * 999.0 / kPoints << "\r\n";
    }
    std::ofstream atr(root + "/zigzag/533946/road/road.atr", std::ios::binary);
    atr << "533946,ATR,20250401,ROAD,1\r\nL2110,1,0,\r\n";
  }
  Run best;
  for (int repeat = 0; repeat < 3; ++repeat) {
    Run run =
        RunOnce({converter, "-q", "-j", "1", "-s", SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini",
                 "-f", "png", root + "/zigzag", root + "/out-zigzag"});
    best.wall = std::min(best.wall, run.wall);
    best.cpu = std::min(best.cpu, run.cpu);
  }
  std::printf("million-point zigzag png: wall %6.3f s  cpu %6.3f s (target < 5 s)\n", best.wall,
              best.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  double megabytes = argc > 1 ? std::atof(argv[1]) : 28;
  std::string converter =
      argc > 2 ? std::string(argv[2])
               : (fs::canonical("/proc/self/exe").parent_path() / "sheetwright-convert").string();
  std::string root = (fs::temp_directory_path() / "sheetwright-formats-XXXXXX").string();
  if (!mkdtemp(root.data())) return 1;

  meshgen::Options options;
  options.seed = 7;
  options.blocks = meshgen::BlocksForBytes(static_cast<uint64_t>(megabytes * 1e6), options);
  meshgen::GenerateMesh(root + "/in/533946", options);
  std::printf("mesh of %d blocks, %.1f MB; converter %s\n", options.blocks,
              meshgen::MeshBytes(options) / 1e6, converter.c_str());

  Sheet(converter, root, SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini");
  WriteThickLineSettings(root + "/thick-lines.ini");
  Sheet(converter, root, root + "/thick-lines.ini");
  Jobs(converter, root);
  Zigzag(converter, root);
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
