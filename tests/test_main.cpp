// Test entry: every test runs against the headless window backend, with the
// registry file and the run-time locks in a private folder and message boxes captured, so that no
// test touches the user's settings or waits for a click. On Windows the
// registry is the system's: HKEY_CURRENT_USER is a key of the run's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/platform_testing.h"
#endif
#include "platform/sanitizer_defaults.h"
#include "test_support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
    const std::string key = "Software\\vexlar-tests-" + std::to_string(GetCurrentProcessId());
    HKEY user = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, user);
    int result = RUN_ALL_TESTS();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(user);
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
#else
    std::string home = testsupport::MakeTempDir("vexlar-tests-");
    testsupport::SetEnv("XDG_CONFIG_HOME", home.c_str());
    testsupport::SetEnv("XDG_RUNTIME_DIR", home.c_str());  // per-process locks: parallel tests never share one
    testsupport::SetEnv("SDL_VIDEODRIVER", "dummy");
    testsupport::SetEnv("SDL_AUDIODRIVER", "dummy");
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    testsupport::CaptureMessageBoxes();
    int result = RUN_ALL_TESTS();
    testsupport::RemoveTree(home);
#endif
    return result;
}
