#include "meshgen/data_file.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <utility>

#include "mapdata/sheet_place.h"

namespace sheetwright::meshgen {
namespace {

// The data's release date, as in a real header; fixed so the output depends on the options only.
constexpr std::string_view kDate = "20250401";

void AppendInt(std::string& out, int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendTenths(std::string& out, int64_t tenths) {
  if (tenths < 0) {
    out += '-';
    tenths = -tenths;
  }
  AppendInt(out, tenths / 10);
  out += '.';
  out += static_cast<char>('0' + tenths % 10);
}

struct Rounded {
  int64_t x;
  int64_t y;
  bool operator==(const Rounded&) const = default;
};

Rounded Round(Point p) { return {std::llround(p.x), std::llround(p.y)}; }

void AppendCoordinates(std::string& out, Rounded p) {
  AppendTenths(out, p.y);  // northing first
  out += ',';
  AppendTenths(out, p.x);
  out += "\r\n";
}

MeshFile Assemble(DataFileMember member, std::string header, const std::string& body) {
  MeshFile file{mapdata::format::DataFileOf(member).RelativePath(), std::move(header)};
  file.bytes += "\r\n";
  file.bytes += body;
  return file;
}

// Headers begin with the mesh code: the drawers read line 1 like any other line and select records
// by their first characters, so a header must never begin with a record letter (A, L, P).
std::string Header(std::string_view kind, const HeaderInfo& info) {
  std::string header = info.mesh_code;
  header += ',';
  header += kind;
  header += ',';
  header += kDate;
  header += ',';
  return header;
}

std::string OtherHeader(std::string_view kind, const HeaderInfo& info, int64_t count) {
  std::string header = Header(kind, info);
  header += info.theme;
  header += ',';
  AppendInt(header, count);
  return header;
}

// A real sheet's header: FH, sheet, file name, lines after the header, elements, coordinate kind
// 2 (plane rectangular), zone, digitising class, then the corners as northing, easting pairs:
// lower-left (the origin of the coordinate lines), upper-right, upper-left, lower-right.
std::string SheetHeader(DataFileMember member, const HeaderInfo& info, int64_t lines,
                        int64_t elements) {
  std::optional<mapdata::SheetPlace> place = mapdata::PlaceOfSheetCode(info.sheet_code);
  if (!place) throw std::invalid_argument("not a sheet code: " + info.sheet_code);
  std::string header = "FH," + info.sheet_code + ',';
  header += mapdata::format::DataFileOf(member).name;
  header += ',';
  AppendInt(header, lines);
  header += ',';
  AppendInt(header, elements);
  header += ",2,";
  AppendInt(header, place->zone);
  header += ",1";
  int64_t n0 = std::llround(place->north * 10), e0 = std::llround(place->east * 10);
  int64_t n1 = n0 + std::llround(mapdata::kSheetNorthMetres * 10);
  int64_t e1 = e0 + std::llround(mapdata::kSheetEastMetres * 10);
  for (auto [n, e] : {std::pair{n0, e0}, {n1, e1}, {n1, e0}, {n0, e1}}) {
    header += ',';
    AppendTenths(header, n);
    header += ',';
    AppendTenths(header, e);
  }
  return header;
}

// The header of a file: the real sheet's when a sheet code is given, else the short one whose
// count is `lines` for an arc file and `elements` for the others.
std::string FileHeader(std::string_view kind, DataFileMember member, const HeaderInfo& info,
                       int64_t lines, int64_t elements) {
  if (!info.sheet_code.empty()) return SheetHeader(member, info, lines, elements);
  if (kind != "ARC") return OtherHeader(kind, info, elements);
  std::string header = Header(kind, info);
  AppendInt(header, lines);
  return header;
}

}  // namespace

MeshFile SheetText(const std::string& sheet_code) {
  std::optional<mapdata::SheetPlace> place = mapdata::PlaceOfSheetCode(sheet_code);
  if (!place) throw std::invalid_argument("not a sheet code: " + sheet_code);
  std::string text = sheet_code + "\r\n";
  for (std::string_view line : {"SHEETWRIGHT MESHGEN", "1/2500", "20250401", "1", "2"}) {
    text.append(line).append("\r\n");
  }
  AppendInt(text, place->zone);
  for (double metres : {place->north, place->east, place->north + mapdata::kSheetNorthMetres,
                        place->east + mapdata::kSheetEastMetres}) {
    text += ',';
    AppendTenths(text, std::llround(metres * 10));
  }
  text += "\r\n";
  return {sheet_code + ".TXT", std::move(text)};
}

int ArcFile::Add(std::string_view code, int line_type, const std::vector<Point>& points) {
  std::vector<Rounded> rounded;
  rounded.reserve(points.size());
  for (Point p : points) {
    Rounded r = Round(p);
    if (rounded.empty() || !(r == rounded.back())) rounded.push_back(r);
  }
  if (rounded.size() == 1) rounded.push_back(rounded.front());  // an arc has two ends

  int id = next_id_++;
  body_ += code;
  body_ += ',';
  AppendInt(body_, line_type);
  body_ += ',';
  AppendInt(body_, id);
  body_ += ',';
  AppendInt(body_, static_cast<int64_t>(rounded.size()));
  body_ += "\r\n";
  for (Rounded r : rounded) AppendCoordinates(body_, r);
  lines_ += 1 + static_cast<int64_t>(rounded.size());
  return id;
}

MeshFile ArcFile::Finish(DataFileMember file, const HeaderInfo& info) const {
  return Assemble(file, FileHeader("ARC", file, info, lines_, arc_count()), body_);
}

int PolygonFile::Add(std::string_view code, const std::vector<int>& arc_refs, Point label) {
  int id = next_id_++;
  body_ += code;
  body_ += ',';
  AppendInt(body_, id);
  body_ += ',';
  AppendInt(body_, static_cast<int64_t>(arc_refs.size()));
  body_ += ',';
  Rounded r = Round(label);
  AppendTenths(body_, r.y);
  body_ += ',';
  AppendTenths(body_, r.x);
  body_ += "\r\n";
  for (int ref : arc_refs) {
    AppendInt(body_, ref);
    body_ += "\r\n";
  }
  ++records_;
  lines_ += 1 + static_cast<int64_t>(arc_refs.size());
  return id;
}

MeshFile PolygonFile::Finish(DataFileMember file, const HeaderInfo& info) const {
  return Assemble(file, FileHeader("PGN", file, info, lines_, records_), body_);
}

int PointFile::Add(std::string_view code, Point at) {
  int id = next_id_++;
  body_ += code;
  body_ += ',';
  AppendInt(body_, id);
  body_ += ',';
  Rounded r = Round(at);
  AppendTenths(body_, r.y);
  body_ += ',';
  AppendTenths(body_, r.x);
  body_ += "\r\n";
  ++records_;
  return id;
}

MeshFile PointFile::Finish(DataFileMember file, const HeaderInfo& info) const {
  return Assemble(file, FileHeader("PNT", file, info, records_, records_), body_);
}

void AttributeFile::Add(std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) body_ += ',';
    body_ += field;
    first = false;
  }
  body_ += "\r\n";
  ++records_;
}

MeshFile AttributeFile::Finish(DataFileMember file, const HeaderInfo& info) const {
  return Assemble(file, FileHeader("ATR", file, info, records_, records_), body_);
}

}  // namespace sheetwright::meshgen
