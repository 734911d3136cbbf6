#include "ui/conversion_job.h"

#include <QMetaObject>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <stdexcept>

#include "base/messages.h"
#include "conversion/convert_mesh.h"
#include "platform/folders.h"
#include "ui/map_overview.h"
#include "ui/text.h"

namespace sheetwright::ui {

// What one run shares between the GUI thread and its own.
struct ConversionJob::Run {
  explicit Run(uint64_t id) : generation(id) {}

  const uint64_t generation;
  std::mutex mutex;
  std::condition_variable changed;
  bool answered = false;           // guarded by mutex
  bool silent = false;             // guarded by mutex
  std::vector<bool> ticks;         // guarded by mutex
  std::vector<bool> ticked_first;  // the ticks at the start (batch thread only)
  int total = 0;                   // the status's total (batch thread only)
  std::atomic<bool> cancel{false};
  std::atomic<bool> ended{false};  // the thread has nothing left to do but return

  void Cancel() {
    std::lock_guard lock(mutex);
    cancel = true;
    changed.notify_all();
  }
};

// The job's side on its thread: message sink, progress hook and batch observer in one.
class ConversionJob::Worker : public base::MessageSink,
                              public base::ProgressHook,
                              public conversion::BatchObserver {
 public:
  Worker(ConversionJob& job, std::shared_ptr<Run> run) : job_(job), run_(std::move(run)) {}

  void SetMesh(const std::string& mesh) { mesh_ = ShownText(mesh); }

  // MessageSink
  void Show(const std::string& text) override { Message(std::string(), text, {}); }
  void Report(const base::Message& message) override {
    Message(std::string(), message.text, message.place);
  }

  // ProgressHook
  void Step() override {
    if (run_->cancel) throw base::ConversionCancelled();
  }
  void Row(int row, int rows) override {
    Step();
    Emit([mesh = mesh_, row, rows](ConversionJob& job) { emit job.Progress(mesh, row, rows); });
  }
  void Writing(std::string_view format) override {
    Emit([mesh = mesh_, format = FromUtf8(format)](ConversionJob& job) {
      emit job.Writing(mesh, format);
    });
  }

  // BatchObserver. The status keeps the batch's count and puts this run's total beside it.
  void Status(const std::string& text) override {
    started_ = true;
    int done = std::atoi(text.c_str());
    QString shown = FromUtf8(conversion::StatusText(done, run_->total));
    status_ = shown;
    Emit([shown](ConversionJob& job) { emit job.Status(shown); });
  }
  void Converting(const std::string& mesh) override { SetMesh(mesh); }
  void Converted(const std::string&, const SheetPtr& sheet) override {
    Emit([mesh = mesh_, sheet](ConversionJob& job) { emit job.Converted(mesh, sheet); });
  }
  // What a map after the batch draws: the meshes stored, in the batch's order.
  void Stored(const std::string& mesh, const std::vector<std::string>&) override {
    stored_.push_back(mesh);
  }
  // The text as the rule gives it; the mesh, file and line on a second line.
  void Message(const std::string&, const std::string& text, const base::Place& where) override {
    QString shown = FromUtf8(text);
    // The list names the place as the converter does: "<mesh>/<file>:<line>: <text>".
    QString logged_as = mesh_;
    if (where.known()) {
      logged_as += QString("/%1:%2").arg(ShownText(where.file)).arg(where.line);
      Emit([logged_as, shown](ConversionJob& job) { emit job.MessageLogged(logged_as, shown); });
      shown += QString("\nメッシュ %1  ファイル %2  %3 行目")
                   .arg(mesh_, ShownText(where.file))
                   .arg(where.line);
    } else {
      Emit([logged_as, shown](ConversionJob& job) { emit job.MessageLogged(logged_as, shown); });
    }
    std::unique_lock lock(run_->mutex);
    if (run_->silent) return;
    run_->answered = false;
    Emit([mesh = mesh_, shown](ConversionJob& job) { emit job.MessageShown(mesh, shown); });
    run_->changed.wait(lock, [this] { return run_->answered || run_->cancel; });
    if (run_->cancel) throw base::ConversionCancelled();
  }
  // A cancel that met a store (a message waiting while a file was written) is no failure.
  void Failed(const std::string&, const std::string& error) override {
    if (run_->cancel) return;
    Emit([mesh = mesh_, error = FromUtf8(error)](ConversionJob& job) {
      emit job.Failed(mesh, error);
    });
  }

  // The batch asks at each mesh's turn (and, before its first status, to count its own total):
  // from then on the total follows the ticks changed meanwhile.
  bool Wanted(size_t index) {
    bool wanted;
    {
      std::lock_guard lock(run_->mutex);
      wanted = index < run_->ticks.size() && run_->ticks[index];
    }
    if (!started_) return wanted;
    bool counted = index < run_->ticked_first.size() && run_->ticked_first[index];
    run_->total += static_cast<int>(wanted) - static_cast<int>(counted);
    return wanted;
  }

  void Emit(std::function<void(ConversionJob&)> signal) {
    job_.Post(run_->generation, [&job = job_, signal = std::move(signal)] { signal(job); });
  }

  std::vector<std::string>& StoredMeshes() { return stored_; }
  const QString& StatusShown() const { return status_; }

 private:
  ConversionJob& job_;
  std::shared_ptr<Run> run_;
  QString mesh_;
  QString status_;
  bool started_ = false;
  std::vector<std::string> stored_;
};

ConversionJob::ConversionJob(const settings::StyleSource& styles, picture::FontLibrary& fonts,
                             QObject* parent)
    : QObject(parent), styles_(styles), fonts_(fonts) {}

ConversionJob::~ConversionJob() {
  for (auto& [thread, run] : threads_) run->Cancel();
  for (auto& [thread, run] : threads_) thread.join();
}

void ConversionJob::Cancel() {
  if (run_) run_->Cancel();
}

void ConversionJob::CancelAndWait() {
  ++generation_;  // whatever the run still posts is dropped
  for (auto& [thread, run] : threads_) run->Cancel();
  for (auto& [thread, run] : threads_) thread.join();
  threads_.clear();
  run_.reset();
  running_ = false;
}

void ConversionJob::Acknowledge(bool rest_silent) {
  if (!run_) return;
  std::lock_guard lock(run_->mutex);
  run_->answered = true;
  run_->silent = run_->silent || rest_silent;
  run_->changed.notify_all();
}

void ConversionJob::SetTicked(size_t index, bool ticked) {
  if (!run_) return;
  std::lock_guard lock(run_->mutex);
  if (index < run_->ticks.size()) run_->ticks[index] = ticked;
}

void ConversionJob::Post(uint64_t generation, std::function<void()> call) {
  QMetaObject::invokeMethod(
      this,
      [this, generation, call = std::move(call)] {
        if (generation == generation_) call();
      },
      Qt::QueuedConnection);
}

void ConversionJob::ReapEnded() {
  std::erase_if(threads_, [](auto& entry) {
    if (!entry.second->ended) return false;
    entry.first.join();  // it only returns from its function
    return true;
  });
}

void ConversionJob::Launch(std::shared_ptr<Run> run, std::function<bool(Worker&)> work) {
  Cancel();  // a run still going is abandoned; its signals no longer count
  ReapEnded();
  run_ = run;
  running_ = true;
  std::thread thread([this, run, work = std::move(work)] {
    Worker worker(*this, run);
    bool completed = false;
    try {
      completed = work(worker);
    } catch (const base::ConversionCancelled&) {
    } catch (const std::exception& e) {
      worker.Failed(std::string(), e.what());
    }
    Post(run->generation, [this, completed] {
      running_ = false;
      emit Finished(completed);
    });
    run->ended = true;
  });
  threads_.emplace_back(std::move(thread), std::move(run));
}

void ConversionJob::StartPreview(const std::string& mesh_folder) {
  auto run = std::make_shared<Run>(++generation_);
  Launch(run, [this, mesh_folder](Worker& worker) {
    worker.SetMesh(std::string(platform::BaseName(mesh_folder)));
    auto sheet = std::make_shared<picture::Picture>();
    conversion::ConvertMesh(mesh_folder, {styles_, fonts_, worker, &worker}, *sheet);
    worker.Converted(std::string(), sheet);
    return true;
  });
}

void ConversionJob::StartBatch(conversion::BatchRequest request, std::vector<bool> ticks,
                               std::optional<conversion::MosaicRequest> map) {
  auto run = std::make_shared<Run>(++generation_);
  run->ticks = ticks;
  run->ticked_first = std::move(ticks);
  for (bool ticked : run->ticked_first) run->total += ticked;
  request.jobs = 1;
  request.keep_going = false;
  Launch(run,
         [this, run, request = std::move(request), map = std::move(map)](Worker& worker) mutable {
           request.progress = &worker;
           request.wanted = [&worker](size_t i) { return worker.Wanted(i); };
           // The map alone takes the ticked meshes as the converter's --mosaic without -f does.
           if (map && request.formats.empty() && request.gis.formats.empty()) {
             for (size_t i = 0; i < request.meshes.size(); ++i) {
               if (worker.Wanted(i)) map->meshes.push_back(request.meshes[i]);
             }
             if (!map->meshes.empty()) DrawMap(worker, run, *map);
             return true;
           }
           bool finished = conversion::RunBatch(request, styles_, fonts_, worker).finished;
           if (!finished || !map || worker.StoredMeshes().empty()) return finished;
           map->meshes = std::move(worker.StoredMeshes());
           DrawMap(worker, run, *map);
           return true;
         });
}

void ConversionJob::DrawMap(Worker& worker, const std::shared_ptr<Run>& run,
                            conversion::MosaicRequest& map) {
  const QString name = ShownText(platform::BaseName(map.path));
  const int sheets = static_cast<int>(map.meshes.size());
  // The progress names the sheet in hand, as its messages do.
  auto begin_sheet = [&](size_t index) {
    worker.SetMesh(map.meshes[index]);
    QString caption = name + "  " + ShownText(map.meshes[index]);
    int shown = static_cast<int>(index) + 1;
    worker.Emit([caption, shown, sheets](ConversionJob& job) {
      emit job.Progress(caption, shown, sheets);
    });
  };
  // The overview keeps of each sheet as it is drawn only what it shows.
  std::vector<PlacedPicture> placed;
  const double reduction = PreReduction(sheets);
  map.stop_requested = [&run] { return run->cancel.load(); };
  map.sheet_drawn = [&](size_t index, const picture::Picture& sheet,
                        const output::GroundBox& ground) {
    placed.push_back(
        {std::make_shared<picture::Picture>(Reduced(sheet, reduction)), ground, reduction});
    if (index + 1 < map.meshes.size()) begin_sheet(index + 1);
  };
  map.origins_offered = false;
  begin_sheet(0);
  try {
    conversion::WriteMosaic(map, styles_, fonts_, worker);
  } catch (const base::ConversionError& e) {
    QString status =
        worker.StatusShown().isEmpty() ? "地図なし" : worker.StatusShown() + " 地図なし";
    worker.Emit([status](ConversionJob& job) { emit job.Status(status); });
    worker.SetMesh(std::string());  // the message names the map, not a mesh
    throw std::runtime_error(ToUtf8(name) + " (地図): " + e.what());
  }
  auto overview = std::make_shared<picture::Picture>(MapOverview(placed));
  worker.Emit([path = ShownText(map.path), overview](ConversionJob& job) {
    emit job.MapDrawn(path, overview);
  });
}

}  // namespace sheetwright::ui
