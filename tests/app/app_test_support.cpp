// The application tests' shared set-up and the DirectMusic double.
#include "app/app_test_support.h"

#include <dmusici.h>
#include <objbase.h>

#include <algorithm>
#include <filesystem>

#include "app/frame_driver.h"
#include "app/saver_app.h"
#include "app/video_modes.h"
#include "config/registry_settings.h"
#include "config/settings.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "platform/platform_testing.h"
#include "scene/flight_scene.h"
#include "support/com_doubles.h"

namespace apptest {
namespace {

int g_liveMusicObjects = 0;

HRESULT Record(const std::string& call) {
    fakedx::W().calls.push_back("music." + call);
    auto failure = fakedx::W().failures.find("music." + call);
    return failure == fakedx::W().failures.end() ? S_OK : failure->second;
}

template <typename Interface>
class MusicObject : public Interface {
public:
    MusicObject() { ++g_liveMusicObjects; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (--refs_ > 0) return refs_;
        --g_liveMusicObjects;
        delete this;
        return 0;
    }

protected:
    virtual ~MusicObject() = default;
    ULONG refs_ = 1;
};

class Segment final : public MusicObject<testsupport::NullMusicSegment> {
public:
    HRESULT SetRepeats(DWORD) override { return Record("SetRepeats"); }
};

class Loader final : public MusicObject<testsupport::NullMusicLoader> {
public:
    HRESULT GetObject(LPDMUS_OBJECTDESC, REFIID, LPVOID* out) override {
        HRESULT hr = Record("GetObject");
        *out = SUCCEEDED(hr) ? static_cast<IDirectMusicSegment8*>(new Segment) : nullptr;
        return hr;
    }
};

class Performance final : public MusicObject<testsupport::NullMusicPerformance> {
public:
    HRESULT Init(IDirectMusic**, LPDIRECTSOUND, HWND) override { return Record("Init"); }
    HRESULT PlaySegment(IDirectMusicSegment*, DWORD, int64_t, IDirectMusicSegmentState**) override {
        return Record("PlaySegment");
    }
    HRESULT Stop(IDirectMusicSegment*, IDirectMusicSegmentState*, MUSIC_TIME, DWORD) override {
        return Record("Stop");
    }
    HRESULT AddPort(IDirectMusicPort*) override { return Record("AddPort"); }
    HRESULT SetGlobalParam(REFGUID, void*, DWORD) override { return S_OK; }
    HRESULT CloseDown() override { return Record("CloseDown"); }
};

HRESULT CreateMusicObject(REFCLSID clsid, LPUNKNOWN, DWORD, REFIID, LPVOID* out) {
    *out = nullptr;
    if (clsid == CLSID_DirectMusicLoader) {
        if (HRESULT hr = Record("CreateLoader"); FAILED(hr)) return hr;
        *out = static_cast<IDirectMusicLoader8*>(new Loader);
        return S_OK;
    }
    if (HRESULT hr = Record("CreatePerformance"); FAILED(hr)) return hr;
    *out = static_cast<IDirectMusicPerformance8*>(new Performance);
    return S_OK;
}

}  // namespace

std::vector<std::string> CallsStartingWith(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& call : fakedx::W().calls) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

int IndexOf(const std::string& name, int from) {
    const auto& calls = fakedx::W().calls;
    for (size_t i = static_cast<size_t>(std::max(from, 0)); i < calls.size(); ++i) {
        if (calls[i] == name) return static_cast<int>(i);
    }
    return -1;
}

int LiveMusicObjects() { return g_liveMusicObjects; }

void AppTest::SetUp() {
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    platform::UseVirtualClock(200000, 1700000000);
    platform::HeadlessSetCursorPos(300, 200);
    platform::ClearDisplayForTest();
    platform::SetReportedPlatform(VER_PLATFORM_WIN32_NT);
    std::error_code ignored;
    std::filesystem::remove(platform::RegistryFilePath(), ignored);
    fakedx::Install();
    platform::SetCoCreateInstanceHook(CreateMusicObject);
    ResetDisplayDevices();
    ResetHostState();
    Host.instance = GetModuleHandleA(nullptr);
    SetSaverApplicationProc(SaverAppProc);
    ResetSaverApp();
    ResetFlightScene();
    CurrentSettings = BuiltInSettings;
    CurrentSettings.UseDesktopSettings = 0;
}

void AppTest::TearDown() {
    if (Host.saverWindow && IsWindow(Host.saverWindow)) DestroyWindow(Host.saverWindow);
    ShutdownApp(nullptr);
    ReleaseSceneTextures();
    ResetFlightScene();
    EXPECT_EQ(fakedx::W().liveObjects, 0) << "DirectDraw or Direct3D objects left alive";
    EXPECT_EQ(LiveMusicObjects(), 0) << "DirectMusic objects left alive";
    fakedx::Uninstall();
    platform::SetCoCreateInstanceHook({});
    platform::ClearDisplayForTest();
    ResetDisplayDevices();
    ResetSaverApp();
    ResetHostState();
    platform::SelectWindowBackend(platform::WindowBackend::Headless);
    platform::UseRealClock();
    platform::SetCommandLineText("vexlar_tests");
    CurrentSettings = BuiltInSettings;
}

HWND AppTest::StartSaver(const char* commandLine, HWND parent) {
    // A fresh start, as in a new process: the class, the host's record, the
    // display list and the application's record (what the test chose about
    // music and the frame delay aside).
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
    ResetHostState();
    Host.instance = GetModuleHandleA(nullptr);
    ResetDisplayDevices();
    const bool musicAllowed = SaverApp.musicAllowed;
    const UINT frameDelayMs = SaverApp.frameDelayMs;
    const int32_t maxFps = SaverApp.maxFps;
    ResetSaverApp();
    SaverApp.musicAllowed = musicAllowed;
    SaverApp.frameDelayMs = frameDelayMs;
    SaverApp.maxFps = maxFps;
    platform::SetCommandLineText(commandLine);
    if (CreateSaverWindow(parent) != SaverWindowOutcome::Created) return nullptr;
    return Host.saverWindow;
}

void AppTest::RunTicks(int count) {
    MSG msg{};
    for (int i = 0; i < count; ++i) {
        // Time runs on, a millisecond at a time, until the next tick is due.
        for (int waited = 0; waited < 1000 && !PeekMessageA(&msg, Host.saverWindow, WM_TIMER, WM_TIMER, PM_NOREMOVE);
             ++waited) {
            platform::AdvanceVirtualClock(1);
        }
        if (!PeekMessageA(&msg, Host.saverWindow, WM_TIMER, WM_TIMER, PM_REMOVE)) return;
        DispatchMessageA(&msg);
    }
}

bool AppTest::PumpMessages() {
    MSG msg{};
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) &&
            !PeekMessageA(&msg, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE)) {
            return false;
        }
        if (msg.message == WM_QUIT) return true;
        DispatchMessageA(&msg);
    }
}

void AppTest::StoreSettings(const Settings& settings) { WriteSettings(settings); }

}  // namespace apptest
