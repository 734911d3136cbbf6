#include "meshgen/data_file.h"

#include <charconv>
#include <cmath>

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

}  // namespace

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
  std::string header = Header("ARC", info);
  AppendInt(header, lines_);
  return Assemble(file, std::move(header), body_);
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
  return id;
}

MeshFile PolygonFile::Finish(DataFileMember file, const HeaderInfo& info) const {
  return Assemble(file, OtherHeader("PGN", info, records_), body_);
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
  return Assemble(file, OtherHeader("PNT", info, records_), body_);
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
  return Assemble(file, OtherHeader("ATR", info, records_), body_);
}

}  // namespace sheetwright::meshgen
