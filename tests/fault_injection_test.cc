// Real faults of the file system under sheetwright-convert and the settings file: a read-only
// output folder, an output name taken by a folder, an output folder that cannot be created, an
// unreadable data file, a full disk, an unreadable settings file, a read-only settings file or
// folder. Each must give the right message and exit status, leave every old file byte for byte
// whole, leave no temporary file behind, and (with --keep-going) let the other meshes through.
//
// Permissions do not stop root, so the converter runs as "nobody" (setpriv) when the tests run as
// root, and the settings writes run in a child process that drops to nobody. The full disk is a
// 64 KiB tmpfs in a private mount namespace (unshare); where that is not allowed the test skips.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "conversion/batch.h"
#include "conversion/mesh_test_util.h"
#include "output/wmf/wmf_reader_test_util.h"
#include "picture/font_library.h"
#include "process_test_util.h"
#include "settings/layer_styles.h"
#include "settings/settings_file.h"

namespace sheetwright {
namespace {

namespace fs = std::filesystem;
using conversion::test_util::TestMesh;
using test_util::ProcessResult;
using test_util::ReadFileBytes;
using test_util::TempFolder;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kSettings = SHEETWRIGHT_SOURCE_DIR "/examples/vellumist.ini";
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

bool IsRoot() { return geteuid() == 0; }

// A program as an unprivileged user: permissions then mean what they say.
ProcessResult RunUnprivileged(const std::string& program, const std::vector<std::string>& args) {
  if (!IsRoot()) return test_util::RunProgram(program, args);
  std::vector<std::string> all = {"--reuid=nobody", "--regid=nogroup", "--clear-groups", program};
  all.insert(all.end(), args.begin(), args.end());
  return test_util::RunProgram("/usr/bin/setpriv", all);
}

ProcessResult ConvertUnprivileged(const std::vector<std::string>& args) {
  return RunUnprivileged(test_util::ConverterPath(), args);
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool IsReadableWmf(const std::string& path) {
  try {
    auto playback = output::wmftest::Play(output::wmftest::ParseWmf(ReadFileBytes(path)));
    return playback.faults.empty() && !playback.ops.empty();
  } catch (const std::exception&) {
    return false;
  }
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // mkdtemp made the folder private; the unprivileged converter must reach the meshes.
    fs::permissions(dir_.path(), fs::perms(0755));
    for (const char* mesh : {"A", "B", "C"}) TestMesh().Write(in(mesh));
    fs::create_directories(out());
    OpenUp(dir_.path());
  }
  void TearDown() override { OpenUp(dir_.path()); }  // so that the folder can be removed

  // Every folder readable and listable by anyone, files readable.
  static void OpenUp(const std::string& root) {
    fs::permissions(root, fs::perms(0755));
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
    }
  }
  std::string in() const { return dir_ / "in"; }
  std::string in(const std::string& mesh) const { return dir_ / ("in/" + mesh); }
  std::string out() const { return dir_ / "out"; }
  std::string out(const std::string& file) const { return dir_ / ("out/" + file); }
  void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    fs::permissions(path, fs::perms(0644));
  }

  TempFolder dir_;
  const std::string old_a_ = std::string(3000, 'a');
  const std::string old_b_ = "old drawing of B";
};

TEST_F(FaultInjectionTest, ReadOnlyOutputFolderKeepsTheOldFiles) {
  Put(out("A.wmf"), old_a_);
  Put(out("B.wmf"), old_b_);
  fs::permissions(out(), fs::perms(0555));

  ProcessResult stop = ConvertUnprivileged({"-q", "-s", kSettings, in(), out()});
  EXPECT_EQ(stop.signal, 0);
  EXPECT_EQ(stop.exit_status, 1);
  EXPECT_THAT(stop.err, HasSubstr("A: " + out("A.wmf") + " に書き込めません: Permission denied"));
  EXPECT_THAT(stop.err, Not(HasSubstr("B: ")));  // the batch stopped at the first failure

  ProcessResult on = ConvertUnprivileged({"-q", "--keep-going", "-s", kSettings, in(), out()});
  EXPECT_EQ(on.exit_status, 1);
  EXPECT_THAT(on.err, HasSubstr("B: " + out("B.wmf") + " に書き込めません: Permission denied"));
  EXPECT_THAT(on.err, HasSubstr("C: " + out("C.wmf") + " に書き込めません: Permission denied"));

  EXPECT_TRUE(ReadFileBytes(out("A.wmf")) == old_a_);
  EXPECT_EQ(ReadFileBytes(out("B.wmf")), old_b_);
  EXPECT_EQ(Listing(out()), (std::vector<std::string>{"A.wmf", "B.wmf"}));
}

// The rules of every stored file, drawings and GeoPackages alike, root too: a file without write
// permission is kept and its mesh fails, a symbolic link is written through, and the replaced
// file's owner, group and mode are kept.
TEST_F(FaultInjectionTest, EveryStoredFileKeepsTheFileRules) {
  if (!IsRoot()) GTEST_SKIP() << "giving a file to nobody needs root";
  struct Case {
    std::vector<std::string> format;
    std::string file;
  };
  const Case cases[] = {{{"-f", "wmf"}, "A.wmf"},
                        {{"-f", "gpkg"}, "A.gpkg"},
                        {{"--into", out("all.gpkg")}, "all.gpkg"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::vector<std::string> args = c.format;
    for (const std::string& a : {std::string("-q"), std::string("-s"), kSettings, in(), out()}) {
      args.push_back(a);
    }
    const std::string file = out(c.file);
    ASSERT_EQ(test_util::RunProgram(test_util::ConverterPath(), args).exit_status, 0);
    ASSERT_EQ(chown(file.c_str(), kNobody, kNoGroup), 0);
    fs::permissions(file, fs::perms(0640));
    EXPECT_EQ(test_util::RunProgram(test_util::ConverterPath(), args).exit_status, 0);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNoGroup);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    fs::permissions(file, fs::perms(0444));
    const std::string frozen = ReadFileBytes(file);
    ProcessResult refused = test_util::RunProgram(test_util::ConverterPath(), args);
    EXPECT_EQ(refused.exit_status, 1);
    EXPECT_THAT(refused.err, HasSubstr(file + " に書き込めません: Permission denied"));
    EXPECT_TRUE(ReadFileBytes(file) == frozen);

    fs::remove(file);
    fs::create_directories(dir_ / "elsewhere");
    fs::create_symlink(dir_ / ("elsewhere/" + c.file), file);
    EXPECT_EQ(test_util::RunProgram(test_util::ConverterPath(), args).exit_status, 0);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_GT(fs::file_size(dir_ / ("elsewhere/" + c.file)), 0u);
    fs::remove(file);
  }
}

// A folder where B's drawing should go: B fails, the meshes around it are stored.
TEST_F(FaultInjectionTest, OutputNameTakenByAFolderFailsOnlyThatMesh) {
  fs::create_directories(out("B.wmf"));
  Put(out("B.wmf/keep.txt"), "keep");

  ProcessResult r = test_util::RunProgram(test_util::ConverterPath(),
                                          {"-q", "--keep-going", "-s", kSettings, in(), out()});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_THAT(r.err, HasSubstr("B: " + out("B.wmf") + " に書き込めません: Is a directory"));
  EXPECT_TRUE(IsReadableWmf(out("A.wmf")));
  EXPECT_TRUE(IsReadableWmf(out("C.wmf")));
  EXPECT_EQ(ReadFileBytes(out("B.wmf/keep.txt")), "keep");
  EXPECT_EQ(Listing(out()), (std::vector<std::string>{"A.wmf", "B.wmf", "C.wmf"}));
}

TEST_F(FaultInjectionTest, OutputFolderThatCannotBeCreated) {
  std::string locked = dir_ / "locked";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms(0555));
  ProcessResult r = ConvertUnprivileged({"-q", "-s", kSettings, in(), locked + "/out"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot create the output folder '" + locked + "/out'"));
  EXPECT_TRUE(Listing(locked).empty());
}

// A data file that exists but cannot be read ends that mesh's conversion, not the batch.
TEST_F(FaultInjectionTest, UnreadableDataFileFailsItsMeshOnly) {
  Put(out("A.wmf"), old_a_);
  fs::permissions(out(), fs::perms(0777));  // writable for the unprivileged converter
  std::string arc = in("A") + "/gyousei/gyousei.arc";
  fs::permissions(arc, fs::perms(0));

  ProcessResult r = ConvertUnprivileged({"-q", "--keep-going", "-s", kSettings, in(), out()});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_THAT(r.err, HasSubstr("A: " + arc + " を読み込めません: Permission denied"));
  EXPECT_TRUE(ReadFileBytes(out("A.wmf")) == old_a_);
  EXPECT_TRUE(IsReadableWmf(out("B.wmf")));
  EXPECT_TRUE(IsReadableWmf(out("C.wmf")));
}

// A theme folder that cannot be searched may hide its files: that is a failure to read them, not
// a mesh without that theme (whose layers would silently be missing from a drawing that is
// reported as stored).
TEST_F(FaultInjectionTest, UnsearchableThemeFolderFailsItsMeshOnly) {
  if (!IsRoot()) GTEST_SKIP() << "the folder would still be the current user's own";
  fs::permissions(out(), fs::perms(0777));
  fs::permissions(in("A") + "/gyousei", fs::perms(0700));

  ProcessResult r = ConvertUnprivileged({"-q", "--keep-going", "-s", kSettings, in(), out()});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_THAT(r.err, HasSubstr("A: " + in("A") +
                               "/gyousei/gyousei.arc を読み込めません: Permission denied"));
  EXPECT_FALSE(fs::exists(out("A.wmf")));
  EXPECT_TRUE(IsReadableWmf(out("B.wmf")));
  EXPECT_TRUE(IsReadableWmf(out("C.wmf")));
}

// An input folder that may be entered but not listed: no mesh can be found, which must be said,
// not reported as a batch of nothing stored.
TEST_F(FaultInjectionTest, UnlistableInputFolderIsAnError) {
  if (!IsRoot()) GTEST_SKIP() << "the folder would still be the current user's own";
  fs::permissions(out(), fs::perms(0777));
  fs::permissions(in(), fs::perms(0711));

  ProcessResult r = ConvertUnprivileged({"-q", "-s", kSettings, in(), out()});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_THAT(r.err, HasSubstr("cannot read the input folder '" + in() + "': Permission denied"));
  EXPECT_FALSE(fs::exists(out("A.wmf")));
}

// A settings file that is there but cannot be read, named or the default beside the program: read
// as empty, it would turn every layer off and replace good drawings with blank ones.
TEST_F(FaultInjectionTest, UnreadableSettingsFileStopsBeforeAnythingIsConverted) {
  Put(out("A.wmf"), old_a_);
  fs::permissions(out(), fs::perms(0777));
  std::string bin = dir_ / "bin";
  fs::create_directories(bin);
  std::string program = bin + "/sheetwright-convert";
  fs::copy_file(test_util::ConverterPath(), program);
  fs::permissions(program, fs::perms(0755));
  for (const std::string& ini : {dir_ / "mine.ini", bin + "/vellumist.ini"}) {
    Put(ini, ReadFileBytes(kSettings));
    fs::permissions(ini, fs::perms(0));
  }

  ProcessResult named = ConvertUnprivileged({"-s", dir_ / "mine.ini", in(), out()});
  EXPECT_EQ(named.exit_status, 2);
  EXPECT_EQ(named.err, "sheetwright-convert: " + (dir_ / "mine.ini") +
                           " を読み込めません: Permission denied\n");
  ProcessResult beside = RunUnprivileged(program, {"-q", in(), out()});
  EXPECT_EQ(beside.exit_status, 2);
  EXPECT_EQ(beside.err,
            "sheetwright-convert: " + bin + "/vellumist.ini を読み込めません: Permission denied\n");

  EXPECT_TRUE(ReadFileBytes(out("A.wmf")) == old_a_);
  EXPECT_EQ(Listing(out()), std::vector<std::string>{"A.wmf"});
}

// Without the command line's help: the batch itself with an output folder that is not there.
TEST_F(FaultInjectionTest, BatchIntoAMissingOutputFolderReportsEveryMesh) {
  class Collect : public conversion::BatchObserver {
   public:
    void Failed(const std::string& mesh, const std::string& error) override {
      failures.push_back(mesh + ": " + error);
    }
    std::vector<std::string> failures;
  };
  settings::LayerStyleTable styles;
  styles.SetEnabled(settings::LayerKey::kSumiLine, true);
  picture::FontLibrary fonts;
  conversion::BatchRequest request;
  request.input_folder = in();
  request.output_folder = dir_ / "missing";
  request.meshes = {"A", "B"};

  Collect stopped;
  conversion::BatchResult first = conversion::RunBatch(request, styles, fonts, stopped);
  EXPECT_FALSE(first.finished);
  EXPECT_EQ(first.stored, 0);
  ASSERT_EQ(stopped.failures.size(), 1u);
  EXPECT_EQ(stopped.failures[0],
            "A: " + request.output_folder + "/A.wmf に書き込めません: No such file or directory");

  request.keep_going = true;
  Collect all;
  conversion::BatchResult second = conversion::RunBatch(request, styles, fonts, all);
  EXPECT_EQ(second.failed, 2);
  EXPECT_EQ(all.failures.size(), 2u);
  EXPECT_FALSE(fs::exists(request.output_folder));
}

// A disk that fills up while the drawing is written: the old drawing stays, no partial file.
TEST_F(FaultInjectionTest, FullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
  std::string disk = dir_ / "disk";
  std::string report = dir_ / "report";
  fs::create_directories(disk);
  fs::create_directories(report);
  // A real mesh whose drawing (some 70 KiB) cannot fit on a 64 KiB file system.
  std::string big = dir_ / "big";
  fs::create_directories(big);
  fs::copy(SHEETWRIGHT_SOURCE_DIR "/examples/meshes/533945-urban", big + "/A",
           fs::copy_options::recursive);
  const std::string script =
      "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 99\n"
      "head -c 3000 /dev/zero | tr '\\000' a >\"$1/A.wmf\"\n"
      "\"$2\" -q -s \"$3\" \"$4\" \"$1\"; rc=$?\n"
      "cp \"$1/A.wmf\" \"$5/A.wmf\"; ls -A \"$1\" >\"$5/listing\"\n"
      "exit $rc\n";
  ProcessResult r = test_util::RunProgram(
      "/usr/bin/unshare", {"-m", "/bin/sh", "-c", script, "sh", disk, test_util::ConverterPath(),
                           kSettings, big, report});
  if (r.exit_status == 99 || (r.exit_status == 1 && r.err.find("unshare") != std::string::npos))
    GTEST_SKIP() << "no private tmpfs here: " << r.err;
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_THAT(r.err, HasSubstr("A: " + disk + "/A.wmf に書き込めません: No space left on device"));
  EXPECT_TRUE(ReadFileBytes(report + "/A.wmf") == old_a_);
  EXPECT_EQ(ReadFileBytes(report + "/listing"), "A.wmf\n");
}

// --into on a file system that fills up: the run fails naming the file and the reason, and leaves
// a valid GeoPackage of whole meshes and nothing beside it.
TEST_F(FaultInjectionTest, IntoOnAFullDiskFailsAndLeavesAValidFile) {
  std::string disk = dir_ / "disk", report = dir_ / "report", urban = dir_ / "urban";
  for (const std::string& folder : {disk, report, urban}) fs::create_directories(folder);
  for (const char* mesh : {"M1", "M2", "M3", "M4"}) {
    fs::create_directory_symlink(SHEETWRIGHT_SOURCE_DIR "/examples/meshes/533945-urban",
                                 urban + "/" + mesh);
  }
  // Room for the new file and a mesh or two (some 450 KiB each), not for four.
  const std::string script =
      "mount -t tmpfs -o size=1600k tmpfs \"$1\" || exit 99\n"
      "\"$2\" -q --keep-going --into \"$1/all.gpkg\" \"$3\" \"$4\"; rc=$?\n"
      "cp \"$1/all.gpkg\" \"$4/\"; ls -A \"$1\" >\"$4/listing\"\n"
      "exit $rc\n";
  ProcessResult r = test_util::RunProgram(
      "/usr/bin/unshare",
      {"-m", "/bin/sh", "-c", script, "sh", disk, test_util::ConverterPath(), urban, report});
  if (r.exit_status == 99 || (r.exit_status == 1 && r.err.find("unshare") != std::string::npos))
    GTEST_SKIP() << "no private tmpfs here: " << r.err;
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_THAT(r.err, HasSubstr(disk + "/all.gpkg に書き込めません: "));
  EXPECT_EQ(ReadFileBytes(report + "/listing"), "all.gpkg\n");
  const std::string summary = test_util::IntoFileSummary(report + "/all.gpkg");
  int meshes = 0, blocks = 0, indexes = -1;
  ASSERT_EQ(std::sscanf(summary.c_str(), "ok %d %d %d", &meshes, &blocks, &indexes), 3) << summary;
  EXPECT_GT(meshes, 0);
  EXPECT_LT(meshes, 4);
  EXPECT_EQ(blocks, 330 * meshes) << "whole meshes only";
  EXPECT_TRUE(indexes == 0 || indexes == 16) << "whole indexes or none";
}

// Runs `body` in a child process as nobody (when root; as the current user otherwise) and returns
// what it wrote to its pipe, or nullopt when the child could not drop its privileges.
std::optional<std::string> RunAsNobody(const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (IsRoot() && (setgroups(0, nullptr) != 0 || setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
                     setresuid(kNobody, kNobody, kNobody) != 0))
      _exit(77);
    std::string text = body();
    ssize_t written = write(fds[1], text.data(), text.size());
    _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

// What a settings write says: its error message, or "written".
std::string TrySettingsWrite(const std::function<void()>& write) {
  try {
    write();
    return "written";
  } catch (const settings::SettingsWriteError& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("unexpected: ") + e.what();
  }
}

TEST_F(FaultInjectionTest, SettingsInAReadOnlyFolderStayWhole) {
  std::string folder = dir_ / "program";
  std::string ini = folder + "/vellumist.ini";
  fs::create_directories(folder);
  const std::string old =
      "; kept by hand\r\n[COLOR]\r\nGAIKU_LINE=255\r\n[Foreign]\r\nKey=value\r\n";
  Put(ini, old);
  fs::permissions(folder, fs::perms(0555));

  settings::LayerStyleTable table;
  table.SetEnabled(settings::LayerKey::kKenLine, true);
  std::optional<std::string> end =
      RunAsNobody([&] { return TrySettingsWrite([&] { settings::SaveSettings(ini, table); }); });
  ASSERT_TRUE(end.has_value()) << "could not run as nobody";
  EXPECT_EQ(*end, ini + " に書き込めません: Permission denied");

  std::optional<std::string> folder_choice = RunAsNobody(
      [&] { return TrySettingsWrite([&] { settings::StoreFolder(ini, "INPUT", dir_.path()); }); });
  ASSERT_TRUE(folder_choice.has_value());
  EXPECT_EQ(*folder_choice, ini + " に書き込めません: Permission denied");

  EXPECT_EQ(ReadFileBytes(ini), old);
  EXPECT_EQ(Listing(folder), std::vector<std::string>{"vellumist.ini"});
}

// A settings file made read-only in a folder that allows writing: its owner froze the settings, so
// neither the End button nor a folder choice may replace it, though a rename could. A writable file
// in the same folder is replaced as ever.
TEST_F(FaultInjectionTest, ReadOnlySettingsFileIsNeverReplaced) {
  std::string folder = dir_ / "program";
  std::string ini = folder + "/vellumist.ini";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms(0777));
  const std::string old = "; frozen\r\n[CONVERT]\r\nKEN_LINE=ON\r\n";
  Put(ini, old);
  fs::permissions(ini, fs::perms(0444));

  settings::LayerStyleTable table;
  auto save = [&] { return TrySettingsWrite([&] { settings::SaveSettings(ini, table); }); };
  auto choose = [&] {
    return TrySettingsWrite([&] { settings::StoreFolder(ini, "INPUT", dir_.path()); });
  };
  EXPECT_EQ(RunAsNobody(save), ini + " に書き込めません: Permission denied");
  EXPECT_EQ(RunAsNobody(choose), ini + " に書き込めません: Permission denied");
  EXPECT_EQ(ReadFileBytes(ini), old);
  EXPECT_EQ(fs::status(ini).permissions(), fs::perms(0444));
  EXPECT_EQ(Listing(folder), std::vector<std::string>{"vellumist.ini"});

  fs::permissions(ini, fs::perms(0666));
  EXPECT_EQ(RunAsNobody(choose), "written");
  EXPECT_EQ(ReadFileBytes(ini), old + "[FILE]\r\nINPUT=" + dir_.path() + "\r\n");
  EXPECT_EQ(Listing(folder), std::vector<std::string>{"vellumist.ini"});
}

// The End button's save on a full disk, in a child with a private 8 KiB tmpfs: the old file stays.
TEST_F(FaultInjectionTest, SettingsOnAFullDiskStayWhole) {
  if (!IsRoot()) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::string disk = dir_ / "disk";
  fs::create_directories(disk);
  const std::string old = "[Foreign]\r\nKey=value\r\n";
  settings::LayerStyleTable table;
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    auto report = [&](const std::string& text) {
      ssize_t n = write(pipe_fds[1], text.data(), text.size());
      _exit(n == static_cast<ssize_t>(text.size()) ? 0 : 1);
    };
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
        mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
      report("skip");
    const std::string ini = disk + "/vellumist.ini";
    std::ofstream(ini, std::ios::binary) << old;
    std::ofstream(disk + "/filler", std::ios::binary) << std::string(16384, 'f');
    std::string said = TrySettingsWrite([&] { settings::SaveSettings(ini, table); });
    report(said + "\n" + ReadFileBytes(ini) + "\n" + std::to_string(Listing(disk).size()));
  }
  close(pipe_fds[1]);
  std::string got;
  char buffer[4096];
  for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
  close(pipe_fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  if (got == "skip") GTEST_SKIP() << "no private tmpfs here";
  // The message, the old bytes, and no file but the settings and the filler.
  EXPECT_EQ(got, disk + "/vellumist.ini に書き込めません: No space left on device\n" + old + "\n2");
}

}  // namespace
}  // namespace sheetwright
