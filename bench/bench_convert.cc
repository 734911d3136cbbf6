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
#include "conversion/convert_mesh.h"
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
    conversion::ConvertMesh(mesh, {styles, fonts, sink, nullptr}, sheet);
    output::StoreWmf(sheet, {}, out);
  });
}

// One mesh's floor pass and conversion, and the bytes of its files.
struct MeshRun {
  size_t bytes = 0;
  Timing floor;
  Timing conversion;
};

// Times the floor pass (best of `floor_repeats`) and the conversion of `mesh` into `mesh`.wmf.
MeshRun RunMesh(const std::string& mesh, int floor_repeats, const settings::StyleSource& styles,
                picture::FontLibrary& fonts, double& sink) {
  MeshRun run;
  run.floor = Measure([&] { sink += FloorPass(mesh, run.bytes); }, floor_repeats);
  run.conversion = ConvertOnce(mesh, mesh + ".wmf", styles, fonts);
  return run;
}

void PrintBaseRun(const MeshRun& base) {
  std::printf("(a) floor pass, %.1f MB:   wall %7.3f s  cpu %7.3f s\n", base.bytes / 1e6,
              base.floor.wall, base.floor.cpu);
  std::printf(
      "(b) conversion to WMF:     wall %7.3f s  cpu %7.3f s   ratio b/a = %.2f wall, "
      "%.2f cpu (target <= 2)\n",
      base.conversion.wall, base.conversion.cpu, base.conversion.wall / base.floor.wall,
      base.conversion.cpu / base.floor.cpu);
}

void PrintLargeRun(const MeshRun& large, const MeshRun& base) {
  std::printf(
      "(c) 4x mesh, %.1f MB (%.2fx the data): floor cpu %.3f s, conversion wall %.3f s "
      "cpu %.3f s   ratio to (b) %.2f wall, %.2f cpu (target <= 4.6)\n",
      large.bytes / 1e6, static_cast<double>(large.bytes) / base.bytes, large.floor.cpu,
      large.conversion.wall, large.conversion.cpu, large.conversion.wall / base.conversion.wall,
      large.conversion.cpu / base.conversion.cpu);
}

// Eight meshes of `small`'s size with seeds 100 to 107, in `folder`, as one batch.
conversion::BatchRequest GenerateBatch(const std::string& folder, meshgen::Options small) {
  conversion::BatchRequest request;
  request.input_folder = folder;
  for (int i = 0; i < 8; ++i) {
    small.seed = 100 + i;
    std::string name = "mesh" + std::to_string(i);
    meshgen::GenerateMesh(request.input_folder + "/" + name, small);
    request.meshes.push_back(name);
  }
  return request;
}

// Best of three runs of the batch with `jobs` jobs, into `output_folder`: wall time, and the CPU
// time of the whole process. Equal CPU for both job counts means the jobs share no work and wait
// on no lock, so on two free cores the wall time halves.
Timing TimeBatch(conversion::BatchRequest request, int jobs, const std::string& output_folder,
                 const settings::StyleSource& styles, picture::FontLibrary& fonts) {
  conversion::BatchObserver quiet;
  request.jobs = jobs;
  request.output_folder = output_folder;
  fs::create_directories(request.output_folder);
  Timing best;
  for (int repeat = 0; repeat < 3; ++repeat) {
    timespec c0{}, c1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
    double w = Seconds([&] { conversion::RunBatch(request, styles, fonts, quiet); }, 1);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
    best.wall = std::min(best.wall, w);
    best.cpu = std::min(best.cpu, (c1.tv_sec - c0.tv_sec) + (c1.tv_nsec - c0.tv_nsec) * 1e-9);
  }
  return best;
}

void PrintBatch(int blocks, const Timing& one_job, const Timing& two_jobs) {
  double load[1] = {};
  getloadavg(load, 1);
  std::printf(
      "(d) batch of 8 meshes (%d blocks): -j 1 wall %.3f s cpu %.3f s, -j 2 wall %.3f s cpu "
      "%.3f s   speed-up %.2fx (target >= 1.7; %u cores, load average %.1f)\n",
      blocks, one_job.wall, one_job.cpu, two_jobs.wall, two_jobs.cpu, one_job.wall / two_jobs.wall,
      std::thread::hardware_concurrency(), load[0]);
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

  double sink = 0;
  const MeshRun base_run = RunMesh(root + "/base", 5, styles, fonts, sink);
  PrintBaseRun(base_run);
  const MeshRun large_run = RunMesh(root + "/large", 2, styles, fonts, sink);
  PrintLargeRun(large_run, base_run);

  // Eight meshes of a quarter of the base size each.
  meshgen::Options small = base;
  small.blocks = meshgen::BlocksForBytes(meshgen::MeshBytes(base) / 4, base);
  const conversion::BatchRequest request = GenerateBatch(root + "/batch", small);
  const Timing one_job = TimeBatch(request, 1, root + "/out1", styles, fonts);
  const Timing two_jobs = TimeBatch(request, 2, root + "/out2", styles, fonts);
  PrintBatch(small.blocks, one_job, two_jobs);

  std::error_code ec;
  fs::remove_all(root, ec);
  return sink == 42.4242 ? 2 : 0;  // keeps the floor pass from being optimised away
}
