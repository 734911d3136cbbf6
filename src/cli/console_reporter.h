// What sheetwright-convert shows on stderr while a batch runs: messages about bad records and
// failures as "MESH/FILE:LINE: message" lines (or "MESH: message" where no data line is the cause),
// and the progress, as a bar redrawn in place on a terminal or as one plain line per stored mesh
// otherwise (none with --quiet).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "conversion/batch.h"

namespace sheetwright::cli {

class ConsoleReporter : public conversion::BatchObserver {
 public:
  ConsoleReporter(std::FILE* out, int total, bool quiet, bool terminal);

  void Converting(const std::string& mesh) override;
  void Message(const std::string& mesh, const std::string& text, const base::Place& where) override;
  void Stored(const std::string& mesh, const std::vector<std::string>& paths) override;
  void Failed(const std::string& mesh, const std::string& error) override;

  // Clears the bar and prints the summary line (unless quiet); `where` the meshes were stored.
  void Finish(const conversion::BatchResult& result, const std::string& where);
  // Clears the bar and says that `signal` stopped the run and how many meshes were stored (with
  // --quiet too).
  void Stopped(int signal, const std::string& where);

 private:
  void ClearBar();
  void DrawBar(const std::string& mesh);

  std::FILE* out_;
  int total_;
  bool quiet_;
  bool terminal_;
  int finished_ = 0;  // meshes stored or failed
  int stored_ = 0;
  bool bar_shown_ = false;
  std::string last_mesh_;
};

}  // namespace sheetwright::cli
