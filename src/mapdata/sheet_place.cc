#include "mapdata/sheet_place.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include "base/messages.h"
#include "base/numbers.h"
#include "mapdata/fields.h"
#include "mapdata/map_format.h"
#include "mapdata/mesh_files.h"

namespace sheetwright::mapdata {
namespace {

constexpr int kHeaderFields = 16;
constexpr int kPlaneRectangular = 2;
constexpr double kAgreeMetres = 0.01;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int> ZoneOf(std::string_view text) {
  std::optional<int32_t> zone = base::TryParseInt(text);
  if (!zone || *zone < 1 || *zone > 19) return std::nullopt;
  return *zone;
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string Describe(const SheetPlace& place) {
  char text[96];
  std::snprintf(text, sizeof text, "zone %d, north %.1f, east %.1f", place.zone, place.north,
                place.east);
  return text;
}

bool Agree(const SheetPlace& a, const SheetPlace& b) {
  return (a.zone == 0 || b.zone == 0 || a.zone == b.zone) &&
         std::abs(a.north - b.north) < kAgreeMetres && std::abs(a.east - b.east) < kAgreeMetres;
}

// A place and where it came from, for the messages.
struct Found {
  std::string source;
  SheetPlace place;
};

// The places of the headers of every data file present; a header of another kind throws.
void HeaderPlaces(const std::string& mesh_folder, std::vector<Found>& found) {
  MeshFiles files = FileSet(mesh_folder);
  for (const format::DataFile& file : format::kDataFiles) {
    std::optional<std::string> path = FindDataFile(files.*file.member);
    if (!path) continue;
    try {
      if (auto place = PlaceOfHeader(FirstLine(*path))) found.push_back({*path, *place});
    } catch (const base::ConversionError& e) {
      throw base::ConversionError(*path + ": " + e.what(), base::FailureKind::kData);
    }
  }
}

}  // namespace

std::optional<SheetPlace> PlaceOfSheetCode(std::string_view code) {
  if (code.size() != 7 || !IsDigit(code[0]) || !IsDigit(code[1]) || !IsDigit(code[4]) ||
      !IsDigit(code[5]) || code[6] < '1' || code[6] > '4') {
    return std::nullopt;
  }
  std::optional<int> zone = ZoneOf(code.substr(0, 2));
  int row_letter = code[2] - 'A', column_letter = code[3] - 'A';
  if (!zone || row_letter < 0 || row_letter > 19 || column_letter < 0 || column_letter > 7) {
    return std::nullopt;
  }
  int row = code[4] - '0', column = code[5] - '0', quarter = code[6] - '0';
  SheetPlace place;
  place.zone = *zone;
  place.north = 300000.0 - 30000.0 * (row_letter + 1) + 3000.0 * (9 - row) +
                (quarter <= 2 ? kSheetNorthMetres : 0);
  place.east = -160000.0 + 40000.0 * column_letter + 4000.0 * column +
               (quarter % 2 == 0 ? kSheetEastMetres : 0);
  return place;
}

std::optional<SheetPlace> PlaceOfHeader(std::string_view header_line) {
  std::array<std::string_view, kHeaderFields + 1> fields;
  SplitFields(header_line, fields);
  if (fields[0] != "FH" || fields[kHeaderFields - 1].empty() || !fields[kHeaderFields].empty()) {
    return std::nullopt;
  }
  std::optional<int32_t> kind = base::TryParseInt(fields[5]);
  if (kind != kPlaneRectangular) {
    throw base::ConversionError(
        "coordinate kind '" + std::string(fields[5]) + "' is not 2 (plane rectangular)",
        base::FailureKind::kData);
  }
  std::optional<int> zone = ZoneOf(fields[6]);
  std::optional<double> north = base::TryParseFloat(fields[8]);
  std::optional<double> east = base::TryParseFloat(fields[9]);
  if (!zone || !north || !east) return std::nullopt;
  return SheetPlace{*zone, *north, *east};
}

std::optional<SheetPlace> PlaceOfSheetText(std::string_view text) {
  for (int skip = 0; skip < 6; ++skip) {
    size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    text.remove_prefix(end + 1);
  }
  std::string_view line = text.substr(0, text.find('\n'));
  if (line.ends_with('\r')) line.remove_suffix(1);
  std::array<std::string_view, 6> fields;
  SplitFields(line, fields);
  std::optional<int> zone = ZoneOf(fields[0]);
  std::optional<double> north = base::TryParseFloat(fields[1]);
  std::optional<double> east = base::TryParseFloat(fields[2]);
  if (!zone || !north || !east || fields[4].empty() || !fields[5].empty()) return std::nullopt;
  return SheetPlace{*zone, *north, *east};
}

SheetPlace PlaceSheet(const std::string& mesh_folder, const std::string& mesh,
                      const std::optional<SheetPlace>& fallback, bool origins_offered) {
  std::vector<Found> found;
  HeaderPlaces(mesh_folder, found);
  if (auto text_path = FindDataFile(mesh_folder + "/" + mesh + ".TXT")) {
    std::ifstream in(*text_path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (auto place = PlaceOfSheetText(text)) found.push_back({*text_path, *place});
  }
  if (auto place = PlaceOfSheetCode(mesh)) found.push_back({"the sheet code " + mesh, *place});
  if (fallback) found.push_back({"the sheet origins", *fallback});
  if (found.empty()) {
    throw base::ConversionError(
        mesh + ": nothing places this sheet (no header with its corners, no " + mesh +
            ".TXT, no sheet-code name" + (origins_offered ? ", no line in --sheet-origins)" : ")"),
        base::FailureKind::kUsage);
  }
  for (const Found& other : found) {
    if (!Agree(found.front().place, other.place)) {
      throw base::ConversionError(mesh + ": " + found.front().source + " places the sheet at " +
                                      Describe(found.front().place) + ", but " + other.source +
                                      " at " + Describe(other.place),
                                  base::FailureKind::kUsage);
    }
  }
  SheetPlace place = found.front().place;
  for (const Found& other : found) place.zone = place.zone ? place.zone : other.place.zone;
  return place;
}

std::optional<Datum> ParseDatum(std::string_view name) {
  if (name == "tokyo") return Datum::kTokyo;
  if (name == "jgd2000") return Datum::kJgd2000;
  if (name == "jgd2011") return Datum::kJgd2011;
  return std::nullopt;
}

std::string_view DatumName(Datum datum) {
  switch (datum) {
    case Datum::kTokyo:
      return "Tokyo";
    case Datum::kJgd2000:
      return "JGD2000";
    case Datum::kJgd2011:
      return "JGD2011";
  }
  return "";
}

int EpsgOf(Datum datum, int zone) {
  if (zone < 1 || zone > 19) return 0;
  switch (datum) {
    case Datum::kTokyo:
      return 30160 + zone;
    case Datum::kJgd2000:
      return 2442 + zone;
    case Datum::kJgd2011:
      return 6668 + zone;
  }
  return 0;
}

}  // namespace sheetwright::mapdata
