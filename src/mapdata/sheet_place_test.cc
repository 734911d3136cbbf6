#include "mapdata/sheet_place.h"

#include <gtest/gtest.h>

#include "base/common_test_util.h"
#include "base/messages.h"

namespace sheetwright::mapdata {
namespace {

using test_util::TempFolder;

SheetPlace At(int zone, double north, double east) { return {zone, north, east}; }

TEST(SheetCodeTest, WorkedExampleQuartersAndRangeEdges) {
  EXPECT_EQ(PlaceOfSheetCode("07MD623"), At(7, -81000, -32000));
  EXPECT_EQ(PlaceOfSheetCode("07MD621"), At(7, -79500, -32000));
  EXPECT_EQ(PlaceOfSheetCode("07MD622"), At(7, -79500, -30000));
  EXPECT_EQ(PlaceOfSheetCode("07MD624"), At(7, -81000, -30000));
  // The north-west and south-east corners of the whole grid, zones 1 and 19.
  EXPECT_EQ(PlaceOfSheetCode("01AA001"), At(1, 298500, -160000));
  EXPECT_EQ(PlaceOfSheetCode("19TH994"), At(19, -300000, 158000));
}

TEST(SheetCodeTest, RefusesWhatIsNoCode) {
  for (const char* bad : {"07UD623", "07MI623", "00MD623", "20MD623", "07MD620", "07MD625",
                          "07md623", "07MD62", "07MD6234", "7MD6231", "07M-623", "533945"}) {
    EXPECT_EQ(PlaceOfSheetCode(bad), std::nullopt) << bad;
  }
}

constexpr char kHeader[] =
    "FH,07MD623,GAIKU.ARC,10,2,2,7,1,-81000.0,-32000.0,-79500.0,-30000.0,-79500.0,-32000.0,"
    "-81000.0,-30000.0";

TEST(SheetHeaderTest, ReadsTheOriginAndRefusesOtherCoordinateKinds) {
  EXPECT_EQ(PlaceOfHeader(kHeader), At(7, -81000, -32000));
  EXPECT_EQ(PlaceOfHeader("533945,ARC,20250401,693"), std::nullopt);  // a short header
  std::string geographic = kHeader;
  geographic.replace(geographic.find(",2,7,"), 5, ",1,7,");
  EXPECT_THROW(PlaceOfHeader(geographic), base::ConversionError);
}

TEST(SheetTextTest, ReadsTheSeventhLine) {
  EXPECT_EQ(
      PlaceOfSheetText("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n7,-81000.0,-32000.0,-79500.0,-30000.0\r\n"),
      At(7, -81000, -32000));
  EXPECT_EQ(PlaceOfSheetText("7,-81000.0,-32000.0,-79500.0,-30000.0\n"), std::nullopt);
}

TEST(PlaceSheetTest, HeaderAgainstNameAndTheOtherSources) {
  TempFolder folder;
  // A header that matches its name places it; one that does not fails naming both.
  folder.Write("07MD623/gaiku/GAIKU.ARC", std::string(kHeader) + "\r\n");
  EXPECT_EQ(PlaceSheet(folder / "07MD623", "07MD623", std::nullopt), At(7, -81000, -32000));
  folder.Write("07MD624/gaiku/GAIKU.ARC", std::string(kHeader) + "\r\n");
  try {
    PlaceSheet(folder / "07MD624", "07MD624", std::nullopt);
    FAIL() << "a header and a name that disagree placed the sheet";
  } catch (const base::ConversionError& e) {
    EXPECT_NE(std::string(e.what()).find("GAIKU.ARC"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("sheet code 07MD624"), std::string::npos) << e.what();
  }
  // A plain name: its .TXT, else the origins' line, else nothing.
  folder.Write("town/town.TXT", "1\n2\n3\n4\n5\n6\n9,100.0,200.0,1600.0,2200.0\n");
  EXPECT_EQ(PlaceSheet(folder / "town", "town", std::nullopt), At(9, 100, 200));
  folder.Write("plain/gaiku/GAIKU.ARC", "533945,ARC,20250401,0\r\n");
  EXPECT_EQ(PlaceSheet(folder / "plain", "plain", At(0, 5, 6)), At(0, 5, 6));
  EXPECT_THROW(PlaceSheet(folder / "plain", "plain", std::nullopt), base::ConversionError);
  EXPECT_THROW(PlaceSheet(folder / "town", "town", At(0, 5, 6)), base::ConversionError);
}

TEST(DatumTest, EpsgPerZone) {
  EXPECT_EQ(EpsgOf(*ParseDatum("tokyo"), 9), 30169);
  EXPECT_EQ(EpsgOf(*ParseDatum("jgd2000"), 9), 2451);
  EXPECT_EQ(EpsgOf(*ParseDatum("jgd2011"), 9), 6677);
  EXPECT_EQ(EpsgOf(Datum::kTokyo, 0), 0);
  EXPECT_EQ(ParseDatum("wgs84"), std::nullopt);
}

}  // namespace
}  // namespace sheetwright::mapdata
