#include "ui/conversion_job.h"

#include <QMetaObject>
#include <exception>

#include "base/messages.h"
#include "conversion/conv_go.h"
#include "ui/text.h"

namespace sheetwright::ui {

// The job's side on its thread: message sink, progress hook and batch observer in one.
class ConversionJob::Worker : public base::MessageSink,
                              public base::ProgressHook,
                              public conversion::BatchObserver {
 public:
  explicit Worker(ConversionJob& job) : job_(job) {}

  void SetMesh(const std::string& mesh) { mesh_ = ShownText(mesh); }

  // MessageSink
  void Show(const std::string& text) override { Message(std::string(), text); }

  // ProgressHook
  void Step() override {
    if (job_.cancel_) throw base::ConversionCancelled();
  }
  void Row(int row, int rows) override {
    Step();
    job_.Post([&job = job_, mesh = mesh_, row, rows] { emit job.Progress(mesh, row, rows); });
  }

  // BatchObserver
  void Status(const std::string& text) override {
    job_.Post([&job = job_, text = FromUtf8(text)] { emit job.Status(text); });
  }
  void Converting(const std::string& mesh) override { SetMesh(mesh); }
  void Converted(const std::string&, const SheetPtr& sheet) override {
    job_.Post([&job = job_, mesh = mesh_, sheet] { emit job.Converted(mesh, sheet); });
  }
  void Message(const std::string&, const std::string& text) override {
    QString shown = FromUtf8(text);
    job_.Post([&job = job_, mesh = mesh_, shown] { emit job.MessageLogged(mesh, shown); });
    std::unique_lock lock(job_.mutex_);
    if (job_.silent_) return;
    job_.answered_ = false;
    job_.Post([&job = job_, mesh = mesh_, shown] { emit job.MessageShown(mesh, shown); });
    job_.answered_changed_.wait(lock, [this] { return job_.answered_ || job_.cancel_; });
    if (job_.cancel_) throw base::ConversionCancelled();
  }
  void Failed(const std::string&, const std::string& error) override {
    job_.Post(
        [&job = job_, mesh = mesh_, error = FromUtf8(error)] { emit job.Failed(mesh, error); });
  }

 private:
  ConversionJob& job_;
  QString mesh_;
};

ConversionJob::ConversionJob(const settings::StyleSource& styles, picture::FontLibrary& fonts,
                             QObject* parent)
    : QObject(parent), styles_(styles), fonts_(fonts) {}

ConversionJob::~ConversionJob() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void ConversionJob::Cancel() {
  std::lock_guard lock(mutex_);
  cancel_ = true;
  answered_changed_.notify_all();
}

void ConversionJob::Acknowledge(bool rest_silent) {
  std::lock_guard lock(mutex_);
  answered_ = true;
  silent_ = silent_ || rest_silent;
  answered_changed_.notify_all();
}

void ConversionJob::SetTicked(size_t index, bool ticked) {
  std::lock_guard lock(mutex_);
  if (index < ticks_.size()) ticks_[index] = ticked;
}

void ConversionJob::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void ConversionJob::Launch(std::function<bool(Worker&)> work) {
  if (thread_.joinable()) thread_.join();  // the previous run has posted its end already
  running_ = true;
  cancel_ = false;
  silent_ = false;
  thread_ = std::thread([this, work = std::move(work)] {
    Worker worker(*this);
    bool completed = false;
    try {
      completed = work(worker);
    } catch (const base::ConversionCancelled&) {
    } catch (const std::exception& e) {
      worker.Failed(std::string(), e.what());
    }
    Post([this, completed] {
      running_ = false;
      emit Finished(completed);
    });
  });
}

void ConversionJob::StartPreview(const std::string& mesh_folder) {
  Launch([this, mesh_folder](Worker& worker) {
    worker.SetMesh(mesh_folder.substr(mesh_folder.find_last_of('/') + 1));
    auto sheet = std::make_shared<picture::Picture>();
    conversion::ConvGo(mesh_folder, {styles_, fonts_, worker, &worker}, *sheet);
    worker.Converted(std::string(), sheet);
    return true;
  });
}

void ConversionJob::StartBatch(conversion::BatchRequest request, std::vector<bool> ticks) {
  {
    std::lock_guard lock(mutex_);
    ticks_ = std::move(ticks);
  }
  request.jobs = 1;
  request.keep_going = false;
  request.wanted = [this](size_t i) {
    std::lock_guard lock(mutex_);
    return i < ticks_.size() && ticks_[i];
  };
  Launch([this, request = std::move(request)](Worker& worker) mutable {
    request.progress = &worker;
    return conversion::RunBatch(request, styles_, fonts_, worker).finished;
  });
}

}  // namespace sheetwright::ui
