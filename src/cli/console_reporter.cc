#include "cli/console_reporter.h"

#include <cstring>

#include "platform/text.h"

namespace sheetwright::cli {

ConsoleReporter::ConsoleReporter(std::FILE* out, int total, bool quiet, bool terminal)
    : out_(out), total_(total), quiet_(quiet), terminal_(terminal && !quiet) {}

void ConsoleReporter::ClearBar() {
  if (!bar_shown_) return;
  std::fputs("\r\033[K", out_);
  bar_shown_ = false;
}

void ConsoleReporter::DrawBar(const std::string& mesh) {
  if (!terminal_) return;
  constexpr int kWidth = 30;
  int filled = total_ > 0 ? finished_ * kWidth / total_ : kWidth;
  std::string bar(filled, '#');
  bar.append(kWidth - filled, '.');
  std::fprintf(out_, "\r\033[K[%s] %d/%d %s", bar.c_str(), finished_, total_, mesh.c_str());
  std::fflush(out_);
  bar_shown_ = true;
  last_mesh_ = mesh;
}

void ConsoleReporter::Converting(const std::string& mesh) {
  if (terminal_) DrawBar(mesh + " ...");
}

// "<mesh>/<file>:<line>: <text>", the way compilers name a place, or "<mesh>: <text>".
void ConsoleReporter::Message(const std::string& mesh, const std::string& text,
                              const base::Place& where) {
  ClearBar();
  if (where.known()) {
    std::fprintf(out_, "%s/%s:%ld: %s\n", mesh.c_str(), where.file.c_str(), where.line,
                 text.c_str());
  } else {
    std::fprintf(out_, "%s: %s\n", mesh.c_str(), text.c_str());
  }
  if (terminal_) DrawBar(last_mesh_);
  std::fflush(out_);
}

void ConsoleReporter::Stored(const std::string& mesh, const std::vector<std::string>& paths) {
  ++finished_;
  ++stored_;
  if (terminal_) {
    DrawBar(mesh);
    return;
  }
  if (quiet_) return;
  std::string list;
  for (const std::string& p : paths) list += (list.empty() ? "" : ", ") + p;
  std::fprintf(out_, "[%d/%d] %s -> %s\n", finished_, total_, mesh.c_str(), list.c_str());
  std::fflush(out_);
}

namespace {

// Whether a failure begins with the place of its subject, "<file>:<line>: ": a path relative to
// the mesh folder (never absolute, never a drive), a colon, digits, a colon and a space.
bool StartsWithPlace(const std::string& error) {
  size_t colon = error.find(':');
  if (colon == 0 || colon == std::string::npos || error[0] == '/' || error[0] == '\\') {
    return false;
  }
  size_t digits = colon + 1;
  while (digits < error.size() && error[digits] >= '0' && error[digits] <= '9') ++digits;
  return digits > colon + 1 && error.compare(digits, 2, ": ") == 0;
}

}  // namespace

// A failure with a place is named as a message is, "<mesh>/<file>:<line>: <text>"; any other as
// "<mesh>: <text>".
void ConsoleReporter::Failed(const std::string& mesh, const std::string& error) {
  ++finished_;
  ClearBar();
  std::fprintf(out_, StartsWithPlace(error) ? "%s/%s\n" : "%s: %s\n", mesh.c_str(), error.c_str());
  if (terminal_) DrawBar(mesh);
  std::fflush(out_);
}

void ConsoleReporter::Finish(const conversion::BatchResult& result, const std::string& where) {
  ClearBar();
  if (quiet_) return;
  if (result.finished) {
    std::fprintf(out_, "%d of %d meshes stored in %s", result.stored, result.total, where.c_str());
    if (result.failed > 0) std::fprintf(out_, " (%d failed)", result.failed);
    std::fputc('\n', out_);
  } else {
    std::fprintf(out_, "stopped after a failure: %d of %d meshes stored in %s\n", result.stored,
                 result.total, where.c_str());
  }
  std::fflush(out_);
}

void ConsoleReporter::Stopped(int signal, const std::string& where) {
  ClearBar();
  std::fprintf(out_, "stopped by SIG%s: %d of %d meshes stored in %s\n",
               platform::SignalName(signal).c_str(), stored_, total_, where.c_str());
  std::fflush(out_);
}

}  // namespace sheetwright::cli
