// A real sheetwright-convert stopped from outside: by SIGINT, SIGTERM or SIGHUP while it stores
// drawings, by a progress reader that goes away, by a low limit of open files. Nothing it leaves
// may be half-written, and no older drawing may be lost.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "process_test_util.h"

namespace sheetwright {
namespace {

namespace fs = std::filesystem;
using test_util::ReadFileBytes;
using test_util::TempFolder;
using ::testing::HasSubstr;

const std::string kExamples = SHEETWRIGHT_SOURCE_DIR "/examples";
const std::string kOld = "old drawing";

// A converter whose stderr is a pipe this test reads.
class Converter {
 public:
  explicit Converter(const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string program = test_util::ConverterPath();
    std::vector<char*> argv{program.data()};
    std::vector<std::string> copies = args;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    err_fd_ = fds[0];
    if (rc != 0) throw std::runtime_error("cannot run the converter");
  }
  ~Converter() {
    if (err_fd_ >= 0) ::close(err_fd_);
    if (pid_ > 0) Wait();
  }

  // Reads stderr until it holds `text` (or ends); true when it does.
  bool ReadUntil(const std::string& text) {
    char buffer[4096];
    while (err_.find(text) == std::string::npos) {
      ssize_t n = ::read(err_fd_, buffer, sizeof buffer);
      if (n <= 0) return false;
      err_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  void StopReading() {
    ::close(err_fd_);
    err_fd_ = -1;
  }
  void Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
  }
  // True once the process catches `signal` (Linux's /proc/PID/status, SigCgt); false when it ended
  // first.
  bool Catches(int signal) {
    for (;;) {
      std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
      std::string line;
      bool alive = false;
      while (std::getline(status, line)) {
        if (line.rfind("State:", 0) == 0) alive = line.find('Z') == std::string::npos;
        if (line.rfind("SigCgt:", 0) == 0 && alive) {
          if ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1) return true;
        }
      }
      if (!alive) return false;
      sched_yield();
    }
  }
  // Whether the converter has ended (it is then reaped).
  bool Exited() {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
    exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    pid_ = 0;
    return true;
  }
  // The exit status, or 1000 + the signal that ended it.
  int Wait() {
    if (err_fd_ >= 0) ReadUntil("\x01never");
    if (pid_ == 0) return exit_status_;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }
  const std::string& err() const { return err_; }

 private:
  pid_t pid_ = 0;
  int exit_status_ = -1;
  int err_fd_ = -1;
  std::string err_;
};

class StopSignalsTest : public ::testing::Test {
 protected:
  // `count` meshes (links to one example mesh), each with an older drawing in every format.
  void MakeMeshes(int count, const std::vector<std::string>& extensions) {
    fs::create_directories(in());
    fs::create_directories(out());
    for (int i = 0; i < count; ++i) {
      std::string name = "M" + std::to_string(100 + i);
      fs::create_directory_symlink(kExamples + "/meshes/533945-urban", in() + "/" + name);
      for (const std::string& ext : extensions) dir_.Write("out/" + name + ext, kOld);
    }
  }
  // One mesh whose only line has a million points, every segment crossing the sheet.
  void WriteZigzagMesh() {
    fs::create_directories(in() + "/533946/road");
    fs::create_directories(out());
    {
      std::ofstream arc(in() + "/533946/road/roadntwk.arc", std::ios::binary);
      constexpr int kPoints = 1000000;
      arc << "533946,ARC,20250401,1\r\nL2110,1,1," << kPoints << "\r\n";
      for (int i = 0; i < kPoints; ++i) {
        arc << (i % 2 ? "1500.0," : "0.0,") << int64_t{i} * 7919 % 9990 / 10 << ".0\r\n";
      }
    }
    dir_.Write("in/533946/road/road.atr", "533946,ATR,20250401,ROAD,1\r\nL2110,1,0,\r\n");
  }
  // Files in the output folder by what they hold.
  struct Census {
    int old = 0, fresh = 0, temporary = 0;
  };
  Census Count() const {
    Census c;
    for (const auto& entry : fs::directory_iterator(out())) {
      std::string name = entry.path().filename();
      if (name.find(".tmp") != std::string::npos) {
        ++c.temporary;
      } else if (ReadFileBytes(entry.path()) == kOld) {
        ++c.old;
      } else {
        ++c.fresh;
      }
    }
    return c;
  }
  std::string in() const { return dir_ / "in"; }
  std::string out() const { return dir_ / "out"; }
  TempFolder dir_;
};

TEST_F(StopSignalsTest, AStopSignalRemovesTemporariesKeepsOldDrawingsAndExitsWith128PlusIt) {
  constexpr int kMeshes = 40;
  MakeMeshes(kMeshes, {".wmf", ".pdf"});
  struct Case {
    int signal;
    const char* jobs;
    const char* name;
  };
  for (const Case& c :
       {Case{SIGINT, "1", "SIGINT"}, Case{SIGTERM, "2", "SIGTERM"}, Case{SIGHUP, "3", "SIGHUP"}}) {
    SCOPED_TRACE(c.name);
    Converter run({"-s", kExamples + "/vellumist.ini", "-f", "wmf,pdf", "-j", c.jobs, in(), out()});
    ASSERT_TRUE(run.ReadUntil("] M")) << run.err();  // one mesh stored: the run is under way
    run.Signal(c.signal);
    EXPECT_EQ(run.Wait(), 128 + c.signal) << run.err();
    Census files = Count();
    EXPECT_EQ(files.temporary, 0);
    EXPECT_EQ(files.old + files.fresh, 2 * kMeshes);
    int stored = -1;
    size_t at = run.err().find(std::string("stopped by ") + c.name + ": ");
    ASSERT_NE(at, std::string::npos) << run.err();
    std::sscanf(run.err().c_str() + at, "%*s %*s %*s %d", &stored);
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, kMeshes);
    // Both files of a stored mesh are new (earlier cases stored some too); no other file is.
    EXPECT_GE(files.fresh, 2 * stored);
    EXPECT_EQ(files.fresh % 2, 0);
  }
}

// A stop that comes while the converter starts (before it reads its settings) ends it as a stop,
// not by the signal itself.
TEST_F(StopSignalsTest, LinuxOnlyAStopInTheFirstInstantOfMainIsAStop) {
  MakeMeshes(2, {".wmf"});
  Converter run({"-s", kExamples + "/vellumist.ini", "-j", "1", in(), out()});
  ASSERT_TRUE(run.Catches(SIGTERM));
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(), 128 + SIGTERM) << run.err();
  EXPECT_EQ(Count().temporary, 0);
}

// A line of a million points that crosses the whole sheet with every segment, each somewhere
// else: drawing it as PNG takes far longer than a stop may wait, so the stop must come through
// while the image is drawn.
TEST_F(StopSignalsTest, AStopDuringTheDrawingOfAnImageEndsTheRun) {
  WriteZigzagMesh();
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    Converter run({"-s", kExamples + "/vellumist.ini", "-f", "png", "-j", jobs, in(), out()});
    // The image's temporary file is made just before the drawing starts.
    while (Count().temporary == 0 && !run.Exited()) ::usleep(10000);
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(), 128 + SIGTERM) << run.err();
    EXPECT_THAT(run.err(), HasSubstr("stopped by SIGTERM: 0 of 1"));
    Census files = Count();
    EXPECT_EQ(files.temporary, 0);
    EXPECT_EQ(files.fresh, 0);
  }
}

// A second signal, for a stop that seems slow, ends the process at once; what it leaves behind
// (the temporary image) goes with the next run.
TEST_F(StopSignalsTest, ASecondSignalEndsTheProcessAtOnce) {
  WriteZigzagMesh();
  {
    Converter run({"-s", kExamples + "/vellumist.ini", "-f", "png", "-j", "1", in(), out()});
    while (Count().temporary == 0 && !run.Exited()) ::usleep(10000);
    run.Signal(SIGTERM);
    run.Signal(SIGINT);
    // Ended by a signal, not by the exit of a stopped run: by SIGINT, or by SIGTERM when both were
    // pending at once (the kernel hands the lower number over first).
    EXPECT_THAT(run.Wait(), ::testing::AnyOf(1000 + SIGINT, 1000 + SIGTERM)) << run.err();
  }
  Converter next({"-s", kExamples + "/vellumist.ini", "-f", "wmf", in(), out()});
  EXPECT_EQ(next.Wait(), 0) << next.err();
  Census files = Count();
  EXPECT_EQ(files.temporary, 0);
  EXPECT_EQ(files.fresh, 1);
}

// A stop while a mosaic is drawn, in each of its formats: the run ends as a stop, no temporary and
// no part of the map is left, and an older file of the name is kept. The sheets are the urban
// example under sheet-code names (zone VII, 4 x 5 blocks of four); the PNG, which holds its whole
// image, takes one row of two blocks. The DXF, which keeps the sheets it surveyed in a file of
// their own beside it until it draws them, is stopped twice: while that file grows and once the
// drawing has begun; such a file that a killed run left is gone too.
TEST_F(StopSignalsTest, AStopDuringAMosaicLeavesNoFile) {
  fs::create_directories(in());
  fs::create_directories(out());
  std::vector<std::string> row;
  for (int r = 1; r <= 5; ++r) {
    for (int c = 1; c <= 4; ++c) {
      for (int q = 1; q <= 4; ++q) {
        std::string code = "07MD" + std::to_string(r) + std::to_string(c) + std::to_string(q);
        fs::create_directory_symlink(kExamples + "/meshes/533945-urban", in() + "/" + code);
        if (r == 1 && c <= 2) row.push_back(code);
      }
    }
  }
  // The bytes of the temporaries, the scratch file of the surveyed sheets apart.
  auto temporaries = [&](bool sheets) {
    uintmax_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(out())) {
      std::string name = entry.path().filename();
      if (name.find(".tmp") != std::string::npos &&
          (name.find(".sheets.tmp") != std::string::npos) == sheets) {
        std::error_code gone;
        uintmax_t size = fs::file_size(entry.path(), gone);
        bytes += gone ? 0 : size;
      }
    }
    return bytes;
  };
  struct Case {
    std::string extension;
    bool drawing;  // the DXF: stopped once its file has bytes, not while it surveys the sheets
  };
  for (const Case& c : {Case{".pdf", false}, Case{".svg", false}, Case{".dxf", false},
                        Case{".dxf", true}, Case{".png", false}}) {
    const std::string& extension = c.extension;
    SCOPED_TRACE(extension + (c.drawing ? " drawing" : ""));
    std::string town = out() + "/town" + extension;
    dir_.Write("out/town" + extension, kOld);
    // What a killed run left, which this one removes first (no process has that id).
    if (extension == ".dxf") dir_.Write("out/town.dxf.sheets.tmp2147483000-aB3xYz", "");
    std::vector<std::string> args{"-s", kExamples + "/vellumist.ini", "--mosaic", town, in(),
                                  out()};
    if (extension == ".png") args.insert(args.end(), row.begin(), row.end());
    Converter run(args);
    // The file's temporary is made once the sheets are placed, before the first is drawn.
    while (Count().temporary == 0 && !run.Exited()) ::usleep(2000);
    if (extension == ".dxf") {
      while (temporaries(!c.drawing) == 0 && !run.Exited()) ::usleep(2000);
    }
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(), 128 + SIGTERM) << run.err();
    EXPECT_THAT(run.err(), HasSubstr("stopped; " + town + " not written"));
    Census files = Count();
    EXPECT_EQ(files.temporary, 0);
    EXPECT_EQ(files.fresh, 0);
    EXPECT_EQ(ReadFileBytes(town), kOld);
    fs::remove(town);
  }
}

// A stop while meshes go into one --into file: the mesh under way is rolled back, and the file
// holds whole meshes, no index begun, nothing beside it.
TEST_F(StopSignalsTest, AStopDuringIntoLeavesWholeMeshesInAValidFile) {
  constexpr int kMeshes = 40;
  MakeMeshes(kMeshes, {});
  const std::string file = out() + "/all.gpkg";
  Converter run({"-s", kExamples + "/vellumist.ini", "-j", "1", "--into", file, in(), out()});
  ASSERT_TRUE(run.ReadUntil("] M")) << run.err();
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(), 128 + SIGTERM) << run.err();
  int stored = -1;
  size_t at = run.err().find("stopped by SIGTERM: ");
  ASSERT_NE(at, std::string::npos) << run.err();
  std::sscanf(run.err().c_str() + at, "%*s %*s %*s %d", &stored);
  EXPECT_THAT(run.err(), HasSubstr(" meshes stored in " + file));
  ASSERT_GT(stored, 0);
  ASSERT_LT(stored, kMeshes);
  EXPECT_EQ(test_util::IntoFileSummary(file),
            "ok " + std::to_string(stored) + " " + std::to_string(330 * stored) + " 0");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(out())) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"all.gpkg"});
}

// A stop once the last mesh is in, while the spatial indexes are built: the run ends stopped
// with every mesh whole and no index at all, or (when the signal came too late) ends well with
// every index. Never some indexes, never a stopped run that says it finished.
TEST_F(StopSignalsTest, AStopWhileTheIntoFileIsIndexedLeavesAllIndexesOrNone) {
  constexpr int kMeshes = 40;
  MakeMeshes(kMeshes, {});
  const std::string file = out() + "/all.gpkg";
  Converter run({"-s", kExamples + "/vellumist.ini", "-j", "1", "--into", file, in(), out()});
  ASSERT_TRUE(run.ReadUntil("[40/40] M")) << run.err();
  run.Signal(SIGTERM);
  const int status = run.Wait();
  const std::string whole = "ok 40 " + std::to_string(330 * kMeshes);
  if (status == 128 + SIGTERM) {
    EXPECT_THAT(run.err(), HasSubstr("stopped by SIGTERM: 40 of 40"));
    EXPECT_EQ(test_util::IntoFileSummary(file), whole + " 0");
  } else {
    EXPECT_EQ(status, 0) << run.err();
    EXPECT_EQ(test_util::IntoFileSummary(file), whole + " 1");
  }
  EXPECT_EQ(Count().temporary, 0);
}

// Progress read by a reader that quits (`... 2>&1 | head -c 10`): the run goes on to the end.
TEST_F(StopSignalsTest, AClosedProgressStreamNeverStopsTheRun) {
  MakeMeshes(6, {".wmf"});
  Converter run({"-s", kExamples + "/vellumist.ini", "-j", "1", in(), out()});
  ASSERT_TRUE(run.ReadUntil("["));
  run.StopReading();
  EXPECT_EQ(run.Wait(), 0);
  Census files = Count();
  EXPECT_EQ(files.fresh, 6);
  EXPECT_EQ(files.temporary, 0);
}

// Many jobs with every format need more handles than a low soft limit gives: the converter
// raises it to the hard limit.
TEST_F(StopSignalsTest, ManyJobsRaiseALowSoftLimitOfOpenFiles) {
  MakeMeshes(8, {});
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit low = saved;
  low.rlim_cur = 16;
  ::setrlimit(RLIMIT_NOFILE, &low);
  test_util::ProcessResult r = test_util::RunProgram(
      test_util::ConverterPath(),
      {"-q", "-s", kExamples + "/vellumist.ini", "-f", "wmf,svg,png,pdf", "-j", "8", in(), out()});
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Count().fresh, 32);
}

}  // namespace
}  // namespace sheetwright
