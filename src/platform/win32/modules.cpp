// modules.cpp — modules, the reported Windows version and system parameters.
//
// Linux has none of the optional system components the saver may ask for
// ("IMM32.DLL", "PASSWORD.CPL", "MPR.DLL"), so the module table starts empty
// and LoadLibraryA of them fails. Tests register modules with exported entry
// points to stand in for them. Module names compare without regard to ASCII
// case and without a directory; a name without an extension means ".DLL", as
// for LoadLibraryA. Export names compare exactly; ordinals are not supported.
// Each module counts its references: LoadLibraryA adds one, FreeLibrary takes
// one away, and a module at zero is no longer loaded.
#include "platform/win32/modules.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform_testing.h"

namespace {

struct ModuleRecord {
    std::string name;  // normalised, see NormaliseModuleName
    std::map<std::string, FARPROC> exports;
    int references = 0;
    uintptr_t handle = 0;
};

std::vector<ModuleRecord> g_modules;
uintptr_t g_nextModuleHandle = 0x7A000000;  // handles are never reused within a run
int g_reportedPlatform = VER_PLATFORM_WIN32_NT;
bool g_screenSaverRunning = false;
int g_screenSaverRunningCalls = 0;

std::string NormaliseModuleName(const std::string& text) {
    size_t slash = text.find_last_of("\\/");
    std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (!name.empty() && name.back() == '.') name.pop_back();  // a trailing dot: no extension
    else if (name.find('.') == std::string::npos) name += ".DLL";
    return name;
}

ModuleRecord* FindByName(const char* text) {
    if (!text) return nullptr;
    std::string name = NormaliseModuleName(text);
    for (ModuleRecord& m : g_modules)
        if (m.name == name) return &m;
    return nullptr;
}

ModuleRecord* FindLoadedByHandle(HMODULE module) {
    for (ModuleRecord& m : g_modules)
        if (m.references > 0 && reinterpret_cast<HMODULE>(m.handle) == module) return &m;
    return nullptr;
}

}  // namespace

namespace platform {

HINSTANCE ExecutableInstance() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000)); }

void RegisterModule(const std::string& name, const std::map<std::string, FARPROC>& exports) {
    if (ModuleRecord* existing = FindByName(name.c_str())) {
        existing->exports = exports;
        return;
    }
    ModuleRecord m;
    m.name = NormaliseModuleName(name);
    m.exports = exports;
    m.handle = g_nextModuleHandle;
    g_nextModuleHandle += 0x10000;
    g_modules.push_back(std::move(m));
}

void UnregisterAllModules() { g_modules.clear(); }

void MarkModuleLoaded(const std::string& name) {
    ModuleRecord* m = FindByName(name.c_str());
    if (m && m->references == 0) m->references = 1;
}

int LoadedModuleCount() {
    int count = 0;
    for (const ModuleRecord& m : g_modules)
        if (m.references > 0) ++count;
    return count;
}

void SetReportedPlatform(int platformId) { g_reportedPlatform = platformId; }

bool ScreenSaverRunningFlag() { return g_screenSaverRunning; }
int ScreenSaverRunningCalls() { return g_screenSaverRunningCalls; }
void ResetSystemParameters() {
    g_screenSaverRunning = false;
    g_screenSaverRunningCalls = 0;
}

}  // namespace platform

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (!moduleName) return platform::ExecutableInstance();
    ModuleRecord* m = FindByName(moduleName);
    return (m && m->references > 0) ? reinterpret_cast<HMODULE>(m->handle) : nullptr;
}

HMODULE LoadLibraryA(LPCSTR fileName) {
    ModuleRecord* m = FindByName(fileName);
    if (!m) return nullptr;
    ++m->references;
    return reinterpret_cast<HMODULE>(m->handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (!procName || IS_INTRESOURCE(procName)) return nullptr;
    ModuleRecord* m = FindLoadedByHandle(module);
    if (!m) return nullptr;
    auto it = m->exports.find(procName);
    return it == m->exports.end() ? nullptr : it->second;
}

BOOL FreeLibrary(HMODULE module) {
    ModuleRecord* m = FindLoadedByHandle(module);
    if (!m) return FALSE;
    --m->references;
    return TRUE;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA must keep its Win32 size");
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) || g_reportedPlatform < 0) return FALSE;
    unsigned major = 0, minor = 0, build = 0;
    struct utsname names;
    if (uname(&names) == 0) std::sscanf(names.release, "%u.%u.%u", &major, &minor, &build);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwPlatformId = static_cast<DWORD>(g_reportedPlatform);
    // The older family keeps the version in the high word of the build number.
    info->dwBuildNumber = g_reportedPlatform == VER_PLATFORM_WIN32_WINDOWS
                              ? ((major & 0xFF) << 24) | ((minor & 0xFF) << 16) | (build & 0xFFFF)
                              : build;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}

BOOL SystemParametersInfoA(UINT action, UINT uiParam, LPVOID pvParam, UINT /*winIni*/) {
    if (action != SPI_SETSCREENSAVERRUNNING) return FALSE;
    BOOL previous = g_screenSaverRunning ? TRUE : FALSE;
    g_screenSaverRunning = uiParam != 0;
    ++g_screenSaverRunningCalls;
    if (pvParam) std::memcpy(pvParam, &previous, sizeof previous);
    return TRUE;
}
