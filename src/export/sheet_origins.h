// Where each sheet lies in a projected coordinate system, read from a small CSV file, so that the
// features of many sheets (whose coordinates are metres from each sheet's own origin) land side by
// side in a GIS:
//
//   mesh,easting,northing,epsg      <- optional header line
//   533945,-12000.0,-34000.0,6677   <- epsg optional (e.g. 6677: JGD2011 plane rectangular IX)
//   # comment lines and blank lines are skipped
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sheetwright::gis {

// How one sheet's features are placed: added to every coordinate, and the CRS of its layers.
struct Placement {
  double east = 0, north = 0;
  int epsg = 0;  // 0: no CRS (the sheet-local metres as they are)
};

class SheetOrigins {
 public:
  // Parses the file's text (a UTF-8 byte order mark skipped); `name` only for messages. Throws
  // ConversionError("NAME:LINE: ...", kUsage) for a line that is not
  // "mesh,easting,northing[,epsg]", an origin no projected CRS reaches, an EPSG code that is not
  // a known projected CRS in metres, a mesh named twice, or no sheet at all.
  static SheetOrigins Parse(std::string_view text, const std::string& name);
  // Reads and parses a file; ConversionError (kRead) when it cannot be read.
  static SheetOrigins Read(const std::string& path);

  // The placement of a mesh, or nullopt when the file does not name it.
  std::optional<Placement> Find(const std::string& mesh) const;
  size_t size() const { return sheets_.size(); }

 private:
  std::map<std::string, Placement, std::less<>> sheets_;
};

}  // namespace sheetwright::gis
