#include "conversion/batch.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "conversion/conv_go.h"
#include "mapdata/atomic_file.h"

namespace sheetwright::conversion {
namespace {

// What converting one mesh produced, ready to be committed in list order.
struct MeshOutcome {
  std::vector<std::string> messages;  // only when messages were held back (several jobs)
  std::vector<std::string> files;     // encoded bytes, one per requested format
  std::shared_ptr<const drawing::Picture> sheet;  // when converted
  std::optional<std::string> error;
};

class ForwardingSink : public mapdata::MessageSink {
 public:
  ForwardingSink(BatchObserver& observer, const std::string& mesh)
      : observer_(observer), mesh_(mesh) {}
  void Show(const std::string& text) override { observer_.Message(mesh_, text); }

 private:
  BatchObserver& observer_;
  const std::string& mesh_;
};

class CollectingSink : public mapdata::MessageSink {
 public:
  explicit CollectingSink(std::vector<std::string>& out) : out_(out) {}
  void Show(const std::string& text) override { out_.push_back(text); }

 private:
  std::vector<std::string>& out_;
};

class BatchRun {
 public:
  BatchRun(const BatchRequest& request, const settings::StyleSource& styles,
           drawing::FontLibrary& fonts, BatchObserver& observer)
      : request_(request), styles_(styles), fonts_(fonts), observer_(observer) {
    result_.total = static_cast<int>(request.meshes.size());
    if (request.wanted) {
      result_.total = 0;
      for (size_t i = 0; i < request.meshes.size(); ++i) result_.total += request.wanted(i);
    }
  }

  BatchResult Run() {
    observer_.Status(StatusText(done_, result_.total));
    int jobs = request_.wanted ? 1 : std::clamp(request_.jobs, 1, std::max(1, result_.total));
    bool finished = jobs == 1 ? RunInline() : RunParallel(jobs);
    if (finished) observer_.Status(StatusText(done_, result_.total));
    result_.finished = finished;
    return result_;
  }

 private:
  // Converts and encodes one mesh. Only ConversionCancelled escapes.
  MeshOutcome Produce(const std::string& mesh, mapdata::MessageSink& sink,
                      mapdata::ProgressHook* progress) {
    MeshOutcome outcome;
    try {
      auto sheet = std::make_shared<drawing::Picture>();
      ConversionServices services{styles_, fonts_, sink, progress};
      ConvGo(JoinFolder(request_.input_folder, mesh), services, *sheet);
      outcome.sheet = sheet;
      for (OutputFormat format : request_.formats) {
        outcome.files.push_back(EncodeOutput(*sheet, format, request_.sizes, fonts_, sink));
      }
    } catch (const mapdata::ConversionCancelled&) {
      throw;
    } catch (const std::exception& e) {
      outcome.files.clear();
      outcome.sheet.reset();
      outcome.error = e.what();
    }
    return outcome;
  }

  // Stores one mesh's files and reports it. False when the mesh failed.
  bool Commit(const std::string& mesh, MeshOutcome& outcome) {
    for (const std::string& text : outcome.messages) observer_.Message(mesh, text);
    if (outcome.sheet) observer_.Converted(mesh, outcome.sheet);
    outcome.sheet.reset();
    if (!outcome.error) {
      std::vector<std::string> paths;
      try {
        for (size_t f = 0; f < request_.formats.size(); ++f) {
          std::string path = JoinFolder(request_.output_folder, mesh);
          path += Extension(request_.formats[f]);
          mapdata::WriteFileAtomically(path, outcome.files[f]);
          paths.push_back(std::move(path));
        }
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
      MeshOutcome outcome = Produce(mesh, sink, request_.progress);
      if (!Commit(mesh, outcome) && !request_.keep_going) return false;
    }
    return true;
  }

  bool RunParallel(int jobs) {
    const int total = result_.total;
    std::vector<std::optional<MeshOutcome>> outcomes(total);
    std::mutex mutex;
    std::condition_variable changed;
    int next = 0;       // next mesh a worker takes
    int committed = 0;  // meshes the calling thread has finished with
    bool stop = false;
    // Workers stay at most this far ahead of the commits, which bounds the memory held by
    // converted meshes that wait for an earlier one.
    const int window = 2 * jobs;

    auto worker = [&] {
      for (;;) {
        int i;
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stop || next >= total || next < committed + window; });
          if (stop || next >= total) return;
          i = next++;
        }
        MeshOutcome outcome;
        CollectingSink sink(outcome.messages);
        MeshOutcome produced = Produce(request_.meshes[i], sink, nullptr);
        produced.messages = std::move(outcome.messages);
        {
          std::lock_guard lock(mutex);
          outcomes[i] = std::move(produced);
        }
        changed.notify_all();
      }
    };

    std::vector<std::thread> threads;
    for (int t = 0; t < jobs; ++t) threads.emplace_back(worker);
    // The workers are stopped and joined however the commits end, an observer's exception
    // included.
    auto stop_workers = [&] {
      {
        std::lock_guard lock(mutex);
        stop = true;
      }
      changed.notify_all();
      for (std::thread& t : threads) t.join();
    };
    bool finished = true;
    try {
      for (int i = 0; i < total; ++i) {
        observer_.Converting(request_.meshes[i]);
        MeshOutcome outcome;
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return outcomes[i].has_value(); });
          outcome = std::move(*outcomes[i]);
          outcomes[i].reset();
        }
        bool ok = Commit(request_.meshes[i], outcome);
        {
          std::lock_guard lock(mutex);
          committed = i + 1;
        }
        changed.notify_all();
        if (!ok && !request_.keep_going) {
          finished = false;
          break;
        }
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
  drawing::FontLibrary& fonts_;
  BatchObserver& observer_;
  BatchResult result_;
  int done_ = 0;
};

}  // namespace

std::string StatusText(int done, int total) {
  return std::to_string(done) + "\xEF\xBC\x8F" + std::to_string(total);
}

BatchResult RunBatch(const BatchRequest& request, const settings::StyleSource& styles,
                     drawing::FontLibrary& fonts, BatchObserver& observer) {
  return BatchRun(request, styles, fonts, observer).Run();
}

}  // namespace sheetwright::conversion
