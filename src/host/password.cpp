// password.cpp — password provider, running flag and password change.
//
// The provider and the change dialog belong to optional system components
// loaded by name; the platform has none of them unless a test registers them.
#include "host/password.h"

#include "host/host_state.h"

namespace {

bool PasswordSwitchedOn() {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return false;
    // Four raw bytes whatever the stored type; a longer value fails the read.
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG status = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                                   reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && value != 0;
}

}  // namespace

void LoadPasswordProvider() {
    if (!Host.isWin9x) return;
    UnloadPasswordProvider();
    if (!PasswordSwitchedOn()) return;

    Host.passwordLibrary = LoadLibraryA("PASSWORD.CPL");
    if (!Host.passwordLibrary) return;
    Host.verifyPassword = ProcAs<VerifyScreenSavePwdProc>(GetProcAddress(Host.passwordLibrary, "VerifyScreenSavePwd"));
    if (Host.verifyPassword) {
        SetSaverRunning(true);
    } else {
        UnloadPasswordProvider();
    }
}

void UnloadPasswordProvider() {
    if (!Host.isWin9x || !Host.passwordLibrary) return;
    FreeLibrary(Host.passwordLibrary);
    Host.passwordLibrary = nullptr;
    if (Host.verifyPassword) {
        Host.verifyPassword = nullptr;
        SetSaverRunning(false);
    }
}

void SetSaverRunning(bool running) {
    if (!Host.isWin9x) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}

void ChangePassword(HWND parent) {
    HMODULE library = LoadLibraryA("MPR.DLL");
    if (!library) return;
    auto change = ProcAs<PwdChangePasswordProc>(GetProcAddress(library, "PwdChangePasswordA"));
    if (change) change("SCRSAVE", parent, 0, nullptr);
    FreeLibrary(library);
}
