// One conversion of the desktop program, a preview or a batch, run on a thread of its own so that
// the window stays alive. The job talks to the window only through queued signals: the messages
// about bad records (the conversion then waits until the window calls Acknowledge), the progress
// of each mesh, the status text, each converted sheet, a failure and the end. Only one conversion
// runs at a time; the window keeps the controls that would start another disabled meanwhile.
// The style source is read at each layer row's turn, so a setting changed meanwhile applies to
// the rows not yet drawn; likewise the ticks, read at each mesh's turn (SetTicked).
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "conversion/batch.h"
#include "picture/font_library.h"
#include "picture/picture.h"
#include "settings/layer_styles.h"

namespace sheetwright::ui {

using SheetPtr = std::shared_ptr<const picture::Picture>;

class ConversionJob : public QObject {
  Q_OBJECT

 public:
  ConversionJob(const settings::StyleSource& styles, picture::FontLibrary& fonts,
                QObject* parent = nullptr);
  // Cancels a running conversion and waits for its thread.
  ~ConversionJob() override;

  bool IsRunning() const { return running_; }

  // Converts one mesh; Converted carries the sheet, or Failed the fatal error. Nothing is stored.
  void StartPreview(const std::string& mesh_folder);

  // Runs the batch over request.meshes with ticks[i] telling whether mesh i is ticked at the start
  // (request.wanted is set here). Status, Converted for each mesh, Failed for the error that ends
  // it; Finished(true) when it ran to its end.
  void StartBatch(conversion::BatchRequest request, std::vector<bool> ticks);

  // A tick changed while a batch runs.
  void SetTicked(size_t index, bool ticked);

  // The answer to MessageShown: the conversion goes on. With `rest_silent` the further messages of
  // this run are only logged.
  void Acknowledge(bool rest_silent);

  // Stops the conversion at its next step (the thread then ends with Finished(false)).
  void Cancel();

 signals:
  void MessageLogged(const QString& mesh, const QString& text);  // every message of the run
  void MessageShown(const QString& mesh, const QString& text);   // waits for Acknowledge
  void Progress(const QString& mesh, int row, int rows);
  void Status(const QString& text);
  void Converted(const QString& mesh, sheetwright::ui::SheetPtr sheet);
  void Failed(const QString& mesh, const QString& error);
  void Finished(bool completed);  // the thread has ended; IsRunning() is false again

 private:
  class Worker;

  // Runs `work` on the job's thread; its result is Finished's.
  void Launch(std::function<bool(Worker&)> work);
  // Runs `call` on the GUI thread, unless the job is gone by then.
  void Post(std::function<void()> call);

  const settings::StyleSource& styles_;
  picture::FontLibrary& fonts_;
  bool running_ = false;
  std::thread thread_;

  std::mutex mutex_;
  std::condition_variable answered_changed_;
  bool answered_ = false;
  bool silent_ = false;
  std::vector<bool> ticks_;
  std::atomic<bool> cancel_{false};
};

}  // namespace sheetwright::ui
