// One conversion of the desktop program, a preview or a batch, run on a thread of its own so that
// the window stays alive. The job talks to the window only through queued signals: the messages
// about bad records (the conversion then waits until the window calls Acknowledge), the progress
// of each mesh, the status text, each converted sheet, a failure and the end. Each run has a
// generation: a new start abandons (cancels) the run before it, whose late signals are dropped, so
// two runs never cross. The GUI thread never waits for a run's thread; only the destructor joins,
// after cancelling. A cancelled run reports no failure. The style source is read at each layer
// row's turn, so a setting changed meanwhile applies to the rows not yet drawn; likewise the ticks,
// read at each mesh's turn (SetTicked): a row ticked meanwhile counts into the status's total when
// it is reached, one unticked meanwhile leaves it then, so the count never passes the total.
// A batch may end with one map of the meshes it stored (conversion::WriteMosaic) on the same
// thread, stopped and reported as the batch is.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "conversion/batch.h"
#include "conversion/mosaic.h"
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
  // Cancels every run and waits for their threads.
  ~ConversionJob() override;

  bool IsRunning() const { return running_; }

  // Converts one mesh; Converted carries the sheet, or Failed the fatal error. Nothing is stored.
  void StartPreview(const std::string& mesh_folder);

  // Runs the batch over request.meshes with ticks[i] telling whether mesh i is ticked at the start
  // (request.wanted is set here). Status, Converted for each mesh, Failed for the error that ends
  // it; Finished(true) when it ran to its end.
  // With `map`, a batch that ran to its end draws the meshes it stored into map->path (its meshes
  // are set here), the progress naming each mesh of the map; then MapDrawn. A map that fails is a
  // failure of the batch; a stop leaves no part of the map file.
  void StartBatch(conversion::BatchRequest request, std::vector<bool> ticks,
                  std::optional<conversion::MosaicRequest> map = std::nullopt);

  // A tick changed while a batch runs.
  void SetTicked(size_t index, bool ticked);

  // The answer to MessageShown: the conversion goes on. With `rest_silent` the further messages of
  // this run are only logged.
  void Acknowledge(bool rest_silent);

  // Stops the conversion at its next step or waiting point (the thread then ends with
  // Finished(false), and no failure).
  void Cancel();

  // For an end that cannot wait for the event loop (a signal): cancels the run and waits for its
  // thread, which then has removed its temporary files. Nothing of it is emitted any more.
  void CancelAndWait();

 signals:
  void MessageLogged(const QString& mesh, const QString& text);  // every message of the run
  void MessageShown(const QString& mesh, const QString& text);   // waits for Acknowledge
  void Progress(const QString& mesh, int row, int rows);
  void Writing(const QString& mesh, const QString& format);  // "wmf", ..., "gpkg"
  void Status(const QString& text);
  void Converted(const QString& mesh, sheetwright::ui::SheetPtr sheet);
  void Failed(const QString& mesh, const QString& error);
  // The map is stored at `path`; `overview` shows its sheets in place (MapOverview).
  void MapDrawn(const QString& path, sheetwright::ui::SheetPtr overview);
  void Finished(bool completed);  // the thread has ended; IsRunning() is false again

 private:
  class Worker;
  struct Run;

  // Runs `work` on a thread of its own as a new run; its result is Finished's.
  void Launch(std::shared_ptr<Run> run, std::function<bool(Worker&)> work);
  // Runs `call` on the GUI thread while `generation` is still the current run (and the job lives).
  void Post(uint64_t generation, std::function<void()> call);
  // The map after a batch, on the batch's thread.
  void DrawMap(Worker& worker, const std::shared_ptr<Run>& run, conversion::MosaicRequest& map);
  // Joins the threads of runs that have ended (their threads have nothing left to do).
  void ReapEnded();

  const settings::StyleSource& styles_;
  picture::FontLibrary& fonts_;
  bool running_ = false;
  uint64_t generation_ = 0;
  std::shared_ptr<Run> run_;
  std::vector<std::pair<std::thread, std::shared_ptr<Run>>> threads_;
};

}  // namespace sheetwright::ui
