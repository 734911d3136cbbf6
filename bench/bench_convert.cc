// Speed of a whole mesh conversion. Generates meshes with meshgen in a temporary folder and prints:
//   (a) a floor pass over a large mesh: read each of its files once, split every line into fields
//       and parse every number in it;
//   (b) the conversion of that mesh with every layer on, stored as WMF, and the ratio b / a
//       (target <= 2);
//   (c) the same for a mesh four times larger, and the ratio of the two conversions (target <= 4.6,
//       i.e. linear in the size of the mesh);
//   (d) a batch of eight meshes with two jobs against one job (target >= 1.7x faster).
// Usage: bench_convert [megabytes of the large mesh, default 16]
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "conversion/batch.h"
#include "conversion/conv_go.h"
#include "conversion/heap_policy.h"
#include "mapdata/record_lines.h"
#include "meshgen/meshgen.h"
#include "output/wmf/wmf_writer.h"
#include "picture/font_library.h"
#include "settings/layer_styles.h"
#include "settings/settings_file.h"

namespace {

namespace fs = std::filesystem;
using namespace sheetwright;
using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// Best of `repeats` runs: wall time, and the CPU time of this thread (user + system), which a
// busy machine disturbs far less than the wall time of single-threaded work.
struct Timing {
  double wall = 1e300, cpu = 1e300;
};
Timing Measure(const std::function<void()>& work, int repeats = 3) {
  Timing best;
  for (int i = 0; i < repeats; ++i) {
    auto start = Clock::now();
    double cpu_start = ThreadCpuSeconds();
    work();
    best.cpu = std::min(best.cpu, ThreadCpuSeconds() - cpu_start);
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}
double Seconds(const std::function<void()>& work, int repeats = 3) {
  return Measure(work, repeats).wall;
}

// Reads every data file of the mesh once, splits each line at its commas and parses every field
// that holds a number: the least any conversion has to do.
double FloorPass(const std::string& mesh_folder, size_t& bytes_out) {
  double checksum = 0;
  size_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(mesh_folder)) {
    if (!entry.is_regular_file()) continue;
    auto text = mapdata::FileText::Read(entry.path().string());
    bytes += text->text().size();
    mapdata::LineCursor lines(*text);
    while (!lines.AtEnd()) {
      std::string_view line = lines.Next();
      while (true) {
        size_t comma = line.find(',');
        std::string_view field = line.substr(0, comma);
        double value;
        auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (ec == std::errc() && end == field.data() + field.size()) checksum += value;
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
      }
    }
  }
  bytes_out = bytes;
  return checksum;
}

void LoadStyles(settings::LayerStyleTable& styles) {
  std::string ini = SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini";
  if (fs::exists(ini)) settings::LoadSettings(ini, "/", styles);
  for (const auto& def : settings::LayerDefs()) styles.SetEnabled(def.key, true);
}

Timing ConvertOnce(const std::string& mesh, const std::string& out,
                   const settings::StyleSource& styles, picture::FontLibrary& fonts) {
  base::NullMessageSink sink;
  return Measure([&] {
    picture::Picture sheet;
    conversion::ConvGo(mesh, {styles, fonts, sink, nullptr}, sheet);
    output::StoreWmf(sheet, {}, out);
  });
}

}  // namespace

int main(int argc, char** argv) {
  // As the converter programs do: each conversion reuses the memory freed by the one before.
  conversion::KeepFreedMemoryForReuse();
  double megabytes = argc > 1 ? std::atof(argv[1]) : 16;
  std::string root = (fs::temp_directory_path() / "sheetwright-bench-XXXXXX").string();
  if (!mkdtemp(root.data())) return 1;

  settings::LayerStyleTable styles;
  LoadStyles(styles);
  picture::FontLibrary fonts;

  meshgen::Options base;
  base.seed = 11;
  base.blocks = meshgen::BlocksForBytes(static_cast<uint64_t>(megabytes * 1e6), base);
  meshgen::Options large = base;
  large.blocks = meshgen::BlocksForBytes(4 * meshgen::MeshBytes(base), base);
  std::printf("generating meshes of %d and %d blocks in %s ...\n", base.blocks, large.blocks,
              root.c_str());
  meshgen::GenerateMesh(root + "/base", base);
  meshgen::GenerateMesh(root + "/large", large);

  size_t base_bytes = 0, large_bytes = 0;
  double sink = 0;
  Timing floor_base = Measure([&] { sink += FloorPass(root + "/base", base_bytes); }, 5);
  Timing conv_base = ConvertOnce(root + "/base", root + "/base.wmf", styles, fonts);
  std::printf("(a) floor pass, %.1f MB:   wall %7.3f s  cpu %7.3f s\n", base_bytes / 1e6,
              floor_base.wall, floor_base.cpu);
  std::printf(
      "(b) conversion to WMF:     wall %7.3f s  cpu %7.3f s   ratio b/a = %.2f wall, "
      "%.2f cpu (target <= 2)\n",
      conv_base.wall, conv_base.cpu, conv_base.wall / floor_base.wall,
      conv_base.cpu / floor_base.cpu);

  Timing floor_large = Measure([&] { sink += FloorPass(root + "/large", large_bytes); }, 2);
  Timing conv_large = ConvertOnce(root + "/large", root + "/large.wmf", styles, fonts);
  std::printf(
      "(c) 4x mesh, %.1f MB (%.2fx the data): floor cpu %.3f s, conversion wall %.3f s "
      "cpu %.3f s   ratio to (b) %.2f wall, %.2f cpu (target <= 4.6)\n",
      large_bytes / 1e6, static_cast<double>(large_bytes) / base_bytes, floor_large.cpu,
      conv_large.wall, conv_large.cpu, conv_large.wall / conv_base.wall,
      conv_large.cpu / conv_base.cpu);

  // Eight meshes of a quarter of the base size each.
  meshgen::Options small = base;
  small.blocks = meshgen::BlocksForBytes(meshgen::MeshBytes(base) / 4, base);
  conversion::BatchRequest request;
  request.input_folder = root + "/batch";
  for (int i = 0; i < 8; ++i) {
    small.seed = 100 + i;
    std::string name = "mesh" + std::to_string(i);
    meshgen::GenerateMesh(request.input_folder + "/" + name, small);
    request.meshes.push_back(name);
  }
  conversion::BatchObserver quiet;
  // Wall time, and the CPU time of the whole process: equal CPU for both job counts means the
  // jobs share no work and wait on no lock, so on two free cores the wall time halves.
  double wall[3] = {}, cpu[3] = {};
  for (int jobs : {1, 2}) {
    request.jobs = jobs;
    request.output_folder = root + "/out" + std::to_string(jobs);
    fs::create_directories(request.output_folder);
    wall[jobs] = cpu[jobs] = 1e300;
    for (int repeat = 0; repeat < 3; ++repeat) {
      timespec c0{}, c1{};
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
      double w = Seconds([&] { conversion::RunBatch(request, styles, fonts, quiet); }, 1);
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
      wall[jobs] = std::min(wall[jobs], w);
      cpu[jobs] = std::min(cpu[jobs], (c1.tv_sec - c0.tv_sec) + (c1.tv_nsec - c0.tv_nsec) * 1e-9);
    }
  }
  double load[1] = {};
  getloadavg(load, 1);
  std::printf(
      "(d) batch of 8 meshes (%d blocks): -j 1 wall %.3f s cpu %.3f s, -j 2 wall %.3f s cpu "
      "%.3f s   speed-up %.2fx (target >= 1.7; %u cores, load average %.1f)\n",
      small.blocks, wall[1], cpu[1], wall[2], cpu[2], wall[1] / wall[2],
      std::thread::hardware_concurrency(), load[0]);

  std::error_code ec;
  fs::remove_all(root, ec);
  return sink == 42.4242 ? 2 : 0;  // keeps the floor pass from being optimised away
}
