// The layer writers of ExportMesh, one per kind of record, and what they share. Private to
// src/export.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "export/feature_row.h"
#include "export/gis_file.h"
#include "export/gis_layers.h"
#include "export/sheet_origins.h"
#include "mapdata/arc_table.h"
#include "mapdata/mesh_files.h"
#include "mapdata/polygon_arcs.h"
#include "mapdata/record_lines.h"
#include "mapdata/record_tables.h"

namespace sheetwright::gis {

class ExportContext;

// Tells the messages of one mesh's export to `inner` with the place of their subject: the data
// file (relative to the mesh folder, as the drawing names it) and the line that holds it.
class PlacingSink : public base::MessageSink {
 public:
  PlacingSink(const ExportContext& ctx, std::string mesh_folder, base::MessageSink& inner)
      : ctx_(ctx), mesh_folder_(std::move(mesh_folder)), inner_(inner) {}
  void Show(const std::string& text) override { inner_.Show(text); }
  void Report(const base::Message& message) override;
  // Where `at`, an address inside a text read by the export, stands; unknown outside them.
  base::Place Find(const char* at);

 private:
  const ExportContext& ctx_;
  std::string mesh_folder_;
  base::MessageSink& inner_;
  // The offsets of each text's line feeds, made at the first message about that text.
  mapdata::LineFinder lines_;
};

class ExportContext {
 public:
  ExportContext(const std::string& mesh_folder, const std::string& mesh, const Placement& placement,
                GisFile& file, base::MessageSink& sink);

  // The text of one data file of the mesh, read once; null when the file does not exist.
  std::shared_ptr<const mapdata::FileText> Text(std::string mapdata::MeshFiles::*member);
  // The arc table of an arc file, loaded once; empty when the file does not exist.
  const mapdata::ArcTable& Arcs(std::string mapdata::MeshFiles::*member);
  // The row through which the features of kLayers[layer] are written.
  FeatureRow& Row(size_t layer);
  // Inserts every row's features not yet inserted.
  void FlushRows();

  const std::string mesh;  // the mesh's name in UTF-8, as the mesh column holds it
  const Placement placement;
  GisFile& file;
  PlacingSink sink;
  // How polygon references are read (as the drawers read them), reporting to the sink.
  mapdata::ReferenceReader references;

 private:
  friend class PlacingSink;
  mapdata::MeshFiles paths_;
  std::map<std::string, std::shared_ptr<const mapdata::FileText>> texts_;
  std::map<std::string, std::unique_ptr<mapdata::ArcTable>> arcs_;
  std::unique_ptr<FeatureRow> rows_[kLayers.size()];
};

// The name lines of an attribute file joined to the records of `table` by the label drawers'
// lookup (field 2 is the polygon or point ID): for each slot the first line that names it, or
// empty. A line without an ID ("PGNファイルのPID不正=") or with one the table lacks
// ("ATRID-NOTFOUND=") is told to the sink and passed over; the rest of the file is still read.
std::vector<std::string_view> NameLines(ExportContext& ctx, const mapdata::FileText* atr_file,
                                        char letter, const mapdata::PolyTable& table);

void ExportArcs(ExportContext& ctx, size_t layer);
void ExportPolygons(ExportContext& ctx, size_t layer);
void ExportPoints(ExportContext& ctx, size_t layer);

}  // namespace sheetwright::gis
