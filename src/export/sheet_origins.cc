#include "export/sheet_origins.h"

#include <ogr_spatialref.h>

#include <cmath>
#include <system_error>

#include "base/messages.h"
#include "base/numbers.h"
#include "mapdata/record_lines.h"
#include "platform/files.h"

namespace sheetwright::gis {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Splits a line at its commas into at most `max` trimmed fields; false when there are more.
bool SplitCsv(std::string_view line, std::string_view* fields, size_t max, size_t& count) {
  count = 0;
  while (true) {
    if (count == max) return false;
    size_t comma = line.find(',');
    fields[count++] = Trim(line.substr(0, comma));
    if (comma == std::string_view::npos) return true;
    line.remove_prefix(comma + 1);
  }
}

// One sheet line, or nullopt when it does not read as one.
std::optional<std::pair<std::string, Placement>> ParseSheet(std::string_view line) {
  std::string_view f[4];
  size_t n = 0;
  if (!SplitCsv(line, f, 4, n) || n < 3 || f[0].empty()) return std::nullopt;
  auto east = base::TryParseFloat(f[1]);
  auto north = base::TryParseFloat(f[2]);
  if (!east || !north) return std::nullopt;
  Placement p{*east, *north, 0};
  if (n == 4 && !f[3].empty()) {
    auto epsg = base::TryParseInt(f[3]);
    if (!epsg || *epsg <= 0) return std::nullopt;
    p.epsg = *epsg;
  }
  return std::make_pair(std::string(f[0]), p);
}

base::ConversionError Refused(const std::string& message) {
  return base::ConversionError(message, base::FailureKind::kUsage);
}

// The widest a projected CRS reaches from its origin: Web Mercator's half circumference. An origin
// beyond it is a typing error, and one of 1e20 would swallow every metre of the sheet.
constexpr double kMaxOrigin = 20037509;

// Why the placement cannot place a sheet, or empty. Each CRS is looked up once.
std::string PlacementProblem(const Placement& p, std::map<int, std::string>& crs_problems) {
  if (!(std::fabs(p.east) <= kMaxOrigin && std::fabs(p.north) <= kMaxOrigin)) {
    return "origin beyond the 20,037,509 m that a projected CRS reaches";
  }
  if (p.epsg == 0) return {};
  auto [it, added] = crs_problems.try_emplace(p.epsg);
  if (!added) return it->second;
  OGRSpatialReference srs;
  std::string code = "EPSG:" + std::to_string(p.epsg);
  if (srs.importFromEPSG(p.epsg) != OGRERR_NONE) {
    it->second = code + " is not a known CRS";
  } else if (!srs.IsProjected() || srs.GetLinearUnits() != 1.0) {
    // The origins are metres: added to degrees or feet they would scatter the sheets.
    it->second = code + " is not a projected CRS in metres";
  }
  return it->second;
}

}  // namespace

SheetOrigins SheetOrigins::Parse(std::string_view text, const std::string& name) {
  SheetOrigins origins;
  std::map<int, std::string> crs_problems;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a spreadsheet's "CSV UTF-8"
  mapdata::LineCursor cursor(text);
  for (int number = 1; !cursor.AtEnd(); ++number) {
    std::string_view line = Trim(cursor.Next());
    if (line.empty() || line.front() == '#') continue;
    auto where = [&] { return name + ":" + std::to_string(number) + ": "; };
    auto sheet = ParseSheet(line);
    if (!sheet) {
      if (origins.sheets_.empty() && line.substr(0, 4) == "mesh") continue;  // the header
      throw Refused(where() + "not 'mesh,easting,northing[,epsg]'");
    }
    std::string problem = PlacementProblem(sheet->second, crs_problems);
    if (!problem.empty()) throw Refused(where() + problem);
    if (!origins.sheets_.emplace(sheet->first, sheet->second).second) {
      throw Refused(where() + "mesh '" + sheet->first + "' is placed twice");
    }
  }
  if (origins.sheets_.empty()) throw Refused(name + ": places no sheet");
  return origins;
}

SheetOrigins SheetOrigins::Read(const std::string& path) {
  std::string text;
  try {
    text = platform::ReadWholeFile(path);
  } catch (const std::system_error& e) {
    throw base::ConversionError(e.what(), base::FailureKind::kRead);
  }
  return Parse(text, path);
}

std::optional<Placement> SheetOrigins::Find(const std::string& mesh) const {
  auto it = sheets_.find(mesh);
  if (it == sheets_.end()) return std::nullopt;
  return it->second;
}

}  // namespace sheetwright::gis
