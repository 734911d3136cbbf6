#include "mapdata/mesh_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/common_test_util.h"
#include "platform/folders.h"

namespace sheetwright::mapdata {
namespace {

using test_util::Native;
using test_util::TempFolder;

std::vector<std::string> AllPaths(const MeshFiles& f) {
  return {f.GaikuPgn,    f.GaikuAtr,    f.GaikuArc,   f.GyouseiArc,  f.SiTyoPgn,
          f.SiTyoAtr,    f.TyomePgn,    f.TyomeAtr,   f.TatemonoAtr, f.TatemonoArc,
          f.TatemonoPgn, f.MizuPgn,     f.MizuAtr,    f.MizuArc,     f.KasenPgn,
          f.KasenAtr,    f.KasenArc,    f.TetudouAtr, f.OthersArc,   f.ZyoutiPgn,
          f.ZyoutiAtr,   f.RoadntwkArc, f.RoadAtr,    f.EkiPnt,      f.EkiAtr};
}

TEST(MeshFilesTest, PathsAsTheDataSetNamesThem) {
  MeshFiles f = FileSet("/data/mesh1");
  std::vector<std::string> expected = {
      "/data/mesh1/gaiku/GAIKU.PGN",       "/data/mesh1/gaiku/GAIKU.ATR",
      "/data/mesh1/gaiku/GAIKU.ARC",       "/data/mesh1/gyousei/gyousei.arc",
      "/data/mesh1/gyousei/si_tyo.pgn",    "/data/mesh1/gyousei/si_tyo.atr",
      "/data/mesh1/gyousei/tyome.pgn",     "/data/mesh1/gyousei/tyome.atr",
      "/data/mesh1/tatemono/tatemono.atr", "/data/mesh1/tatemono/tatemono.arc",
      "/data/mesh1/tatemono/tatemono.pgn", "/data/mesh1/mizu/mizu.pgn",
      "/data/mesh1/mizu/mizu.atr",         "/data/mesh1/mizu/mizu.arc",
      "/data/mesh1/kasen/kasen.pgn",       "/data/mesh1/kasen/kasen.atr",
      "/data/mesh1/kasen/kasen.arc",       "/data/mesh1/others/tetudou.atr",
      "/data/mesh1/others/others.arc",     "/data/mesh1/others/zyouti.pgn",
      "/data/mesh1/others/zyouti.atr",     "/data/mesh1/road/roadntwk.arc",
      "/data/mesh1/road/road.atr",         "/data/mesh1/others/eki.pnt",
      "/data/mesh1/others/eki.atr"};
  for (std::string& path : expected) path = "/data/mesh1" + Native(path.substr(11));
  EXPECT_EQ(AllPaths(f), expected);
}

TEST(MeshFilesTest, FolderIsTakenAsWritten) {
  EXPECT_EQ(FileSet("/data/mesh1/").GaikuPgn, "/data/mesh1/" + Native("/gaiku/GAIKU.PGN"));
  EXPECT_EQ(FileSet("").EkiAtr, Native("/others/eki.atr"));
  EXPECT_EQ(FileSet("メッシュ 1").MizuArc, "メッシュ 1" + Native("/mizu/mizu.arc"));
  // A second mesh replaces every path.
  for (const std::string& path : AllPaths(FileSet("/b/533946"))) {
    EXPECT_EQ(path.rfind("/b/533946" + Native("/"), 0), 0u) << path;
  }
}

TEST(MeshFilesTest, FindsExactPathsFirstThenIgnoresLetterCase) {
  TempFolder dir;
  std::string mesh = dir.path() + "/533946";
  dir.Write("533946/gaiku/GAIKU.PGN", "x");
  dir.Write("533946/MIZU/Mizu.Arc", "x");
  dir.Write("533946/kasen/KASEN.ARC", "upper");
  dir.Write("533946/kasen/kasen.arc", "lower");
  dir.Write("533946/Road/ROAD.atr", "x");
  dir.Write("533946/road/roadntwk.ARC", "x");
  std::filesystem::create_directories(mesh + Native("/others/eki.pnt"));  // a folder, not a file
  MeshFiles f = FileSet(mesh);
  EXPECT_EQ(FindDataFile(f.GaikuPgn), f.GaikuPgn);
  EXPECT_EQ(FindDataFile(f.MizuArc), mesh + Native("/MIZU/Mizu.Arc"));
  if (!platform::kIgnoresLetterCase) {  // names that differ in case only are one file on Windows
    EXPECT_EQ(FindDataFile(f.KasenArc), f.KasenArc);  // the exact spelling wins
    // Two theme folders differ in case only: the exact one first, then the other.
    EXPECT_EQ(FindDataFile(f.RoadntwkArc), mesh + Native("/road/roadntwk.ARC"));
  }
  EXPECT_EQ(FindDataFile(f.RoadAtr), mesh + Native("/Road/ROAD.atr"));
  EXPECT_EQ(FindDataFile(f.EkiPnt), std::nullopt);
  EXPECT_EQ(FindDataFile(f.TyomePgn), std::nullopt);
  // The mesh folder itself is not matched without case: only the theme and the file are.
  EXPECT_EQ(FindDataFile(dir.path() + "/533946X/gaiku/GAIKU.PGN"), std::nullopt);
  // A doubled separator from a folder given with a trailing "/" still finds the files.
  MeshFiles doubled = FileSet(mesh + Native("/"));
  EXPECT_EQ(FindDataFile(doubled.GaikuPgn), doubled.GaikuPgn);
  EXPECT_EQ(FindDataFile(doubled.MizuArc), mesh + Native("//MIZU/Mizu.Arc"));
}

TEST(MeshFilesTest, ShortPaths) {
  TempFolder dir;
  dir.Write("Top.ARC", "x");
  std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(FindDataFile("top.arc"), "Top.ARC");
  EXPECT_EQ(FindDataFile("./TOP.arc"), Native("./Top.ARC"));
  EXPECT_EQ(FindDataFile(""), std::nullopt);
  EXPECT_EQ(FindDataFile("/"), std::nullopt);
  std::filesystem::current_path(cwd);
  EXPECT_EQ(FindDataFile(dir.path() + "/TOP.ARC"), dir.path() + Native("/Top.ARC"));
}

}  // namespace
}  // namespace sheetwright::mapdata
