// The 25 data file paths of one mesh, formed from the mesh folder path, and the existence test the
// conversion uses on them. Paths use the system's separator (platform/folders.h); a data file or
// theme folder whose letter case differs from the expected name (data copied from other media) is
// found by a case-insensitive match.
#pragma once

#include <optional>
#include <string>

namespace sheetwright::mapdata {

// Field names follow the data set's own file names.
struct MeshFiles {
  std::string GaikuPgn, GaikuAtr, GaikuArc;
  std::string GyouseiArc, SiTyoPgn, SiTyoAtr, TyomePgn, TyomeAtr;
  std::string TatemonoAtr, TatemonoArc, TatemonoPgn;
  std::string MizuPgn, MizuAtr, MizuArc;
  std::string KasenPgn, KasenAtr, KasenArc;
  std::string TetudouAtr, OthersArc, ZyoutiPgn, ZyoutiAtr;
  std::string RoadntwkArc, RoadAtr;
  std::string EkiPnt, EkiAtr;
};

// Each path is the mesh folder immediately followed by "/theme/FILE" as the data set names it
// ("/gaiku/GAIKU.PGN", "/others/eki.atr", ...; "\" for "/" on Windows). Nothing is checked or
// normalised.
MeshFiles FileSet(const std::string& mesh_folder);

// The path of an existing regular file: `path` itself when it exists, else the first file whose
// path matches it without regard to letter case in its last two components (theme folder and
// file name). nullopt when there is none. On a file system that ignores letter case, the found
// path spells those two components as the file system does.
std::optional<std::string> FindDataFile(const std::string& path);

// Why something at `path` is no data file to read: "フォルダです", "特殊ファイルです" (a FIFO, a
// device, a socket: never opened, so a FIFO cannot block) or "リンク先がありません" (a dangling
// link). Empty when nothing is there or it is a regular file. Looked at without opening it.
std::string NotAFileReason(const std::string& path);

}  // namespace sheetwright::mapdata
