// The desktop program on a real X server (Xvfb): it maps its window, and the End button saves the
// settings beside the executable and ends it; SIGTERM ends it too, saving the settings. Without a
// display it says what to do instead of aborting.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "process_test_util.h"

namespace sheetwright::test_util {
namespace {

// Copies the program into its own folder (its settings file goes beside it), starts it under
// Xvfb, reports the window's geometry, clicks "終了" and reports how the program ended.
constexpr const char* kScript = R"sh(
set -u
unset QT_QPA_PLATFORM  # the tests' offscreen platform would show nothing on the X server
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$2"
dir=$(mktemp -d)
cp "$1" "$dir/sheetwright"
"$dir/sheetwright" & pid=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Sheetwright$' | head -n 1)
if [ -z "$wid" ]; then echo "no window"; kill $pid; exit 1; fi
xwininfo -id "$wid" | grep -E 'Width|Height'
xdotool mousemove --window "$wid" 148 24 click 1
( sleep 30; kill $pid 2>/dev/null ) &
wait $pid; echo "exit: $?"
test -s "$dir/vellumist.ini" && echo "settings saved"
rm -f "$dir/vellumist.ini"
"$dir/sheetwright" & pid=$!
# The window of this process (the last one's may linger on the server for a moment).
timeout 60 xdotool search --sync --onlyvisible --pid $pid --name '^Sheetwright$' >/dev/null
kill -TERM $pid
( sleep 30; kill -KILL $pid 2>/dev/null ) &
wait $pid; echo "signalled: $?"
test -s "$dir/vellumist.ini" && echo "settings saved again"
rm -rf "$dir"
)sh";

TEST(DesktopProgram, MapsItsWindowOnAnXServerAndEndsWithTheEndButton) {
  std::string program = SHEETWRIGHT_BINARY_DIR "/bin/sheetwright";
  ProcessResult run = RunProgram(
      "/usr/bin/xvfb-run", {"-a", "-s", "-screen 0 1280x1024x24", "/bin/sh", "-c", kScript, "sh",
                            program, SHEETWRIGHT_SOURCE_DIR "/tests/lsan_desktop.supp"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_NE(run.out.find("Width: 896"), std::string::npos) << run.out << run.err;
  EXPECT_NE(run.out.find("Height: 664"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("exit: 0"), std::string::npos) << run.out << run.err;
  EXPECT_NE(run.out.find("settings saved"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("signalled: 143"), std::string::npos) << run.out << run.err;
  EXPECT_NE(run.out.find("settings saved again"), std::string::npos) << run.out;
}

TEST(DesktopProgram, WithoutADisplayAnswersHelpAndSaysWhatToDo) {
  std::string program = SHEETWRIGHT_BINARY_DIR "/bin/sheetwright";
  ProcessResult help = RunProgram("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                                   "QT_QPA_PLATFORM", program, "--help"});
  EXPECT_EQ(help.exit_status, 0) << help.err;
  EXPECT_NE(help.out.find("Usage: sheetwright"), std::string::npos) << help.out;
  ProcessResult bare = RunProgram(
      "/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", program});
  EXPECT_EQ(bare.exit_status, 1);
  EXPECT_NE(bare.err.find("xvfb-run"), std::string::npos) << bare.err;
  EXPECT_NE(bare.err.find("sheetwright-convert"), std::string::npos) << bare.err;
}

}  // namespace
}  // namespace sheetwright::test_util
