// Temporary names and the leftovers of killed runs; the replacement itself is tested through
// base/atomic_file_test.cc.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/folders.h"
#include "platform/program.h"

namespace sheetwright::platform {
namespace {

// A folder of its own under the system's temporary folder, removed at the end.
class LeftoversTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code error;
    folder_ = MakeTempFolder(std::filesystem::temp_directory_path().string() + "/leftovers", error);
    ASSERT_FALSE(error) << error.message();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Put(const std::string& name) {
    std::string path = JoinPath(folder_, name);
    std::ofstream(path) << "x";
    return path;
  }
  bool Has(const std::string& name) { return KindOf(JoinPath(folder_, name)) != EntryKind::kNone; }

  std::string folder_;
};

// No process has this id: above every system's limit of process ids, yet a valid number.
const std::string kGone = std::to_string(2147483000L);

TEST_F(LeftoversTest, TemporariesCarryTheWritersProcessId) {
  std::string target = JoinPath(folder_, "533945.wmf");
  EXPECT_EQ(TempPrefix(target), target + ".tmp" + std::to_string(ProcessId()) + "-");
  std::error_code error;
  std::string hidden = MakeTempFolder(JoinPath(folder_, "533945.gpkg"), error);
  ASSERT_FALSE(error);
  EXPECT_EQ(std::string(BaseName(hidden))
                .rfind(".533945.gpkg.tmp" + std::to_string(ProcessId()) + "-", 0),
            0u);
  EXPECT_EQ(KindOf(hidden), EntryKind::kFolder);
  // A run's own temporaries are never leftovers, even while it cleans up.
  EXPECT_EQ(RemoveLeftovers(folder_), 0);
  EXPECT_EQ(KindOf(hidden), EntryKind::kFolder);
}

TEST_F(LeftoversTest, OnlyOurNamesOfEndedProcessesAreRemoved) {
  Put("533945.wmf.tmp" + kGone + "-aB3xYz");
  std::error_code error;
  std::string gpkg = JoinPath(folder_, ".533945.gpkg.tmp" + kGone + "-Q1w2E3");
  ASSERT_FALSE(MakeFolders(gpkg));
  std::ofstream(JoinPath(gpkg, "533945.gpkg")) << "half a GeoPackage";
  std::string live = "533946.wmf.tmp" + std::to_string(ProcessId()) + "-abcdef";
  Put(live);
  // A name of someone else's pattern, a drawing, and near misses of ours stay.
  for (const char* kept : {"533945.wmf", "a.tmp2147483000-abc", "a.tmp2147483000-abcdefg",
                           "a.tmpx-abcdef", "a.tmpXXXXXX"}) {
    Put(kept);
  }
  EXPECT_EQ(RemoveLeftovers(folder_), 2);
  EXPECT_FALSE(Has("533945.wmf.tmp" + kGone + "-aB3xYz"));
  EXPECT_FALSE(Has(".533945.gpkg.tmp" + kGone + "-Q1w2E3"));
  EXPECT_TRUE(Has(live));
  for (const char* kept : {"533945.wmf", "a.tmp2147483000-abc", "a.tmp2147483000-abcdefg",
                           "a.tmpx-abcdef", "a.tmpXXXXXX"}) {
    EXPECT_TRUE(Has(kept)) << kept;
  }
}

TEST_F(LeftoversTest, ATempFolderGoesWithWhatItHolds) {
  std::error_code error;
  for (bool empty : {true, false}) {
    std::string hidden = MakeTempFolder(JoinPath(folder_, "x.gpkg"), error);
    if (!empty) std::ofstream(JoinPath(hidden, "x.gpkg-journal")) << "j";
    RemoveTempFolder(hidden);
    EXPECT_EQ(KindOf(hidden), EntryKind::kNone);
  }
}

}  // namespace
}  // namespace sheetwright::platform
