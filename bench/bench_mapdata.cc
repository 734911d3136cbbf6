// Loading and lookup speed of the map data tables. Generates a large synthetic set of arc, polygon
// and attribute files in a temporary folder, then prints:
//   (a) a bare pass: read every file and split every line into its fields;
//   (b) loading the same files into the tables (Load, LoadPolygons, Load), and the ratio b / a;
//   (c) a conversion-sized lookup workload (one FindArc per arc reference of every polygon, one
//       FindPid per label line) at table sizes four times apart, in ns per lookup.
// Usage: bench_mapdata [megabytes of data, default 60]
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "mapdata/arc_table.h"
#include "mapdata/record_lines.h"
#include "mapdata/record_tables.h"

namespace sm = sheetwright::mapdata;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this thread: the machine may be busy with other work, which wall time would count.
double CpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// One theme's worth of data, in the files' own layout (CR LF, count in the header).
struct Theme {
  std::string arc, pgn, atr;
  std::vector<int32_t> arc_ids;      // in file order
  std::vector<int32_t> polygon_ids;  // in file order
  std::vector<int32_t> arc_refs;     // the arc references of all polygons, signed
  std::vector<int32_t> label_ids;    // polygon ID of every label line
};

// A 32-bit generator whose results print with %u.
struct Random {
  explicit Random(uint32_t seed) : engine(seed) {}
  unsigned operator()() { return static_cast<unsigned>(engine()); }
  std::mt19937 engine;
};

void AppendCoordinate(std::string& out, Random& rng) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%u.%03u,%u.%03u\r\n", 30000 + rng() % 20000,
                        rng() % 1000, 130000 + rng() % 20000, rng() % 1000);
  out.append(buffer, n);
}

// `arcs` arcs of 2 to 14 points, polygons of 3 to 9 arcs each using every arc about twice, one
// road attribute per arc and one name label per polygon. IDs are spread out and shuffled, as in
// real data where they come from a national numbering.
Theme MakeTheme(int arcs, uint32_t seed) {
  Random rng(seed);
  Theme t;
  t.arc_ids.resize(arcs);
  for (int i = 0; i < arcs; ++i) t.arc_ids[i] = 100000 + i * 7 + static_cast<int32_t>(rng() % 7);
  std::shuffle(t.arc_ids.begin(), t.arc_ids.end(), rng.engine);

  std::string body;
  char buffer[160];
  for (int32_t id : t.arc_ids) {
    int points = 2 + static_cast<int>(rng() % 13);
    int n = std::snprintf(buffer, sizeof buffer, "L%u,%u,%d,%d\r\n", 2100 + rng() % 5000,
                          1 + rng() % 9, id, points);
    body.append(buffer, n);
    for (int p = 0; p < points; ++p) AppendCoordinate(body, rng);
  }
  t.arc = "ARC,2024,533946," + std::to_string(arcs) + "\r\n" + body;

  body.clear();
  int polygons = arcs * 2 / 6;
  for (int i = 0; i < polygons; ++i) {
    int32_t pid = 500000 + i * 3 + static_cast<int32_t>(rng() % 3);
    t.polygon_ids.push_back(pid);
    int refs = 3 + static_cast<int>(rng() % 7);
    int n = std::snprintf(buffer, sizeof buffer, "A%u,%d,%d,%u.5,%u.25\r\n", 5100 + rng() % 3000,
                          pid, refs, 30000 + rng() % 20000, 130000 + rng() % 20000);
    body.append(buffer, n);
    for (int r = 0; r < refs; ++r) {
      int32_t ref = t.arc_ids[rng() % t.arc_ids.size()];
      if (rng() % 2) ref = -ref;
      t.arc_refs.push_back(ref);
      n = std::snprintf(buffer, sizeof buffer, "%d\r\n", ref);
      body.append(buffer, n);
    }
  }
  t.pgn = "PGN,2024,533946,x," + std::to_string(polygons) + "\r\n" + body;

  body.clear();
  int records = 0;
  for (int32_t id : t.arc_ids) {
    int n = std::snprintf(buffer, sizeof buffer, "L2201,%d,%u,\x8D\x91\x93\xB9%u\x8D\x86\r\n", id,
                          rng() % 3 == 0 ? 1u : 0u, rng() % 500);
    body.append(buffer, n);
    ++records;
  }
  for (size_t i = 0; i < t.polygon_ids.size(); ++i) {
    int32_t pid = t.polygon_ids[rng() % t.polygon_ids.size()];
    t.label_ids.push_back(pid);
    int n = std::snprintf(buffer, sizeof buffer,
                          "A6242,%d,\x93\x8C\x8B\x9E%zu,\x92\x9A\x96\xDA\r\n", pid, i);
    body.append(buffer, n);
    ++records;
  }
  t.atr = "ATR,2024,533946,x," + std::to_string(records) + "\r\n" + body;
  return t;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

struct FileSet {
  std::vector<std::string> arcs, pgns, atrs;
  size_t bytes = 0;
};

// Both passes keep what they read until the pass ends, as a conversion's file cache does, so
// that they see the same memory behaviour and differ only in what they do with the lines.

// (a) Read each file and split every line into its fields; a checksum keeps the work alive.
size_t BarePass(const FileSet& files) {
  std::vector<std::shared_ptr<const sm::FileText>> texts;
  size_t sum = 0;
  auto pass = [&](const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      texts.push_back(sm::FileText::Read(path));
      sm::LineCursor cursor(*texts.back());
      while (!cursor.AtEnd()) {
        std::string_view rest = cursor.Next();
        for (;;) {
          size_t comma = rest.find(',');
          std::string_view field = rest.substr(0, comma);
          sum += field.size() + 1;
          if (comma == std::string_view::npos) break;
          rest.remove_prefix(comma + 1);
        }
      }
    }
  };
  pass(files.arcs);
  pass(files.pgns);
  pass(files.atrs);
  return sum;
}

// (b) Load every file into a table of its own, as a conversion's table cache does.
size_t LoadPass(const FileSet& files) {
  sheetwright::base::NullMessageSink sink;
  std::vector<sm::ArcTable> arcs(files.arcs.size());
  std::vector<sm::PolyTable> polys(files.pgns.size());
  std::vector<sm::AttributeTable> atrs(files.atrs.size());
  size_t sum = 0;
  for (size_t i = 0; i < files.arcs.size(); ++i) {
    arcs[i].Load(sm::FileText::Read(files.arcs[i]), sink);
    sum += static_cast<size_t>(arcs[i].size());
  }
  for (size_t i = 0; i < files.pgns.size(); ++i) {
    polys[i].LoadPolygons(sm::FileText::Read(files.pgns[i]), sink);
    sum += static_cast<size_t>(polys[i].size());
  }
  for (size_t i = 0; i < files.atrs.size(); ++i) {
    atrs[i].Load(sm::FileText::Read(files.atrs[i]), sink);
    sum += static_cast<size_t>(atrs[i].size());
  }
  return sum;
}

template <typename Pass>
double BestOf(int runs, const FileSet& files, Pass pass, size_t& checksum) {
  double best = 1e30;
  for (int r = 0; r < runs; ++r) {
    double start = CpuSeconds();
    checksum += pass(files);
    best = std::min(best, CpuSeconds() - start);
  }
  return best;
}

// (c) One FindArc per arc reference and one FindPid per label, over tables of `arcs` arcs.
void LookupWorkload(int arcs) {
  Theme t = MakeTheme(arcs, 99);
  sheetwright::base::NullMessageSink sink;
  sm::ArcTable arc_table;
  sm::PolyTable poly_table;
  arc_table.Load(std::make_shared<const sm::FileText>(t.arc), sink);
  poly_table.LoadPolygons(std::make_shared<const sm::FileText>(t.pgn), sink);
  // Repeat the workload so that each size runs for a similar, measurable time.
  int repeats = std::max(1, 4000000 / static_cast<int>(t.arc_refs.size() + t.label_ids.size()));
  long found = 0;
  size_t lookups = 0;
  double start = CpuSeconds();
  for (int r = 0; r < repeats; ++r) {
    for (int32_t ref : t.arc_refs) found += arc_table.FindArc(ref < 0 ? -ref : ref, sink) >= 0;
    for (int32_t pid : t.label_ids) found += poly_table.FindPid(pid) >= 0;
    lookups += t.arc_refs.size() + t.label_ids.size();
  }
  double seconds = CpuSeconds() - start;
  if (found != static_cast<long>(lookups)) std::printf("  (some lookups failed: %ld)\n", found);
  std::printf("  %7d arcs, %7zu polygons: %9zu lookups, %6.1f ns per lookup\n", arcs,
              t.polygon_ids.size(), lookups, seconds * 1e9 / static_cast<double>(lookups));
}

}  // namespace

int main(int argc, char** argv) {
  double megabytes = argc > 1 ? std::atof(argv[1]) : 60;
  std::string dir = (std::filesystem::temp_directory_path() / "bench-mapdata-XXXXXX").string();
  if (::mkdtemp(dir.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }

  auto start = Clock::now();
  FileSet files;
  for (int theme = 0; files.bytes < megabytes * 1e6; ++theme) {
    Theme t = MakeTheme(60000, static_cast<uint32_t>(theme));
    std::string base = dir + "/theme" + std::to_string(theme);
    files.arcs.push_back(base + ".arc");
    files.pgns.push_back(base + ".pgn");
    files.atrs.push_back(base + ".atr");
    WriteFile(files.arcs.back(), t.arc);
    WriteFile(files.pgns.back(), t.pgn);
    WriteFile(files.atrs.back(), t.atr);
    files.bytes += t.arc.size() + t.pgn.size() + t.atr.size();
  }
  std::printf("generated %zu themes, %.1f MB in %.2f s (%s)\n", files.arcs.size(),
              static_cast<double>(files.bytes) / 1e6, SecondsSince(start), dir.c_str());

  size_t checksum = 0;
  BarePass(files);  // warm the page cache
  // Interleaved, so that both passes see the same conditions; the best run of each counts.
  double bare = 1e30, load = 1e30;
  for (int round = 0; round < 4; ++round) {
    bare = std::min(bare, BestOf(2, files, BarePass, checksum));
    load = std::min(load, BestOf(2, files, LoadPass, checksum));
  }
  double mb = static_cast<double>(files.bytes) / 1e6;
  std::printf("CPU time, best of 8 runs each:\n");
  std::printf("(a) bare pass (read + split every line): %7.1f ms  %6.0f MB/s\n", bare * 1e3,
              mb / bare);
  std::printf("(b) table loads (Load/LoadPolygons/Load): %7.1f ms  %6.0f MB/s\n", load * 1e3,
              mb / load);
  std::printf("    ratio load / bare: %.2f (target <= 1.5)\n", load / bare);

  std::printf("(c) lookups (FindArc per arc reference, FindPid per label):\n");
  // Sizes four times apart; a theme of one mesh holds some thousands to tens of thousands of arcs.
  // The largest index (2 MB) no longer fits in a core's L2 cache, which shows in its figure.
  LookupWorkload(12500);
  LookupWorkload(50000);
  LookupWorkload(200000);

  std::error_code ignored;
  if (!std::getenv("BENCH_KEEP")) std::filesystem::remove_all(dir, ignored);
  return checksum == 0 ? 1 : 0;
}
