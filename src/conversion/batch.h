// The batch: every requested mesh of an input folder converted and stored in the output folder as
// MESH.wmf (and, when asked, MESH.svg / .png / .pdf), in list order, with a status text counting
// the meshes. Used by the desktop program's "変換実行" and by sheetwright-convert.
//
// Each file replaces an older one of its name atomically, so a failed conversion or store leaves
// the old file whole. A mesh whose folder is gone (or cannot be listed) when its turn comes fails;
// nothing is stored for it. A failure ends the batch (files stored for earlier meshes remain)
// unless keep_going is set. With several jobs the meshes are converted and encoded on worker
// threads, but messages, stores and status texts still come in list order on the calling thread,
// and the files are byte for byte those of a single job.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "conversion/output_files.h"
#include "conversion/print_map.h"
#include "export/gpkg_store.h"
#include "picture/font_library.h"
#include "picture/picture.h"
#include "settings/layer_styles.h"

namespace sheetwright::conversion {

struct BatchRequest {
  std::string input_folder;         // a mesh's folder is input_folder + "/" + mesh (see JoinFolder)
  std::string output_folder;        // a mesh's file is output_folder + "/" + mesh + extension
  std::vector<std::string> meshes;  // in list order
  std::vector<OutputFormat> formats{OutputFormat::kWmf};  // may be empty when `gis` asks for data
  gis::GisRequest gis;  // the map data as GeoPackage: MESH.gpkg, or every mesh into one file
  OutputSizes sizes;
  // --scale: the PDF and SVG printed at that scale on their pages instead of the 800 x 600 pt
  // page (an SVG of several pages as MESH-1.svg, MESH-2.svg, ...).
  std::optional<PrintOptions> print;
  int jobs = 1;             // meshes converted at once; values below 1 count as 1
  bool keep_going = false;  // go on with the next mesh after a failure
  // Only with one job: stepped during each conversion (may throw ConversionCancelled, which then
  // leaves RunBatch).
  base::ProgressHook* progress = nullptr;
  // Only with one job: asked at each mesh's turn, on the batch's thread, whether meshes[index] is
  // still wanted (the desktop program's ticks, which the user may change while a batch runs). The
  // total counts the meshes wanted at the start. Empty: every mesh is wanted.
  std::function<bool(size_t index)> wanted;
  // Asked often, from every thread of the batch: true stops it as a cancel does (a stop signal).
  // ConversionCancelled then leaves RunBatch, every temporary file is removed and no further file
  // is stored. Empty: never.
  std::function<bool()> stop_requested;
};

// Told what happens, always on the thread that called RunBatch, in list order.
class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  // "done／total" (U+FF0F between the numbers): "0／N" at the start and again after the first
  // mesh is stored, "k／N" after mesh k + 1 is stored, and "done／N" once the batch ends without
  // being stopped by a failure. A failed mesh changes nothing.
  virtual void Status(const std::string& /*text*/) {}
  // The batch now waits for this mesh (with one job: is about to convert it).
  virtual void Converting(const std::string& /*mesh*/) {}
  // A mesh was converted; its files are stored next. The desktop program shows it in the preview
  // (and may keep it: the batch lets go of it once the files are stored).
  virtual void Converted(const std::string& /*mesh*/,
                         const std::shared_ptr<const picture::Picture>& /*sheet*/) {}
  // A message about a bad record of a mesh (UTF-8), with the data file and line it is about when
  // the record is a line of one.
  virtual void Message(const std::string& /*mesh*/, const std::string& /*text*/,
                       const base::Place& /*where*/) {}
  // A mesh was stored under these paths.
  virtual void Stored(const std::string& /*mesh*/, const std::vector<std::string>& /*paths*/) {}
  // A mesh failed (conversion or store); `error` is the exact message.
  virtual void Failed(const std::string& /*mesh*/, const std::string& /*error*/) {}
};

struct BatchResult {
  int total = 0;
  int stored = 0;
  int failed = 0;
  bool finished = false;  // false when a failure ended the batch before its last mesh
};

// The status text "done／total".
std::string StatusText(int done, int total);

BatchResult RunBatch(const BatchRequest& request, const settings::StyleSource& styles,
                     picture::FontLibrary& fonts, BatchObserver& observer);

}  // namespace sheetwright::conversion
