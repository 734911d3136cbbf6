// The conversion of one mesh into its sheet picture: the corner marks, then the layer rows in their
// fixed order (layer_rows.h), each drawn when its switch is on and its data exist. Used by the
// batch, the preview and the command-line converter. No state survives a call and nothing is
// shared between calls, so several conversions may run at once on different threads (each with
// its own sheet, sink and progress hook; the style source and text metrics must be thread-safe).
#pragma once

#include <string>

#include "base/messages.h"
#include "picture/picture.h"
#include "picture/text_metrics.h"
#include "settings/layer_styles.h"

namespace sheetwright::conversion {

// What a conversion reads from and reports to.
struct ConversionServices {
  // Read when each layer's turn comes, so a change made during a conversion applies to the layers
  // not yet drawn.
  const settings::StyleSource& styles;
  picture::TextMetrics& metrics;
  base::MessageSink& sink;
  // Stepped once after the set-up, by the arc loader per line and by the arc drawers per arc; may
  // throw ConversionCancelled.
  base::ProgressHook* progress = nullptr;
};

// Converts the mesh in `mesh_folder` (no trailing "/") into `sheet`, which is first reset to an
// empty 20000 x 15000 picture. Bad records are reported to the sink and the conversion goes on. A
// ConversionError (a number field that is not a number, an unreadable file) or ConversionCancelled
// propagates; `sheet` then holds the layers finished before it.
void ConvertMesh(const std::string& mesh_folder, const ConversionServices& services,
                 picture::Picture& sheet);

// The same, also telling how much work was shared (for tests and measurements).
struct ConversionStats {
  int file_reads = 0;    // distinct files read from disk
  int table_parses = 0;  // table loads that parsed their file rather than reusing a table
};
void ConvertMesh(const std::string& mesh_folder, const ConversionServices& services,
                 picture::Picture& sheet, ConversionStats& stats);

}  // namespace sheetwright::conversion
