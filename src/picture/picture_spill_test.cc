#include "picture/picture_spill.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "base/messages.h"
#include "picture/picture_test_util.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::picture {
namespace {

namespace fs = std::filesystem;

// A record's type and every field, for comparing records field by field.
std::vector<int64_t> Fields(const Record& record) {
  std::vector<int64_t> f{static_cast<int64_t>(record.index())};
  auto add = [&](auto... values) { (f.push_back(static_cast<int64_t>(values)), ...); };
  std::visit(Overloaded{
                 [&](const PenRec& r) { add(r.style, r.width, r.color); },
                 [&](const BrushRec& r) { add(r.style, r.color); },
                 [&](const FontRec& r) { add(r.index); },
                 [&](const TextColorRec& r) { add(r.color); },
                 [&](const BkColorRec& r) { add(r.color); },
                 [&](const BkModeRec& r) { add(r.mode); },
                 [&](const PolylineRec& r) { add(r.first, r.count); },
                 [&](const PolygonRec& r) { add(r.first, r.count); },
                 [&](const LineRec& r) { add(r.from.x, r.from.y, r.to.x, r.to.y); },
                 [&](const TextRec& r) { add(r.at.x, r.at.y, r.first, r.length); },
                 [&](const LayerRec& r) { add(r.index); },
             },
             record);
  return f;
}

void ExpectSame(const Picture& a, const Picture& b) {
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  ASSERT_EQ(a.records.size(), b.records.size());
  for (size_t i = 0; i < a.records.size(); ++i) {
    EXPECT_EQ(Fields(a.records[i]), Fields(b.records[i])) << "record " << i;
  }
  EXPECT_EQ(a.points, b.points);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(a.fonts, b.fonts);
  EXPECT_EQ(a.id, b.id);
  EXPECT_EQ(a.label, b.label);
  ASSERT_EQ(a.layers.size(), b.layers.size());
  for (size_t i = 0; i < a.layers.size(); ++i) {
    ASSERT_EQ(a.layers[i] == nullptr, b.layers[i] == nullptr);
    if (a.layers[i]) ExpectSame(*a.layers[i], *b.layers[i]);
  }
}

// A sheet as the conversion makes them, with every kind of record: a layer of labels in two fonts
// nested in a named layer, a layer played twice, a null layer, and one of each style record.
Picture Sheet(int32_t shift) {
  Builder labels(kFrameWidth, kFrameHeight);
  labels.Font(Label(-14, 0x0000FF, kBold, "ＭＳ 明朝"))
      .Text({100 + shift, 200}, "大手町一丁目")
      .Font(Label(-9, kClWindowText))
      .Back(BkMode::kTransparent, 0x00FF00)
      .Text({-5, 14999}, "");
  labels.p.id = "TYOME_NAME";
  labels.p.label = "町丁目名";
  Builder blocks(kFrameWidth, kFrameHeight);
  blocks.Pen(0x123456, 40, PenStyle::kNull)
      .Brush(0xABCDEF, BrushStyle::kDiagCross)
      .Polygon({{0, 0}, {shift, 5}, {-2147483647 - 1, 2147483647}})
      .Layer(labels.p);
  blocks.p.id = "GAIKU";
  blocks.p.label = "街区";
  Builder sheet(kFrameWidth, kFrameHeight);
  sheet.Polyline({{1, 2}, {3, 4}}).Line({5, 6}, {7, 8}).Layer(blocks.p).Add(LayerRec{0});
  sheet.p.layers.push_back(nullptr);
  return sheet.p;
}

class PictureSpillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code error;
    folder_ = platform::MakeTempFolder(fs::temp_directory_path().string() + "/spill", error);
    ASSERT_FALSE(error) << error.message();
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    return names;
  }

  std::string folder_;
};

TEST_F(PictureSpillTest, PicturesComeBackEqualInTheirOrderFromAFileBesideTheDrawing) {
  const std::string drawing = platform::JoinPath(folder_, "town.dxf");
  {
    PictureSpill spill(drawing);
    ASSERT_EQ(Names().size(), 1u);
    EXPECT_EQ(Names()[0].rfind("town.dxf.sheets.tmp", 0), 0u) << Names()[0];
    for (int32_t shift : {0, 7, -3}) spill.Add(Sheet(shift));
    EXPECT_EQ(fs::file_size(spill.path()), spill.size());
    spill.Rewind();
    for (int32_t shift : {0, 7, -3}) {
      SCOPED_TRACE(shift);
      Picture back;
      spill.Next(back);
      ExpectSame(Sheet(shift), back);
    }
    Picture none;
    EXPECT_THROW(spill.Next(none), base::ConversionError);
  }
  EXPECT_TRUE(Names().empty());
}

// The scratch file is cut from outside, which Windows does not share it for.
TEST_F(PictureSpillTest, LinuxOnlyASpillCutShortIsAnErrorNamingIt) {
  for (uintmax_t keep : {0, 5, 8, 100}) {
    SCOPED_TRACE(keep);
    PictureSpill spill(platform::JoinPath(folder_, "town.dxf"));
    spill.Add(Sheet(0));
    spill.Add(Sheet(1));
    fs::resize_file(spill.path(), fs::file_size(spill.path()) - keep - 1);
    spill.Rewind();
    Picture back;
    try {
      spill.Next(back);
      spill.Next(back);
      ADD_FAILURE() << "read whole";
    } catch (const base::ConversionError& e) {
      EXPECT_EQ(e.path(), spill.path());
      EXPECT_EQ(e.kind(), base::FailureKind::kRead);
    }
  }
}

// The reader trusts no byte: every cut, a record of no type, a style out of its range, a count
// beyond the bytes, a layer of no kind, layers nested too deep, bytes left over.
TEST(PictureBytesTest, DamagedBytesAreRefusedNeverRead) {
  std::string whole;
  EncodePicture(Sheet(0), whole);
  Picture back;
  ASSERT_TRUE(DecodePicture(whole, back));
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    EXPECT_FALSE(DecodePicture(std::string_view(whole).substr(0, cut), back)) << cut;
  }
  // Width, height, one record, no points, text, id, label, fonts; then the layers.
  auto picture = [](std::string records, std::string layers = std::string(4, '\0')) {
    std::string count(4, '\0');
    count[0] = static_cast<char>(records.empty() ? 0 : 1);
    return std::string(8, '\0') + count + records + std::string(5 * 4, '\0') + layers;
  };
  ASSERT_TRUE(DecodePicture(picture(std::string(1, '\x05') + '\x01'), back));
  ASSERT_EQ(Fields(back.records.at(0)), (std::vector<int64_t>{5, 1}));
  struct Case {
    const char* what;
    std::string bytes;
  };
  for (const Case& c : {
           Case{"record type", picture(std::string(1, '\x0B'))},
           Case{"pen style", picture(std::string("\x00\x02", 2) + std::string(8, '\0'))},
           Case{"brush style", picture(std::string("\x01\x03", 2) + std::string(4, '\0'))},
           Case{"background mode", picture(std::string("\x05\x00", 2))},
           Case{"record count", std::string(8, '\0') + "\xFF\xFF\xFF\x7F"},
           Case{"layer kind", picture("", std::string("\x01\0\0\0\x02", 5))},
           Case{"bytes left over", whole + '\0'},
       }) {
    EXPECT_FALSE(DecodePicture(c.bytes, back)) << c.what;
  }
  std::string nested = picture("");
  for (int depth = 1; depth <= kMaxSpillDepth + 1; ++depth) {
    nested = picture("", std::string("\x01\0\0\0\x01", 5) + nested);
    EXPECT_EQ(DecodePicture(nested, back), depth <= kMaxSpillDepth) << depth;
  }
}

}  // namespace
}  // namespace sheetwright::picture
