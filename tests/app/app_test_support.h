// Shared set-up of the application tests: the headless window backend on a
// virtual clock, the fake DirectDraw / Direct3D objects, a recording double
// of the DirectMusic objects whose calls go into the same record as the
// device's (fakedx::W().calls, as "music.<call>"), an empty registry, the
// built-in settings and fresh application, scene and host records.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/fake_directx.h"
#include "config/settings.h"

namespace apptest {

// The recorded calls that start with `prefix`, in order.
std::vector<std::string> CallsStartingWith(const std::string& prefix);
// Index of the first recorded call equal to `name` at or after `from`; -1 when none.
int IndexOf(const std::string& name, int from = 0);
// DirectMusic objects of the double still alive.
int LiveMusicObjects();

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The saver window as the host creates it (full screen without a parent),
    // with the process command line set to `commandLine` first.
    HWND StartSaver(const char* commandLine, HWND parent = nullptr);
    // Dispatches up to `count` timer ticks of the saver window.
    void RunTicks(int count);
    // Dispatches everything queued except timer ticks; true when the quit message came.
    bool PumpMessages();
    // Stores `settings` in the registry as the settings dialog would.
    static void StoreSettings(const Settings& settings);
};

}  // namespace apptest
