// Test entry: every test runs against the headless window backend, with the
// registry file and the run-time locks in a private folder and message boxes captured, so that no
// test touches the user's settings or waits for a click.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform_testing.h"
#include "platform/sanitizer_defaults.h"
#include "test_support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string home = testsupport::MakeTempDir("vexlar-tests-");
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);  // per-process locks: parallel tests never share one
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    testsupport::CaptureMessageBoxes();
    int result = RUN_ALL_TESTS();
    testsupport::RemoveTree(home);
    return result;
}
