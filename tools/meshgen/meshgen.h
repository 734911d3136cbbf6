// Synthetic map meshes for tests, benchmarks and demonstrations. GenerateMesh writes one mesh
// folder that looks like a real town sheet when drawn: a slightly irregular street grid with road
// centre and boundary lines, city blocks split into numbered sub-blocks that share their dividing
// arcs, town districts and two cities parted by a river (which is also a prefecture boundary), a
// railway with stations, public buildings, grounds of every class, ponds and, on request, a coast
// with the sea. Every file uses the data's own conventions: a header whose record count the readers
// rely on, CR LF line ends, Shift_JIS names, coordinates with one decimal (northing first).
// The output depends only on the options: the same seed gives the same bytes on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sheetwright::meshgen {

struct Options {
  uint64_t seed = 1;
  int blocks = 8;  // blocks per side of the street grid; at least kMinBlocks
  bool coastal = false;
  std::vector<std::string> omit_themes;  // theme folders left out, e.g. {"kasen", "tatemono"}
  std::string mesh_code = "533945";      // digits; written into the file headers only
  // A sheet code ("07MD623"): the headers become the 16-field headers of real sheets, carrying
  // the sheet's zone and corners, and the mesh gains its "<CODE>.TXT". Empty: short headers.
  std::string sheet_code;
};

inline constexpr int kMinBlocks = 4;
inline constexpr int kMaxBlocks = 1000;  // about 800 MB of files

// The seven theme folders of a mesh, in the order they are generated.
const std::vector<std::string>& ThemeNames();

// One generated data file: its path relative to the mesh folder ("gaiku/GAIKU.PGN") and its bytes.
struct MeshFile {
  std::string relative_path;
  std::string bytes;
};

// The files of a mesh, without touching the disk. Throws std::invalid_argument for a block count
// outside [kMinBlocks, kMaxBlocks], an unknown theme name in omit_themes or a mesh code that is
// not all digits, or a sheet code that is none.
std::vector<MeshFile> BuildMesh(const Options& options);

// Writes the mesh into `folder` (created with its parents, as are the theme folders); existing
// files of the same names are replaced. Throws std::runtime_error on an I/O failure and
// std::invalid_argument as BuildMesh.
void GenerateMesh(const std::string& folder, const Options& options);

// Total size in bytes of the files GenerateMesh would write.
uint64_t MeshBytes(const Options& options);

// A block count whose mesh (other options as given) holds at least `bytes` bytes: the smallest for
// meshes up to about 1 MB, within a few percent of it beyond (found with one or two builds, so a
// 50 MB mesh costs a few seconds). Capped at kMaxBlocks.
int BlocksForBytes(uint64_t bytes, Options options);

}  // namespace sheetwright::meshgen
