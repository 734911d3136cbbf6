// The desktop program on a real X server (Xvfb): it maps its window, and the End button saves the
// settings beside the executable and ends it.
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
}

}  // namespace
}  // namespace sheetwright::test_util
