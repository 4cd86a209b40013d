// platform_windows.cpp — the controls of platform.h that the subsystems call,
// on Windows, where the system itself is the platform.
//
// One saver process serves every monitor, so the music lock is always its
// own; the clock is the C runtime's; a display and a registry are always
// there, so what can fail is said in the system's terms.
#include <windows.h>

#include <ctime>
#include <string>

#include "platform/platform.h"

namespace platform {

time_t PlatformTime(time_t* out) { return std::time(out); }

bool TakeMusicLock() { return true; }

// DirectDraw's Flip waits for the refresh only in a full-screen exclusive
// mode, and not under every driver: the saver keeps its own frame cap.
bool VerticalSyncInEffect() { return false; }
// Direct3D names no software renderer the way GL's renderer string does.
bool SoftwareRendererInEffect() { return false; }

std::string DisplayError() { return std::string(); }

std::string DeviceError() { return std::string(); }

std::string RegistryFilePath() { return "the registry (HKEY_CURRENT_USER)"; }

std::string RegistryWriteFailure() {
    return "Windows refused to write them under HKEY_CURRENT_USER in the registry.";
}

}  // namespace platform
