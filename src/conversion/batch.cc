#include "conversion/batch.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "base/atomic_file.h"
#include "conversion/convert_mesh.h"
#include "conversion/mesh_folders.h"
#include "conversion/ordered_hand_over.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace sheetwright::conversion {
namespace {

// What converting one mesh produced, ready to be committed in list order.
struct MeshOutcome {
  std::vector<base::Message> messages;  // only when messages were held back (several jobs)
  // One per requested format (a printed SVG one per page), written in full and waiting to replace
  // the stored file at the path beside it.
  std::vector<std::unique_ptr<base::AtomicFile>> files;
  std::vector<std::string> paths;
  std::vector<std::unique_ptr<gis::StagedGpkg>> data_files;  // the same for the data formats
  std::shared_ptr<const picture::Picture> sheet;             // when converted
  std::optional<std::string> error;
  bool cancelled = false;  // only with several jobs: the worker was stopped
};

// The caller's progress hook with the batch's stop check in front of every step.
class StopCheck : public base::ProgressHook {
 public:
  StopCheck(const std::function<bool()>& stop, base::ProgressHook* inner)
      : stop_(stop), inner_(inner) {}
  void Step() override {
    if (stop_ && stop_()) throw base::ConversionCancelled();
    if (inner_) inner_->Step();
  }
  void Row(int row, int rows) override {
    if (inner_) inner_->Row(row, rows);
  }
  void Writing(std::string_view format) override {
    if (inner_) inner_->Writing(format);
  }

 private:
  const std::function<bool()>& stop_;
  base::ProgressHook* inner_;
};

class ForwardingSink : public base::MessageSink {
 public:
  ForwardingSink(BatchObserver& observer, const std::string& mesh)
      : observer_(observer), mesh_(mesh) {}
  void Show(const std::string& text) override { observer_.Message(mesh_, text, {}); }
  void Report(const base::Message& message) override {
    observer_.Message(mesh_, message.text, message.place);
  }

 private:
  BatchObserver& observer_;
  const std::string& mesh_;
};

class CollectingSink : public base::MessageSink {
 public:
  explicit CollectingSink(std::vector<base::Message>& out) : out_(out) {}
  void Show(const std::string& text) override { out_.push_back({text, {}, {}}); }
  // The subject's bytes go with the conversion; the place stays.
  void Report(const base::Message& message) override {
    out_.push_back({message.text, {}, message.place});
  }

 private:
  std::vector<base::Message>& out_;
};

class BatchRun {
 public:
  BatchRun(const BatchRequest& request, const settings::StyleSource& styles,
           picture::FontLibrary& fonts, BatchObserver& observer)
      : request_(request), styles_(styles), fonts_(fonts), observer_(observer) {
    result_.total = static_cast<int>(request.meshes.size());
    if (request.wanted) {
      result_.total = 0;
      for (size_t i = 0; i < request.meshes.size(); ++i) result_.total += request.wanted(i);
    }
  }

  BatchResult Run() {
    RemoveLeftovers();
    observer_.Status(StatusText(done_, result_.total));
    int jobs = request_.wanted ? 1 : std::clamp(request_.jobs, 1, std::max(1, result_.total));
    bool finished = false;
    try {
      finished = jobs == 1 ? RunInline() : RunParallel(jobs);
    } catch (const base::ConversionCancelled&) {
      observer_.Status(StatusText(done_, result_.total));  // a stopped batch says how many
      CloseInto();
      throw;
    } catch (...) {
      into_.reset();  // a stop: the file as its last whole mesh left it, no index begun
      throw;
    }
    CloseInto();
    if (finished) observer_.Status(StatusText(done_, result_.total));
    result_.finished = finished;
    return result_;
  }

 private:
  // What killed runs left in the folders this one writes into: their temporary files and hidden
  // GeoPackage folders (a stopped run removes its own).
  void RemoveLeftovers() const {
    platform::RemoveLeftovers(request_.output_folder);
    const std::string& into = request_.gis.into;
    if (size_t separator = platform::LastSeparator(into); separator != std::string::npos) {
      platform::RemoveLeftovers(into.substr(0, separator + 1));
    } else if (!into.empty()) {
      platform::RemoveLeftovers(".");
    }
  }

  std::string OutputPath(const std::string& mesh, OutputFormat format) const {
    return JoinFolder(request_.output_folder, mesh) + std::string(Extension(format));
  }

  // Converts one mesh and writes its files beside the ones they replace, closed until Commit
  // renames them (so that meshes waiting for their turn hold no file handles). Messages go to
  // `sink`, or are kept in the outcome when `sink` is null. Only ConversionCancelled escapes.
  MeshOutcome Produce(const std::string& mesh, base::MessageSink* sink,
                      base::ProgressHook* progress) {
    MeshOutcome outcome;
    CollectingSink held(outcome.messages);
    if (!sink) sink = &held;
    StopCheck hook(request_.stop_requested, progress);
    auto sheet = std::make_shared<picture::Picture>();
    try {
      hook.Step();
      std::string folder = JoinFolder(request_.input_folder, mesh);
      CheckMeshFolder(folder);
      ConversionServices services{styles_, fonts_, *sink, &hook};
      // Data alone needs no drawing.
      if (!request_.formats.empty()) ConvertMesh(folder, services, *sheet);
      StageData(mesh, *sink, hook, outcome);
    } catch (const base::ConversionCancelled&) {
      throw;
    } catch (const std::exception& e) {
      outcome.error = e.what();
      return outcome;
    }
    if (request_.formats.empty()) return outcome;
    // A sheet whose files cannot be written is still shown.
    outcome.sheet = sheet;
    try {
      for (OutputFormat format : request_.formats) {
        hook.Writing(FormatName(format));
        if (format == OutputFormat::kSvg && request_.print) {
          auto pages = WritePrintedSvgSheet(*sheet, JoinFolder(request_.input_folder, mesh), mesh,
                                            *request_.print, fonts_, OutputPath(mesh, format),
                                            [&] { hook.Step(); });
          for (const std::string& path : PageFileNames(OutputPath(mesh, format), pages.size())) {
            outcome.paths.push_back(path);
          }
          for (auto& page : pages) outcome.files.push_back(std::move(page));
          continue;
        }
        auto file = std::make_unique<base::AtomicFile>(OutputPath(mesh, format));
        ByteWriter write = [&](std::string_view bytes) {
          hook.Step();
          file->Write(bytes);
        };
        if (format == OutputFormat::kPdf && request_.print) {
          WritePrintedSheet(*sheet, JoinFolder(request_.input_folder, mesh), mesh, *request_.print,
                            fonts_, write);
        } else {
          WriteOutput(*sheet, mesh, format, request_.sizes, fonts_, *sink, write,
                      {output::ImageOptions{}.bands, request_.stop_requested});
        }
        file->Close();
        outcome.files.push_back(std::move(file));
        outcome.paths.push_back(OutputPath(mesh, format));
      }
      hook.Step();
    } catch (const base::ConversionCancelled&) {
      throw;
    } catch (const std::exception& e) {
      outcome.files.clear();
      outcome.paths.clear();
      outcome.error = e.what();
    }
    return outcome;
  }

  // Writes the mesh's GeoPackages beside the files they replace (not the --into file, which takes
  // the meshes in list order as they are committed).
  void StageData(const std::string& mesh, base::MessageSink& sink, base::ProgressHook& hook,
                 MeshOutcome& outcome) {
    for (gis::DataFormat format : request_.gis.formats) {
      hook.Writing(gis::Extension(format).substr(1));  // ".gpkg" names "gpkg"
      std::string target =
          JoinFolder(request_.output_folder, mesh) + std::string(gis::Extension(format));
      outcome.data_files.push_back(std::make_unique<gis::StagedGpkg>(
          target, JoinFolder(request_.input_folder, mesh), mesh,
          request_.gis.PlacementOf(JoinFolder(request_.input_folder, mesh), mesh), sink));
    }
  }

  // Stores the mesh's data: its staged GeoPackages, then its share of the --into file.
  void CommitData(const std::string& mesh, MeshOutcome& outcome, std::vector<std::string>& paths) {
    for (auto& file : outcome.data_files) {
      file->Commit();
      paths.push_back(file->target());
    }
    if (request_.gis.into.empty()) return;
    if (!into_) {
      into_ = std::make_unique<gis::GpkgCollection>(request_.gis.into, request_.stop_requested);
    }
    ForwardingSink sink(observer_, mesh);
    std::string folder = JoinFolder(request_.input_folder, mesh);
    into_->Append(folder, mesh, request_.gis.PlacementOf(folder, mesh), sink);
    if (auto row = request_.gis.IndexRowOf(folder, mesh)) into_->Index(std::move(*row));
    paths.push_back(request_.gis.into);
  }

  // The --into file is complete once closed; a failure to close it fails the batch's last word.
  // A stop while it is indexed leaves (ConversionCancelled) with the file as it was before.
  void CloseInto() {
    if (!into_) return;
    try {
      into_->Close();
    } catch (const base::ConversionCancelled&) {
      into_.reset();
      throw;
    } catch (const std::exception& e) {
      ++result_.failed;
      observer_.Failed(request_.gis.into, e.what());
    }
    into_.reset();
  }

  // Stores one mesh's files and reports it. False when the mesh failed.
  bool Commit(const std::string& mesh, MeshOutcome& outcome) {
    if (outcome.cancelled || (request_.stop_requested && request_.stop_requested())) {
      throw base::ConversionCancelled();
    }
    for (const base::Message& held : outcome.messages) {
      observer_.Message(mesh, held.text, held.place);
    }
    if (outcome.sheet) observer_.Converted(mesh, outcome.sheet);
    outcome.sheet.reset();
    if (!outcome.error) {
      std::vector<std::string> paths;
      try {
        for (size_t f = 0; f < outcome.files.size(); ++f) {
          outcome.files[f]->Commit();
          paths.push_back(outcome.paths[f]);
        }
        CommitData(mesh, outcome, paths);
      } catch (const base::ConversionCancelled&) {
        throw;
      } catch (const std::exception& e) {
        outcome.error = e.what();
      }
      if (!paths.empty() && !outcome.error) observer_.Stored(mesh, paths);
    }
    if (outcome.error) {
      ++result_.failed;
      observer_.Failed(mesh, *outcome.error);
      return false;
    }
    ++result_.stored;
    // The status shows the count before this mesh; the count then rises.
    observer_.Status(StatusText(done_, result_.total));
    ++done_;
    return true;
  }

  bool RunInline() {
    for (size_t i = 0; i < request_.meshes.size(); ++i) {
      if (request_.wanted && !request_.wanted(i)) continue;
      const std::string& mesh = request_.meshes[i];
      observer_.Converting(mesh);
      ForwardingSink sink(observer_, mesh);
      MeshOutcome outcome = Produce(mesh, &sink, request_.progress);
      if (!Commit(mesh, outcome) && !request_.keep_going) return false;
    }
    return true;
  }

  // Workers convert meshes ahead; this thread reports and stores them in list order.
  bool RunParallel(int jobs) {
    const int total = result_.total;
    OrderedHandOver<MeshOutcome> hand_over(total, 2 * jobs);
    auto worker = [&] {
      while (std::optional<int> i = hand_over.Take()) {
        MeshOutcome outcome;
        try {
          outcome = Produce(request_.meshes[*i], nullptr, nullptr);
        } catch (const base::ConversionCancelled&) {
          outcome.cancelled = true;
        }
        hand_over.Put(*i, std::move(outcome));
      }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < jobs; ++t) threads.emplace_back(worker);
    // The workers are stopped and joined however the commits end, an observer's exception
    // included.
    auto stop_workers = [&] {
      hand_over.Stop();
      for (std::thread& t : threads) t.join();
    };
    bool finished = true;
    try {
      for (int i = 0; i < total && finished; ++i) {
        observer_.Converting(request_.meshes[i]);
        MeshOutcome outcome = hand_over.Receive(i);
        finished = Commit(request_.meshes[i], outcome) || request_.keep_going;
        hand_over.Finished(i);
      }
    } catch (...) {
      stop_workers();
      throw;
    }
    stop_workers();
    return finished;
  }

  const BatchRequest& request_;
  const settings::StyleSource& styles_;
  picture::FontLibrary& fonts_;
  BatchObserver& observer_;
  BatchResult result_;
  int done_ = 0;
  std::unique_ptr<gis::GpkgCollection> into_;
};

}  // namespace

std::string StatusText(int done, int total) {
  return std::to_string(done) + "\xEF\xBC\x8F" + std::to_string(total);
}

BatchResult RunBatch(const BatchRequest& request, const settings::StyleSource& styles,
                     picture::FontLibrary& fonts, BatchObserver& observer) {
  return BatchRun(request, styles, fonts, observer).Run();
}

}  // namespace sheetwright::conversion
