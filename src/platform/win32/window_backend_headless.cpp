// window_backend_headless.cpp — windows without a display, for tests and the
// headless renderer.
//
// Native windows exist only as records. The screen has a size the tests set,
// the pointer sits where the tests put it, and "foreign" windows (other
// programs' X11 windows) and another process's saver window are entries the
// tests add. Waiting for input sleeps on the platform clock, so under the
// virtual clock it advances time instead of blocking.
#include <map>
#include <set>

#include "platform/platform_testing.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_backend.h"

namespace platform {
namespace {

struct HeadlessWorld {
    int screenWidth = 1280;
    int screenHeight = 1024;
    POINT cursor{640, 512};
    bool cursorVisible = true;
    std::map<uintptr_t, std::pair<int, int>> foreign;
    uintptr_t otherSaver = 0;
    uintptr_t lastRaised = 0;
    std::set<uintptr_t> shown;
};

HeadlessWorld& World() {
    static HeadlessWorld world;
    return world;
}

class HeadlessBackend final : public WindowBackendImpl {
public:
    bool Open() override { return true; }
    std::string Error() const override { return {}; }

    bool CreateNative(const NativeWindowRequest&) override { return true; }
    void DestroyNative(HWND hwnd) override { World().shown.erase(HandleValue(hwnd)); }
    void ShowNative(HWND hwnd, bool show) override {
        if (show) World().shown.insert(HandleValue(hwnd));
        else World().shown.erase(HandleValue(hwnd));
    }
    void RaiseNative(HWND hwnd) override { World().lastRaised = HandleValue(hwnd); }
    void FillBlack(HWND) override {}
    // The picture stays in the window manager, where tests read it.
    void PresentImage(HWND, const uint32_t*, int, int) override {}

    void PumpEvents(uint32_t waitMs) override {
        if (waitMs) Sleep(waitMs);
    }

    POINT CursorPos() override { return World().cursor; }
    void SetCursorVisible(bool visible) override { World().cursorVisible = visible; }
    RECT ScreenRect() override { return RECT{0, 0, World().screenWidth, World().screenHeight}; }

    bool ForeignWindowExists(uintptr_t id) override {
        return World().foreign.count(id) != 0 || (id != 0 && id == World().otherSaver);
    }
    bool ForeignClientSize(uintptr_t id, int* width, int* height) override {
        auto it = World().foreign.find(id);
        if (it == World().foreign.end()) return false;
        *width = it->second.first;
        *height = it->second.second;
        return true;
    }
    bool RaiseForeign(uintptr_t id) override {
        if (!ForeignWindowExists(id)) return false;
        World().lastRaised = id;
        return true;
    }
    uintptr_t ForeignForegroundWindow() override { return 0; }
    uintptr_t FindOtherProcessWindow(const char*, const char*) override { return World().otherSaver; }
    uintptr_t RootWindowId() override { return 0; }
};

}  // namespace

std::unique_ptr<WindowBackendImpl> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

void ResetHeadlessWorld() { World() = HeadlessWorld{}; }

bool HeadlessWindowShown(HWND hwnd) { return World().shown.count(HandleValue(hwnd)) != 0; }

void HeadlessSetScreenSize(int width, int height) {
    World().screenWidth = width;
    World().screenHeight = height;
}
void HeadlessSetCursorPos(int x, int y) { World().cursor = POINT{x, y}; }
bool HeadlessCursorVisible() { return World().cursorVisible; }
void HeadlessAddForeignWindow(uintptr_t id, int width, int height) { World().foreign[id] = {width, height}; }
void HeadlessForgetForeignWindow(uintptr_t id) { World().foreign.erase(id); }
void HeadlessSetOtherSaverWindow(uintptr_t id) { World().otherSaver = id; }
uintptr_t HeadlessLastRaisedWindow() { return World().lastRaised; }

}  // namespace platform
