// com_runtime.cpp — CoInitialize, CoUninitialize and CoCreateInstance over
// the two DirectMusic classes this platform has.
//
// Initialisation is counted per process (the saver has one thread): every
// successful CoInitialize, S_FALSE included, wants one CoUninitialize, and an
// unmatched CoUninitialize does nothing. Creating an object needs COM to be
// initialised, as on Windows. Tests may substitute the object creation.
#include <objbase.h>

#include "platform/dmusic/music_loader.h"
#include "platform/dmusic/performance_fluidsynth.h"
#include "platform/platform_testing.h"

namespace platform {
namespace {

int g_initCount = 0;
CoCreateInstanceHook g_createHook;

}  // namespace

void SetCoCreateInstanceHook(CoCreateInstanceHook hook) { g_createHook = std::move(hook); }

int ComInitializeCount() { return g_initCount; }

}  // namespace platform

HRESULT CoInitialize(LPVOID reserved) {
    if (reserved) return E_INVALIDARG;
    return platform::g_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (platform::g_initCount > 0) --platform::g_initCount;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (platform::g_initCount == 0) return CO_E_NOTINITIALIZED;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    if (platform::g_createHook) return platform::g_createHook(rclsid, pUnkOuter, dwClsContext, riid, ppv);
    if (!(dwClsContext & CLSCTX_INPROC)) return REGDB_E_CLASSNOTREG;  // nothing runs out of process
    if (rclsid == CLSID_DirectMusicLoader) return platform::dmusic::CreateLoader(riid, ppv);
    if (rclsid == CLSID_DirectMusicPerformance) return platform::dmusic::CreatePerformance(riid, ppv);
    return REGDB_E_CLASSNOTREG;
}
