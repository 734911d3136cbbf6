#include "output/wmf/wmf_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/messages.h"
#include "drawers/drawer_test_util.h"
#include "output/wmf/wmf_format.h"
#include "output/wmf/wmf_reader_test_util.h"
#include "picture/recorder.h"

namespace sheetwright::output {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using wmftest::ParseWmf;
using wmftest::RawRecord;
using wmftest::WmfFile;

constexpr size_t kPrologue = 4;  // SETMAPMODE, SETWINDOWORG, SETWINDOWEXT, SETPOLYFILLMODE

WmfFile Encode(const picture::Picture& picture) {
  return ParseWmf(EncodeWmf(picture, NominalSize{}));
}

// The records after the fixed prologue.
std::vector<RawRecord> Body(const WmfFile& f) {
  return std::vector<RawRecord>(f.records.begin() + kPrologue, f.records.end());
}

// "function(first parameter)" for the records that create, select, delete, save and restore, so
// that object bookkeeping reads as one line.
std::string ObjectTrace(const WmfFile& f) {
  std::string out;
  for (const RawRecord& r : Body(f)) {
    switch (r.function) {
      case wmf::kCreatePenIndirect:
        out += "pen ";
        break;
      case wmf::kCreateBrushIndirect:
        out += "brush ";
        break;
      case wmf::kCreateFontIndirect:
        out += "font ";
        break;
      case wmf::kSelectObject:
        out += "sel" + std::to_string(r.U16(0)) + " ";
        break;
      case wmf::kDeleteObject:
        out += "del" + std::to_string(r.U16(0)) + " ";
        break;
      case wmf::kSaveDc:
        out += "save ";
        break;
      case wmf::kRestoreDc:
        out += "restore ";
        break;
      case wmf::kPolyline:
        out += "polyline ";
        break;
      default:
        break;
    }
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<picture::Point> Squiggle(size_t n) {
  std::vector<picture::Point> points(n);
  for (size_t i = 0; i < n; ++i) {
    points[i] =
        picture::Point{static_cast<int32_t>(i % 20000), static_cast<int32_t>(i / 20000 + i % 7)};
  }
  return points;
}

TEST(WmfWriterTest, HeaderAndPrologueBytesFor400x300) {
  std::string bytes = EncodeWmf(picture::Picture{}, NominalSize{400, 300});
  const unsigned char expected[] = {
      0xD7, 0xCD, 0xC6, 0x9A,  // key
      0x00, 0x00,              // handle
      0x00, 0x00, 0x00, 0x00,  // left, top
      0x90, 0x01, 0x2C, 0x01,  // right 400, bottom 300
      0x60, 0x00,              // 96 units per inch
      0x00, 0x00, 0x00, 0x00,  // reserved
      0xCD, 0x57,              // checksum: XOR of the ten words before it
      // metafile header: memory metafile, 9 words, version 3.0
      0x01, 0x00, 0x09, 0x00, 0x00, 0x03,
      // size 9 + 4 + 5 + 5 + 4 + 3 = 30 words, no objects, largest record 5 words, 0
      0x1E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00,
      0x00, 0x03, 0x01, 0x08, 0x00,                                // SETMAPMODE anisotropic
      0x05, 0x00, 0x00, 0x00, 0x0B, 0x02, 0x00, 0x00, 0x00, 0x00,  // SETWINDOWORG 0, 0
      0x05, 0x00, 0x00, 0x00, 0x0C, 0x02, 0x98, 0x3A, 0x20, 0x4E,  // SETWINDOWEXT 15000, 20000
      0x04, 0x00, 0x00, 0x00, 0x06, 0x01, 0x01, 0x00,              // SETPOLYFILLMODE alternate
      0x03, 0x00, 0x00, 0x00, 0x00, 0x00,                          // META_EOF
  };
  EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
}

TEST(WmfWriterTest, BoundingBoxFollowsTheNominalSizeOnly) {
  struct Case {
    NominalSize size;
    int16_t right, bottom;
  } cases[] = {
      {{400, 300}, 400, 300},     {{1, 1}, 1, 1}, {{0, 0}, 0, 0}, {{1234, 987}, 1234, 987},
      {{40000, 300}, 32767, 300},  // clamped, never wrapped to a negative width
  };
  for (const Case& c : cases) {
    picture::Picture picture;
    WmfFile f = ParseWmf(EncodeWmf(picture, c.size));
    EXPECT_EQ(f.placeable.right, c.right) << c.size.width;
    EXPECT_EQ(f.placeable.bottom, c.bottom) << c.size.height;
    EXPECT_EQ(f.placeable.units_per_inch, 96);
    // The drawing keeps its frame whatever the nominal size.
    EXPECT_EQ(wmftest::DecodeYx(f.records[2]), (picture::Point{20000, 15000}));
  }
}

TEST(WmfWriterTest, WindowExtentIsNeverZero) {
  picture::Picture degenerate;
  degenerate.width = 0;
  degenerate.height = -5;
  WmfFile f = Encode(degenerate);
  EXPECT_EQ(wmftest::DecodeYx(f.records[2]),
            (picture::Point{1, 1}));  // readers divide by the extent
}

TEST(WmfWriterTest, RecordsOutsideTheirBuffersAreLeftOut) {
  picture::Picture damaged;
  picture::Recorder rec(damaged);
  rec.Polyline(std::vector<picture::Point>{{1, 1}, {2, 2}, {3, 3}});
  rec.Text({0, 0}, "ok");
  damaged.records.push_back(picture::PolylineRec{2, 5});
  damaged.records.push_back(picture::PolygonRec{UINT32_MAX, 3});
  damaged.records.push_back(picture::TextRec{{0, 0}, 1, UINT32_MAX});
  wmftest::Playback play = wmftest::Play(Encode(damaged));
  ASSERT_EQ(play.ops.size(), 2u);
  EXPECT_EQ(play.ops[0].points.size(), 3u);
  EXPECT_EQ(play.ops[1].text.bytes, "ok");
}

TEST(WmfWriterTest, EveryRecordKindReadsBack) {
  picture::Picture sheet;
  picture::Recorder rec(sheet);
  rec.SetPen(picture::PenStyle::kSolid, 25, 0x00336699);
  rec.SetBrush(picture::BrushStyle::kSolid, 0x80000005);  // system colour: window, white
  rec.Line({20000, 14950}, {20000, 15000});
  rec.Polygon(std::vector<picture::Point>{{10, 10}, {100, 10}, {100, 100}});
  auto layer = std::make_shared<picture::Picture>();
  {
    picture::Recorder inner(*layer);
    inner.SetBrush(picture::BrushStyle::kDiagCross, 0x000000FF);
    picture::LabelFont font;
    font.height = -16;
    font.style = picture::kBold | picture::kUnderline;
    font.color = 0x0000FF00;
    inner.SetFont(font);
    inner.Text({500, 600}, "Tokyo");
    inner.SetPen(picture::PenStyle::kNull, 1, 0);
    inner.Polyline(std::vector<picture::Point>{{0, 0}, {5, 5}, {9, 1}});
  }
  rec.Layer(layer);
  WmfFile f = Encode(sheet);
  wmftest::Playback play = wmftest::Play(f);
  EXPECT_THAT(play.faults, ElementsAre());
  EXPECT_EQ(f.header.objects, play.highest_slot + 1);
  ASSERT_EQ(play.ops.size(), 4u);

  const wmftest::DrawOp& line = play.ops[0];
  EXPECT_EQ(line.function, wmf::kLineTo);
  EXPECT_THAT(line.points, ElementsAre(picture::Point{20000, 14950}, picture::Point{20000, 15000}));
  EXPECT_EQ(line.state.pen, (wmftest::Pen{wmf::kPsSolid, 25, 0x00336699}));

  const wmftest::DrawOp& fill = play.ops[1];
  EXPECT_EQ(fill.function, wmf::kPolygon);
  EXPECT_THAT(fill.points, ElementsAre(picture::Point{10, 10}, picture::Point{100, 10},
                                       picture::Point{100, 100}));
  EXPECT_EQ(fill.state.brush, (wmftest::Brush{wmf::kBsSolid, 0xFFFFFF, 0}));
  EXPECT_EQ(fill.state.bk_mode, wmf::kOpaque);
  EXPECT_EQ(fill.state.bk_color, 0xFFFFFFu);
  EXPECT_EQ(fill.state.fill_mode, wmf::kAlternate);
  EXPECT_EQ(fill.depth, 0);

  const wmftest::DrawOp& text = play.ops[2];
  EXPECT_EQ(text.function, wmf::kExtTextOut);
  EXPECT_EQ(text.depth, 1);
  EXPECT_EQ(text.text.bytes, "Tokyo");
  EXPECT_EQ(text.text.at, (picture::Point{500, 600}));
  EXPECT_EQ(text.text.options, 0);
  EXPECT_EQ(text.state.text_color, 0x0000FF00u);
  EXPECT_EQ(text.state.bk_mode, wmf::kTransparent);
  EXPECT_EQ(text.state.brush, (wmftest::Brush{wmf::kBsHatched, 0x0000FF, wmf::kHsDiagCross}));
  ASSERT_TRUE(text.state.font.has_value());
  EXPECT_EQ(text.state.font->height, -16);
  EXPECT_EQ(text.state.font->weight, wmf::kFwBold);
  EXPECT_EQ(text.state.font->underline, 1);
  EXPECT_EQ(text.state.font->italic, 0);
  EXPECT_EQ(text.state.font->charset, 128);

  const wmftest::DrawOp& polyline = play.ops[3];
  EXPECT_EQ(polyline.function, wmf::kPolyline);
  EXPECT_THAT(polyline.points,
              ElementsAre(picture::Point{0, 0}, picture::Point{5, 5}, picture::Point{9, 1}));
  EXPECT_EQ(polyline.state.pen, (wmftest::Pen{wmf::kPsNull, 1, 0}));
}

TEST(WmfWriterTest, ObjectsTakeTheLowestFreeSlotAndDieOnlyWhenDeselected) {
  picture::Picture sheet;
  picture::Recorder rec(sheet);
  rec.SetPen(picture::PenStyle::kSolid, 1, 0);   // slot 0
  rec.SetBrush(picture::BrushStyle::kSolid, 0);  // slot 1
  rec.SetPen(picture::PenStyle::kSolid, 2, 0);   // slot 2 (0 still selected), then 0 goes
  rec.SetPen(picture::PenStyle::kSolid, 3, 0);   // slot 0 again, then 2 goes
  auto layer = std::make_shared<picture::Picture>();
  picture::Recorder(*layer).SetPen(picture::PenStyle::kSolid, 4,
                                   0);  // slot 2; the outer pen 0 is only saved
  picture::Recorder(*layer).Polyline(std::vector<picture::Point>{{0, 0}, {1, 1}});
  rec.Layer(layer);  // after RESTOREDC pen 0 is back and 2 can go
  rec.Polyline(std::vector<picture::Point>{{0, 0}, {1, 1}});
  WmfFile f = Encode(sheet);
  EXPECT_EQ(ObjectTrace(f),
            "pen sel0 brush sel1 pen sel2 del0 pen sel0 del2 save pen sel2 polyline restore del2 "
            "polyline");
  EXPECT_EQ(f.header.objects, 3);
  wmftest::Playback play = wmftest::Play(f);
  EXPECT_THAT(play.faults, ElementsAre());
  ASSERT_EQ(play.ops.size(), 2u);
  EXPECT_EQ(play.ops[0].state.pen->width, 4);
  EXPECT_EQ(play.ops[1].state.pen->width, 3);  // the outer pen survived the layer
}

TEST(WmfWriterTest, NestedLayersKeepEveryObjectUntilItsLevelEnds) {
  // Three levels, each replacing all three objects; the reader checks no object is deleted while
  // any level still holds it and none leaks.
  std::shared_ptr<picture::Picture> level;
  for (int depth = 3; depth >= 0; --depth) {
    auto picture = std::make_shared<picture::Picture>();
    picture::Recorder rec(*picture);
    rec.SetPen(picture::PenStyle::kSolid, depth + 1, 0);
    rec.SetBrush(depth % 2 ? picture::BrushStyle::kDiagCross : picture::BrushStyle::kSolid, 0);
    rec.SetFont(picture::LabelFont{});
    rec.Polygon(std::vector<picture::Point>{{0, 0}, {9, 0}, {9, 9}});
    if (level) rec.Layer(level);
    rec.SetPen(picture::PenStyle::kSolid, 50 + depth,
               0);  // replaced after the nested level returned
    rec.Text({depth, depth}, "x");
    level = picture;
  }
  WmfFile f = Encode(*level);
  wmftest::Playback play = wmftest::Play(f);
  EXPECT_THAT(play.faults, ElementsAre());
  EXPECT_EQ(play.max_depth, 3);
  EXPECT_EQ(f.header.objects, play.highest_slot + 1);
  // Every level sees its own pen after the deeper levels returned.
  std::vector<int> text_pens;
  for (const auto& op : play.ops) {
    if (op.function == wmf::kExtTextOut) text_pens.push_back(op.state.pen->width);
  }
  EXPECT_THAT(text_pens, ElementsAre(53, 52, 51, 50));
}

TEST(WmfWriterTest, CoordinatesAndSizesAreClampedNotWrapped) {
  picture::Picture sheet;
  picture::Recorder rec(sheet);
  rec.SetPen(picture::PenStyle::kSolid, 70000, 0);
  picture::LabelFont font;
  font.height = -40000;
  rec.SetFont(font);
  rec.Polyline(
      std::vector<picture::Point>{{40000, -40000}, {INT32_MIN, INT32_MAX}, {32767, -32768}});
  rec.Line({65536, 10}, {-65537, 20});
  rec.Text({100000, -100000}, "a");
  wmftest::Playback play = wmftest::Play(Encode(sheet));
  ASSERT_EQ(play.ops.size(), 3u);
  EXPECT_THAT(play.ops[0].points,
              ElementsAre(picture::Point{32767, -32768}, picture::Point{-32768, 32767},
                          picture::Point{32767, -32768}));
  EXPECT_THAT(play.ops[1].points,
              ElementsAre(picture::Point{32767, 10}, picture::Point{-32768, 20}));
  EXPECT_EQ(play.ops[2].text.at, (picture::Point{32767, -32768}));
  EXPECT_EQ(play.ops[2].state.pen->width, 32767);
  EXPECT_EQ(play.ops[2].state.font->height, -32768);
}

TEST(WmfWriterTest, LongPolylinesAreSplitIntoRecordsSharingEndPoints) {
  struct Case {
    size_t points;
    std::vector<size_t> record_sizes;
  } cases[] = {
      {0, {}},
      {1, {}},
      {2, {2}},
      {16000, {16000}},
      {16001, {16000, 2}},
      {40000, {16000, 16000, 8002}},
  };
  for (const Case& c : cases) {
    picture::Picture sheet;
    std::vector<picture::Point> points = Squiggle(c.points);
    picture::Recorder(sheet).Polyline(points);
    wmftest::Playback play = wmftest::Play(Encode(sheet));
    std::vector<size_t> sizes;
    std::vector<picture::Point> joined;
    for (const auto& op : play.ops) {
      sizes.push_back(op.points.size());
      if (!joined.empty()) {
        EXPECT_EQ(joined.back(), op.points.front()) << "records must share their end points";
        joined.pop_back();
      }
      joined.insert(joined.end(), op.points.begin(), op.points.end());
    }
    EXPECT_EQ(sizes, c.record_sizes) << c.points;
    if (c.points >= 2) {
      EXPECT_EQ(joined, points) << c.points;
    }
  }
}

// A fill or text that one record cannot hold is left out whole and said; what is around it stays.
TEST(WmfWriterTest, FiguresTooLongForOneRecordAreLeftOutAndTold) {
  picture::Picture sheet;
  picture::Recorder rec(sheet);
  rec.Polygon(Squiggle(wmf::kMaxPolygonPoints));
  rec.Polygon(Squiggle(wmf::kMaxPolygonPoints + 1));
  rec.Text({1, 2}, std::string(wmf::kMaxTextBytes, 'x'));
  rec.Text({3, 4}, std::string(wmf::kMaxTextBytes + 1, 'y'));
  rec.Polygon(std::vector<picture::Point>{{0, 0}, {5, 0}, {5, 5}});
  test_util::CollectingSink sink;
  wmftest::Playback play = wmftest::Play(ParseWmf(EncodeWmf(sheet, NominalSize{}, sink)));
  EXPECT_TRUE(play.faults.empty());
  ASSERT_EQ(play.ops.size(), 3u);
  EXPECT_EQ(play.ops[0].points, Squiggle(wmf::kMaxPolygonPoints));
  EXPECT_EQ(play.ops[1].text.bytes, std::string(wmf::kMaxTextBytes, 'x'));
  EXPECT_EQ(play.ops[2].points, (std::vector<picture::Point>{{0, 0}, {5, 0}, {5, 5}}));
  EXPECT_THAT(sink.messages,
              ElementsAre(HasSubstr("32768 points exceeds the metafile limit of 32767 points"),
                          HasSubstr("32768 bytes exceeds the metafile limit of 32767 bytes")));

  // Fewer than three points enclose nothing and are left out.
  picture::Picture thin;
  picture::Recorder(thin).Polygon(std::vector<picture::Point>{{0, 0}, {5, 5}});
  EXPECT_EQ(Encode(thin).Count(wmf::kPolygon), 0u);
}

TEST(WmfWriterTest, TextBytesPassThroughUnchanged) {
  const std::string texts[] = {
      "abc",                           // odd length: padded to a word
      "ab",                            // even length
      "\x93\x8c\x8b\x9e",              // 東京 in Shift_JIS
      "\x95\x5c\x8e\xa6",              // 表示: a trail byte that reads as '\'
      std::string("a\0b", 3),          // a NUL inside
      "\x82\xa0\x82\xa2\x82\xa4\x41",  // あいう + 'A': odd length with double-byte chars
  };
  for (const std::string& t : texts) {
    picture::Picture sheet;
    picture::Recorder(sheet).Text({7, 9}, t);
    WmfFile f = Encode(sheet);
    std::vector<RawRecord> body = Body(f);
    ASSERT_EQ(body.size(), 1u);
    EXPECT_EQ(body[0].function, wmf::kExtTextOut);
    EXPECT_EQ(body[0].size_words, 3 + 4 + (t.size() + 1) / 2);
    wmftest::Text decoded = wmftest::DecodeText(body[0]);
    EXPECT_EQ(decoded.bytes, t);
    EXPECT_EQ(decoded.at, (picture::Point{7, 9}));
  }
  picture::Picture empty;
  picture::Recorder(empty).Text({0, 0}, "");
  EXPECT_EQ(Encode(empty).Count(wmf::kExtTextOut), 0u);
}

TEST(WmfWriterTest, FontRecordFields) {
  struct Case {
    picture::LabelFont font;
    std::string face_bytes;
    uint16_t weight;
    uint8_t italic, underline, strike_out, pitch_and_family;
  };
  auto font = [](std::string face, uint8_t style, uint8_t pitch, uint8_t charset) {
    picture::LabelFont f;
    f.face_name = std::move(face);
    f.style = style;
    f.pitch = pitch;
    f.charset = charset;
    return f;
  };
  const Case cases[] = {
      // A Shift_JIS face name goes into the record in CP932 ("ＭＳ Ｐゴシック" but one letter),
      {font("ＭＳ Ｐゴシッコ", 0, 0, 128),
       "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x52", 400, 0, 0, 0, 0},
      // but the common Japanese faces go by their English family names.
      {font("ＭＳ Ｐゴシック", 0, 0, 128), "MS PGothic", 400, 0, 0, 0, 0},
      {font("ＭＳ 明朝", picture::kBold, 0, 128), "MS Mincho", 700, 0, 0, 0, 0},
      {font("メイリオ", 0, 1, 128), "Meiryo", 400, 0, 0, 0, 2},
      {font("Arial", picture::kBold | picture::kItalic | picture::kStrikeOut, 1, 0), "Arial", 700,
       1, 0, 1, 2},                                                                      // variable
      {font("Courier New", picture::kUnderline, 2, 0), "Courier New", 400, 0, 1, 0, 1},  // fixed
      // 16 double-byte characters need 32 bytes; 15 fit before the NUL, never half a character.
      {font("ああああああああああああああああ", 0, 0, 128), Repeat("\x82\xa0", 15), 400, 0, 0, 0,
       0},
      // Other sets keep the bytes as given, cut at a character boundary too.
      {font(std::string(30, 'a') + "é", 0, 0, 0), std::string(30, 'a'), 400, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    picture::Picture sheet;
    picture::Recorder(sheet).SetFont(c.font);
    std::vector<RawRecord> body = Body(Encode(sheet));
    ASSERT_EQ(body[0].function, wmf::kCreateFontIndirect);
    EXPECT_EQ(body[0].size_words, wmf::kFontWords);
    wmftest::Font f = wmftest::DecodeFont(body[0]);
    EXPECT_EQ(f.face_name, c.face_bytes) << c.font.face_name;
    EXPECT_EQ(f.height, c.font.height);
    EXPECT_EQ(f.weight, c.weight);
    EXPECT_EQ(f.italic, c.italic);
    EXPECT_EQ(f.underline, c.underline);
    EXPECT_EQ(f.strike_out, c.strike_out);
    EXPECT_EQ(f.charset, c.font.charset);
    EXPECT_EQ(f.pitch_and_family, c.pitch_and_family);
    EXPECT_EQ(f.escapement, 0);
    EXPECT_EQ(f.width, 0);
  }
}

TEST(WmfWriterTest, ColoursAreResolvedIntoColorRefs) {
  struct Case {
    picture::ColorValue value;
    uint32_t colorref;
  } cases[] = {
      {0x00336699, 0x00336699},  // plain: already 0x00BBGGRR
      {picture::kClWindowText, 0x000000},
      {0x80000005, 0xFFFFFF},  // window
      {0x8000000F, 0xC0C0C0},  // button face
      {0x80000001, 0x808000},  // desktop: teal, red 0 green 128 blue 128
      {0x800000FF, 0x000000},  // no such system colour
      {picture::kClNone, 0xFFFFFF},
      {picture::kClDefault, 0x000000},
  };
  for (const Case& c : cases) {
    picture::Picture sheet;
    picture::Recorder rec(sheet);
    rec.SetPen(picture::PenStyle::kSolid, 1, c.value);
    rec.SetBrush(picture::BrushStyle::kSolid, c.value);
    std::vector<RawRecord> body = Body(Encode(sheet));
    EXPECT_EQ(wmftest::DecodePen(body[0]).color, c.colorref) << std::hex << c.value;
    EXPECT_EQ(wmftest::DecodeBrush(body[2]).color, c.colorref) << std::hex << c.value;
  }
}

TEST(WmfWriterTest, StoreWritesTheEncodedBytes) {
  auto dir = std::filesystem::temp_directory_path() / ("wmf_store_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  picture::Picture sheet;
  picture::Recorder(sheet).Polyline(std::vector<picture::Point>{{0, 0}, {20000, 15000}});
  std::string path = (dir / "out.wmf").string();
  StoreWmf(sheet, NominalSize{}, path);
  std::stringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();   // closed at once: Windows removes
  EXPECT_EQ(content.str(), EncodeWmf(sheet, NominalSize{}));  // no file that is open
  EXPECT_THROW(StoreWmf(sheet, NominalSize{}, (dir / "missing" / "out.wmf").string()),
               base::ConversionError);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace sheetwright::output
