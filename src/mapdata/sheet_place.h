// Where a sheet lies on the ground: the zone of the plane rectangular system and the south-west
// corner its coordinate lines are measured from. A sheet carries its place in three ways: the
// header line of its data files (16 fields, "FH" first), the `<SHEET>.TXT` file of its folder,
// and its folder's name when that is a sheet code ("07MD623"). PlaceSheet weighs them; the
// drawing of one sheet never asks (it stays in sheet metres). For a CSV of origins see
// export/sheet_origins.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheetwright::mapdata {

// Every sheet is 2 km east by 1.5 km north: a quarter of a 4 km x 3 km block.
inline constexpr double kSheetEastMetres = 2000;
inline constexpr double kSheetNorthMetres = 1500;

struct SheetPlace {
  int zone = 0;                // 1..19; 0 when the source names none (an origins file)
  double north = 0, east = 0;  // the south-west corner, metres in the zone's system
  bool operator==(const SheetPlace&) const = default;
};

// The south-west corner of a sheet code: two zone digits, a row letter (A = 0, from the north,
// A..T), a column letter (A = 0, from the west, A..H), a row and a column digit (0..9, from the
// north / west) and the quarter (1 NW, 2 NE, 3 SW, 4 SE). nullopt for a text that is no code.
std::optional<SheetPlace> PlaceOfSheetCode(std::string_view code);

// The place a data file's header line gives: the zone in field 7, the lower-left corner in fields
// 9 and 10 (northing, easting). nullopt for a header without those fields (the short headers of
// other suppliers). Throws ConversionError (kData) when field 6, the coordinate kind, is not 2
// (plane rectangular): such a sheet cannot be placed beside others.
std::optional<SheetPlace> PlaceOfHeader(std::string_view header_line);

// The place in the text of a `<SHEET>.TXT` file: its seventh line "zone,north,east,north,east"
// (lower-left, then upper-right). nullopt when that line is missing or malformed.
std::optional<SheetPlace> PlaceOfSheetText(std::string_view text);

// The place of the mesh in `mesh_folder` named `mesh`: from the headers of its data files when
// they carry the fields, else its `<MESH>.TXT`, else its name as a sheet code, else `fallback`
// (a line of an origins file). Every source present must agree with the one chosen (within a
// centimetre). Throws ConversionError (kUsage) naming what was found when nothing places the
// sheet or two sources disagree, and (kData) for a header of another coordinate kind. The message
// of a sheet nothing places names --sheet-origins when `origins_offered`.
SheetPlace PlaceSheet(const std::string& mesh_folder, const std::string& mesh,
                      const std::optional<SheetPlace>& fallback, bool origins_offered = true);

// The geodetic datum of the coordinates; the sheets were published on the Tokyo datum.
enum class Datum { kTokyo, kJgd2000, kJgd2011 };

// "tokyo", "jgd2000", "jgd2011"; nullopt for anything else.
std::optional<Datum> ParseDatum(std::string_view name);
std::string_view DatumName(Datum datum);
// The EPSG code of a zone's plane rectangular system: Tokyo 30160 + zone, JGD2000 2442 + zone,
// JGD2011 6668 + zone; 0 for a zone outside 1..19.
int EpsgOf(Datum datum, int zone);

}  // namespace sheetwright::mapdata
