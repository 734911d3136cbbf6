#include "conversion/batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "conversion/mesh_folders.h"
#include "conversion/mesh_test_util.h"

namespace sheetwright::conversion {
namespace {

namespace fs = std::filesystem;
using sheetwright::test_util::Native;
using test_util::ReadFileBytes;
using test_util::TempFolder;
using test_util::TestMesh;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class Recording : public BatchObserver {
 public:
  void Status(const std::string& text) override { events.push_back("status " + text); }
  void Message(const std::string& mesh, const std::string& text,
               const base::Place& where) override {
    events.push_back("message " + mesh + " " + text);
    if (where.known()) events.back() += " @" + where.file + ":" + std::to_string(where.line);
  }
  void Converted(const std::string& mesh,
                 const std::shared_ptr<const picture::Picture>& sheet) override {
    events.push_back("converted " + mesh + (sheet->records.empty() ? " empty" : ""));
  }
  void Stored(const std::string& mesh, const std::vector<std::string>&) override {
    events.push_back("stored " + mesh);
  }
  void Failed(const std::string& mesh, const std::string& error) override {
    events.push_back("failed " + mesh + " " + error);
  }
  std::vector<std::string> Statuses() const {
    std::vector<std::string> out;
    for (auto& e : events) {
      if (e.rfind("status ", 0) == 0) out.push_back(e.substr(7));
    }
    return out;
  }
  std::vector<std::string> events;
};

// All layers on, default colours.
void SwitchAllOn(settings::LayerStyleTable& table) {
  for (const auto& def : settings::LayerDefs()) table.SetEnabled(def.key, true);
}

class BatchTest : public ::testing::TestWithParam<int> {
 protected:
  BatchTest() {
    SwitchAllOn(styles_);
    fs::create_directories(out());
  }
  std::string in() const { return dir_ / "in"; }
  std::string out() const { return dir_ / "out"; }
  void AddMesh(const std::string& name, const TestMesh& mesh = TestMesh()) {
    mesh.Write(in() + "/" + name);
  }
  BatchRequest Request(std::vector<std::string> meshes) {
    BatchRequest r;
    r.input_folder = in();
    r.output_folder = out();
    r.meshes = std::move(meshes);
    r.jobs = GetParam();
    return r;
  }
  BatchResult Run(const BatchRequest& r) { return RunBatch(r, styles_, fonts_, observer_); }

  TempFolder dir_;
  settings::LayerStyleTable styles_;
  picture::FontLibrary fonts_;
  Recording observer_;
};

TestMesh BrokenMesh() {
  TestMesh mesh;
  mesh.files()["road/roadntwk.arc"] = "533945,ARC,1,3\r\nL2110,1,1,2\r\n400.0,0.0\r\nx,1.0\r\n";
  return mesh;
}

TEST_P(BatchTest, StoresEachRequestedMeshInListOrderWithTheStatusSequence) {
  for (const char* name : {"A", "B", "C", "D", "E"}) AddMesh(name);
  BatchResult result = Run(Request({"C", "A", "E"}));
  EXPECT_TRUE(result.finished);
  EXPECT_EQ(result.stored, 3);
  EXPECT_THAT(observer_.events, ElementsAre("status 0／3", "converted C", "stored C", "status 0／3",
                                            "converted A", "stored A", "status 1／3", "converted E",
                                            "stored E", "status 2／3", "status 3／3"));
  for (const char* name : {"A", "C", "E"}) {
    std::string bytes = ReadFileBytes(out() + "/" + name + ".wmf");
    ASSERT_GE(bytes.size(), 22u) << name;
    EXPECT_EQ(bytes.substr(0, 4), "\xD7\xCD\xC6\x9A");
    // The placeable header's bounding box is the nominal 400 x 300, not the frame.
    EXPECT_EQ(static_cast<uint8_t>(bytes[10]) | static_cast<uint8_t>(bytes[11]) << 8, 400);
    EXPECT_EQ(static_cast<uint8_t>(bytes[12]) | static_cast<uint8_t>(bytes[13]) << 8, 300);
  }
  EXPECT_FALSE(fs::exists(out() + "/B.wmf"));
  EXPECT_FALSE(fs::exists(out() + "/D.wmf"));
}

TEST_P(BatchTest, TicksAreReadAtEachMeshsTurn) {
  for (const char* name : {"A", "B", "C", "D"}) AddMesh(name);
  std::vector<bool> ticked{true, false, true, true};
  BatchRequest request = Request({"A", "B", "C", "D"});
  request.wanted = [&](size_t i) { return bool(ticked[i]); };
  // While A converts the user ticks B and unticks D; the total stays the count at the start.
  struct Ticking : Recording {
    std::vector<bool>* ticks;
    void Converting(const std::string& mesh) override {
      if (mesh == "A") *ticks = {true, true, true, false};
    }
  } observer;
  observer.ticks = &ticked;
  RunBatch(request, styles_, fonts_, observer);
  EXPECT_THAT(observer.Statuses(), ElementsAre("0／3", "0／3", "1／3", "2／3", "3／3"));
  EXPECT_TRUE(fs::exists(out() + "/B.wmf"));
  EXPECT_FALSE(fs::exists(out() + "/D.wmf"));
}

TEST_P(BatchTest, FailureEndsTheBatchKeepingEarlierFilesAndTheOldFile) {
  AddMesh("A");
  AddMesh("B", BrokenMesh());
  AddMesh("C");
  { std::ofstream(out() + "/B.wmf") << "old drawing"; }
  BatchResult result = Run(Request({"A", "B", "C"}));
  EXPECT_FALSE(result.finished);
  EXPECT_EQ(result.stored, 1);
  EXPECT_EQ(result.failed, 1);
  EXPECT_THAT(observer_.events, ElementsAre("status 0／3", "converted A", "stored A", "status 0／3",
                                            "failed B " + Native("road/roadntwk.arc") +
                                                ":4: 'x' は浮動小数点数ではありません"));
  EXPECT_TRUE(fs::exists(out() + "/A.wmf"));
  EXPECT_EQ(ReadFileBytes(out() + "/B.wmf"), "old drawing");
  EXPECT_FALSE(fs::exists(out() + "/C.wmf"));
  // Nothing half-written is left beside the files.
  int entries = 0;
  for (auto& e : fs::directory_iterator(out())) entries += e.is_regular_file();
  EXPECT_EQ(entries, 2);
}

TEST_P(BatchTest, KeepGoingConvertsTheRestAndCountsOnlyStoredMeshes) {
  AddMesh("A");
  AddMesh("B", BrokenMesh());
  AddMesh("C");
  BatchRequest request = Request({"A", "B", "C"});
  request.keep_going = true;
  BatchResult result = Run(request);
  EXPECT_TRUE(result.finished);
  EXPECT_EQ(result.stored, 2);
  EXPECT_EQ(result.failed, 1);
  EXPECT_THAT(observer_.Statuses(), ElementsAre("0／3", "0／3", "1／3", "2／3"));
  EXPECT_TRUE(fs::exists(out() + "/C.wmf"));
}

TEST_P(BatchTest, FailedStoreEndsTheBatch) {
  AddMesh("A");
  AddMesh("B");
  BatchRequest request = Request({"A", "B"});
  request.output_folder = dir_ / "missing";
  BatchResult result = Run(request);
  EXPECT_FALSE(result.finished);
  ASSERT_EQ(observer_.events.size(), 3u);
  EXPECT_EQ(observer_.events[0], "status 0／2");
  EXPECT_EQ(observer_.events[1], "converted A");
  EXPECT_THAT(observer_.events[2], HasSubstr("failed A " + (dir_ / "missing") + Native("/A.wmf")));
  EXPECT_THAT(observer_.events[2], HasSubstr("に書き込めません"));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

// A mesh folder gone at its turn (moved away, an unmounted share) and a drawing its owner made
// read-only each fail their mesh and keep the old file; root keeps the frozen one too.
TEST_P(BatchTest, AVanishedFolderOrAFrozenDrawingFailsItsMeshAndKeepsTheOldFile) {
  AddMesh("A");
  AddMesh("B");
  { std::ofstream(out() + "/GONE.wmf") << "good drawing"; }
  { std::ofstream(out() + "/B.wmf") << "frozen drawing"; }
  fs::permissions(out() + "/B.wmf",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  BatchRequest request = Request({"A", "GONE", "B"});
  request.keep_going = true;
  BatchResult result = Run(request);
  EXPECT_EQ(result.stored, 1);
  EXPECT_EQ(result.failed, 2);
  EXPECT_THAT(observer_.events,
              ::testing::Contains("failed GONE " + in() + Native("/GONE") +
                                  " を読み込めません: No such file or directory"));
  EXPECT_THAT(observer_.events, ::testing::Contains("failed B " + out() + Native("/B.wmf") +
                                                    " に書き込めません: Permission denied"));
  EXPECT_EQ(ReadFileBytes(out() + "/GONE.wmf"), "good drawing");
  EXPECT_EQ(ReadFileBytes(out() + "/B.wmf"), "frozen drawing");
  EXPECT_EQ(std::distance(fs::directory_iterator(out()), fs::directory_iterator()), 3);
}

TEST_P(BatchTest, ReplacesAnExistingFileAndHonoursTheSeparatorRule) {
  AddMesh("A");
  { std::ofstream(out() + "/A.wmf") << "an older, longer drawing of the same mesh......"; }
  BatchRequest request = Request({"A"});
  request.input_folder += "/";
  request.output_folder += "/";
  Run(request);
  std::string bytes = ReadFileBytes(out() + "/A.wmf");
  EXPECT_EQ(bytes.substr(0, 4), "\xD7\xCD\xC6\x9A");
  EXPECT_THAT(observer_.events,
              ElementsAre("status 0／1", "converted A", "stored A", "status 0／1", "status 1／1"));
}

TEST_P(BatchTest, EmptyListShowsZeroOfZero) {
  BatchResult result = Run(Request({}));
  EXPECT_TRUE(result.finished);
  EXPECT_THAT(observer_.events, ElementsAre("status 0／0", "status 0／0"));
}

TEST_P(BatchTest, ImageFormatsAreStoredBesideTheMetafile) {
  AddMesh("A");
  BatchRequest request = Request({"A"});
  request.formats = {OutputFormat::kWmf, OutputFormat::kPng, OutputFormat::kSvg,
                     OutputFormat::kPdf};
  request.sizes.png_width = 200;
  request.sizes.png_height = 150;
  Run(request);
  EXPECT_EQ(ReadFileBytes(out() + "/A.png").substr(1, 3), "PNG");
  EXPECT_THAT(ReadFileBytes(out() + "/A.svg"), HasSubstr("<svg"));
  EXPECT_EQ(ReadFileBytes(out() + "/A.pdf").substr(0, 5), "%PDF-");
  EXPECT_THAT(ReadFileBytes(out() + "/A.pdf"), HasSubstr("/Title <FEFF0041>"));  // the mesh
  EXPECT_TRUE(fs::exists(out() + "/A.wmf"));
}

// A block ring of 40000 points and a block name of 40001 bytes: more than one metafile record
// holds. The metafile leaves each out and says so; the mesh is stored, and the SVG has the fill.
TEST_P(BatchTest, FiguresTooLongForTheMetafileAreLeftOutOfItAlone) {
  std::vector<test_util::MapPoint> ring;
  for (int i = 0; i < 40000; ++i) ring.push_back({100.0 + 50 * (i % 2), 100.0 + i * 0.04});
  ring.push_back(ring.front());
  TestMesh mesh;
  mesh.files()["gaiku/GAIKU.ARC"] = test_util::ArcFile({{"L3101", 1, 1, ring}});
  mesh.files()["gaiku/GAIKU.ATR"] = test_util::NameFile({{"A3101", 1}}, std::string(40000, 'N'));
  AddMesh("A", mesh);
  BatchRequest request = Request({"A"});
  request.formats = {OutputFormat::kWmf, OutputFormat::kSvg};
  BatchResult result = Run(request);
  EXPECT_EQ(result.stored, 1);
  EXPECT_THAT(
      observer_.events,
      ::testing::IsSupersetOf(
          {"message A 塗りつぶし図形の点数 40000 点は WMF の 1 レコードの上限 32767 点を超える"
           "ため、WMF から省きました (a filled figure of 40000 points exceeds the metafile "
           "limit of 32767 points and is left out of the metafile)",
           "message A 文字列の長さ 40001 バイトは WMF の 1 レコードの上限 32767 バイトを超える"
           "ため、WMF から省きました (a text of 40001 bytes exceeds the metafile limit of 32767 "
           "bytes and is left out of the metafile)",
           "stored A"}));
  // The fill is one closed path through the ring's 40000 points (its closing repeat dropped),
  // beside the outline's 40001: two numbers a point.
  std::string svg = ReadFileBytes(out() + "/A.svg");
  std::vector<long> points;  // of each closed path
  for (size_t at = 0; (at = svg.find(" d=\"", at)) != std::string::npos; ++at) {
    std::string d = svg.substr(at + 4, svg.find('"', at + 4) - at - 4);
    if (d.back() != 'z') continue;
    std::string spaced;  // the numbers apart: a sign or a command letter also ends one
    for (char c : d)
      spaced += std::isalpha(static_cast<unsigned char>(c)) ? std::string(" ")
                : c == '-'                                  ? std::string(" -")
                                                            : std::string(1, c);
    std::istringstream numbers(spaced);
    long count = 0;
    for (long n; numbers >> n;) ++count;
    points.push_back(count / 2);
  }
  EXPECT_THAT(points, ::testing::Contains(40000));
}

INSTANTIATE_TEST_SUITE_P(Jobs, BatchTest, ::testing::Values(1, 2, 3));

// Several jobs must give what one job gives: the same files, byte for byte, and the same
// messages, grouped by mesh, in list order.
TEST(BatchParallelTest, SeveralJobsStoreTheSameBytesAndMessagesAsOne) {
  TempFolder dir;
  std::vector<std::string> meshes;
  for (int i = 0; i < 7; ++i) {
    TestMesh mesh;
    if (i % 3 == 1) mesh.Remove("others/others.arc");
    if (i % 2 == 0) {
      // An unknown arc reference: reported, and the conversion goes on.
      mesh.files()["gaiku/GAIKU.PGN"] = test_util::PolygonFile(
          {{"A3101", 1, {1}, {650, 650}}, {"A3101", 2, {90 + i}, {600, 600}}});
    }
    std::string name = "mesh" + std::to_string(i);
    mesh.Write(dir / ("in/" + name));
    meshes.push_back(name);
  }
  settings::LayerStyleTable styles;
  SwitchAllOn(styles);
  picture::FontLibrary fonts;
  std::map<int, std::vector<std::string>> events;
  for (int jobs : {1, 2, 4}) {
    BatchRequest r;
    r.input_folder = dir / "in";
    r.output_folder = dir / ("out" + std::to_string(jobs));
    fs::create_directories(r.output_folder);
    r.meshes = meshes;
    r.jobs = jobs;
    Recording observer;
    RunBatch(r, styles, fonts, observer);
    events[jobs] = observer.events;
  }
  EXPECT_THAT(events[1], ::testing::Contains("message mesh2 ARCID-NOTFOUND=92 @" +
                                             Native("gaiku/GAIKU.PGN") + ":5"));
  EXPECT_EQ(events[2], events[1]);
  EXPECT_EQ(events[4], events[1]);
  for (const std::string& mesh : meshes) {
    std::string one = ReadFileBytes(dir / ("out1/" + mesh + ".wmf"));
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(ReadFileBytes(dir / ("out2/" + mesh + ".wmf")), one) << mesh;
    EXPECT_EQ(ReadFileBytes(dir / ("out4/" + mesh + ".wmf")), one) << mesh;
  }
}

TEST(OutputNamesTest, SeparatorIsAddedOnlyWhenMissing) {
  EXPECT_EQ(JoinFolder("/data/out", "533945"), "/data/out" + Native("/533945"));
  EXPECT_EQ(JoinFolder("/data/out/", "533945"), "/data/out/533945");
  EXPECT_EQ(JoinFolder("/", "533945"), "/533945");
  EXPECT_EQ(ParseOutputFormat("png"), OutputFormat::kPng);
  EXPECT_EQ(ParseOutputFormat("PNG"), std::nullopt);
  EXPECT_EQ(ParseOutputFormat(""), std::nullopt);
}

TEST(MeshFoldersTest, ListsVisibleSubFoldersInCaseBlindNameOrder) {
  TempFolder dir;
  for (const char* name : {"b2", "B1", "a10", "A9", ".hidden", "Zeta", "alpha"}) {
    fs::create_directories(dir / name);
  }
  { std::ofstream(dir / "533945") << "a file, not a mesh"; }
  EXPECT_THAT(ListMeshes(dir.path()), ElementsAre("a10", "A9", "alpha", "B1", "b2", "Zeta"));
  EXPECT_THAT(ListMeshes(dir / "missing"), ::testing::IsEmpty());
  // Names equal but for case keep a fixed order.
  EXPECT_TRUE(MeshNameLess("ABC", "abc"));
  EXPECT_FALSE(MeshNameLess("abc", "ABC"));
}

}  // namespace
}  // namespace sheetwright::conversion
