// How fast a large sheet is stored as a metafile, against the floor of writing the same number of
// bytes with one write(): encoding should cost little next to the file system.
//
// Usage: bench_wmf_write [output folder]   (default: the system's temporary folder)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "output/wmf/wmf_writer.h"
#include "picture/recorder.h"

namespace {

using namespace sheetwright::picture;
using namespace sheetwright::output;
namespace picture = sheetwright::picture;
namespace output = sheetwright::output;
using Clock = std::chrono::steady_clock;

// A sheet like a dense mesh: 40 layers of outlines (30 points each) and fills (40 points each),
// plus a label layer, about 1.2 million points in all.
picture::Picture BuildSheet(size_t* point_count) {
  Picture sheet;
  Recorder rec(sheet);
  rec.SetBrush(BrushStyle::kSolid, 0xFFFFFF);
  rec.SetPen(PenStyle::kSolid, 10, 0);
  rec.Line({0, 0}, {50, 0});
  rec.Line({20000, 15000}, {19950, 15000});
  uint32_t seed = 12345;
  auto next = [&seed](int32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(range));
  };
  std::vector<Point> figure;
  *point_count = 0;
  for (int layer = 0; layer < 40; ++layer) {
    auto picture = std::make_shared<Picture>();
    Recorder r(*picture);
    bool fills = layer % 2 == 0;
    if (fills) {
      r.SetBrush(BrushStyle::kSolid, 0x00C0C0 + layer);
      r.SetPen(PenStyle::kNull, 1, 0);
    } else {
      r.SetPen(PenStyle::kSolid, 40, 0x800000 + layer);
    }
    for (int f = 0; f < 900; ++f) {
      size_t n = fills ? 40 : 30;
      figure.clear();
      Point p{next(20000), next(15000)};
      for (size_t i = 0; i < n; ++i) {
        p.x += next(41) - 20;
        p.y += next(41) - 20;
        figure.push_back(p);
      }
      if (fills) {
        r.Polygon(figure);
      } else {
        r.Polyline(figure);
      }
      *point_count += n;
    }
    rec.Layer(picture);
  }
  auto labels = std::make_shared<Picture>();
  Recorder r(*labels);
  r.SetBrush(BrushStyle::kDiagCross, 0);
  r.SetFont(LabelFont{});
  for (int i = 0; i < 5000; ++i) r.Text({next(20000), next(15000)}, "\x93\x8c\x8b\x9e\x93\x73");
  rec.Layer(labels);
  return sheet;
}

void WriteWhole(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  ssize_t n = ::write(fd, bytes.data(), bytes.size());
  ::close(fd);
  if (n != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("short write " + path);
}

template <class F>
double BestMs(int runs, F&& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
  std::string wmf_path = (dir / "bench_wmf_write.wmf").string();
  std::string raw_path = (dir / "bench_wmf_write.raw").string();
  size_t points = 0;
  picture::Picture sheet = BuildSheet(&points);
  std::string reference = output::EncodeWmf(sheet, output::NominalSize{});
  std::string plain(reference.size(), 'x');
  constexpr int kRuns = 15;

  double encode_ms =
      BestMs(kRuns, [&] { (void)output::EncodeWmf(sheet, output::NominalSize{}).size(); });
  double encode_write_ms =
      BestMs(kRuns, [&] { WriteWhole(wmf_path, output::EncodeWmf(sheet, output::NominalSize{})); });
  double write_ms = BestMs(kRuns, [&] { WriteWhole(raw_path, plain); });
  // StoreWmf adds fsync and rename for safety; against write() + fsync() for the same bytes.
  double store_ms = BestMs(5, [&] { output::StoreWmf(sheet, output::NominalSize{}, wmf_path); });
  double write_sync_ms = BestMs(5, [&] {
    int fd = ::open(raw_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, plain.data(), plain.size()) != static_cast<ssize_t>(plain.size())) {
      std::fprintf(stderr, "short write\n");
    }
    ::fsync(fd);
    ::close(fd);
  });

  std::printf("sheet: %zu points, %zu records at top level, %.2f MB of metafile\n", points,
              sheet.records.size(), reference.size() / 1e6);
  std::printf("EncodeWmf alone:              %8.2f ms\n", encode_ms);
  std::printf("EncodeWmf + write():          %8.2f ms\n", encode_write_ms);
  std::printf("one write() of as many bytes: %8.2f ms\n", write_ms);
  std::printf("ratio (encode+write / write): %8.2f\n", encode_write_ms / write_ms);
  std::printf("StoreWmf (fsync, rename):     %8.2f ms\n", store_ms);
  std::printf("write() + fsync():            %8.2f ms\n", write_sync_ms);
  std::printf("ratio (store / write+fsync):  %8.2f\n", store_ms / write_sync_ms);
  std::filesystem::remove(wmf_path);
  std::filesystem::remove(raw_path);
  return 0;
}
