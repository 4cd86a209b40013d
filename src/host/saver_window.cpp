// saver_window.cpp — saver window class, message loop, host window procedure
// and close rules.
//
// The window hides the cursor, stays in front and closes on keys, buttons,
// mouse movement beyond a few pixels, loss of activation and power events —
// never in preview, where only the parent ends it. On the older Windows
// family a close first asks for the screen-saver password.
#include "host/saver_window.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/host_state.h"
#include "host/password.h"
#include "platform/platform.h"

namespace {

constexpr UINT kPasswordQuestion = WM_APP;
constexpr DWORD kVerifyQuietMs = 200;  // no second question this soon after a refusal
constexpr int kIconResource = 100;
constexpr int kOwnWindowWidth = 960;
constexpr int kOwnWindowHeight = 600;
constexpr const char* kOwnWindowTitle = "Vexlar 3D";

WNDPROC applicationProc = DefSaverProc;

void HideCursor() {
    SetCursor(nullptr);
}

void PostClose(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}

bool MovedBeyondThreshold(const POINT& now) {
    int64_t dx = static_cast<int64_t>(now.x) - Host.lastCursorPos.x;
    int64_t dy = static_cast<int64_t>(now.y) - Host.lastCursorPos.y;
    int64_t distance = (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy);
    return distance > static_cast<int64_t>(Host.mouseThreshold);
}

// The close rules proper; returns false when the message goes on to the
// last step of DefSaverProc, true when `result` is the answer.
bool ApplyCloseRules(HWND window, UINT message, WPARAM wParam, LRESULT& result) {
    switch (message) {
    case WM_CLOSE:
        if (Host.isWin9x && !VerifyClose(window)) {
            GetCursorPos(&Host.lastCursorPos);
            result = 0;
            return true;
        }
        return false;
    case kPasswordQuestion:
        if (!Host.isWin9x) return false;
        result = Host.verifyPassword ? Host.verifyPassword(window) : 1;
        return true;
    default:
        break;
    }

    // Input during the password question closes nothing.
    if (Host.verifying) return false;

    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != 0) HideCursor();
        break;
    case WM_ACTIVATEAPP:
        if (wParam == 0) PostClose(window);
        break;
    case WM_SETCURSOR:
        HideCursor();
        result = 1;
        return true;
    case WM_POWER:
        if (wParam == PWR_CRITICALRESUME) PostClose(window);
        break;
    case WM_MOUSEMOVE: {
        // The message's own coordinates are not used; the reference point only
        // moves when the saver closes, so slow creeping adds up.
        POINT now = {0, 0};
        GetCursorPos(&now);
        if (MovedBeyondThreshold(now)) {
            PostClose(window);
            Host.lastCursorPos = now;
        }
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_POWERBROADCAST:
        PostClose(window);
        break;
    default:
        break;
    }
    return false;
}

}  // namespace

void SetSaverApplicationProc(WNDPROC proc) {
    applicationProc = proc ? proc : DefSaverProc;
}

SaverWindowOutcome CreateSaverWindow(HWND parent) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = SaverWndProc;
    windowClass.hInstance = Host.instance;
    // The executable's icon group has another id, so the class gets no icon.
    windowClass.hIcon = LoadIconA(Host.instance, MAKEINTRESOURCE(kIconResource));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kSaverClassName;

    int x = 0, y = 0, width = 0, height = 0;
    DWORD style = 0, exStyle = 0;
    const char* title = nullptr;
    if (parent) {
        RECT client = {0, 0, 0, 0};
        GetClientRect(parent, &client);
        Host.isPreview = true;
        width = client.right - client.left;
        height = client.bottom - client.top;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        title = kPreviewTitle;
    } else if (Host.ownWindow) {
        // For trying the saver on a desktop: the close rules would end it at
        // the first touch of the mouse, so it behaves like a preview.
        RECT screen = {0, 0, 0, 0};
        HDC dc = GetDC(nullptr);
        GetClipBox(dc, &screen);
        ReleaseDC(nullptr, dc);
        Host.isPreview = true;
        width = std::min<int>(kOwnWindowWidth, screen.right - screen.left);
        height = std::min<int>(kOwnWindowHeight, screen.bottom - screen.top);
        x = screen.left + (screen.right - screen.left - width) / 2;
        y = screen.top + (screen.bottom - screen.top - height) / 2;
        style = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN;
        title = kOwnWindowTitle;
    } else {
        RECT screen = {0, 0, 0, 0};
        HDC dc = GetDC(nullptr);
        GetClipBox(dc, &screen);
        ReleaseDC(nullptr, dc);
        x = screen.left;
        y = screen.top;
        width = screen.right - screen.left;
        height = screen.bottom - screen.top;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle = WS_EX_TOPMOST;
        title = kSaverTitle;

        // At most one full-screen saver runs.
        HWND running = FindWindowA(kSaverClassName, kSaverTitle);
        if (running && IsWindow(running)) {
            SetForegroundWindow(running);
            return SaverWindowOutcome::AlreadyRunning;
        }
        LoadPasswordProvider();
    }

    Host.autoPlayMessage = Host.isWin9x ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    if (RegisterClassA(&windowClass)) {
        Host.saverWindow = CreateWindowExA(exStyle, kSaverClassName, title, style, x, y, width, height,
                                           parent, nullptr, Host.instance, nullptr);
    }
    return Host.saverWindow ? SaverWindowOutcome::Created : SaverWindowOutcome::Failed;
}

int RunMessageLoop() {
    MSG msg = {};
    // A failing GetMessageA (-1) ends the loop as well instead of spinning.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int RunSaverWindow(HWND parent) {
    int exitCode = 0;
    switch (CreateSaverWindow(parent)) {
    case SaverWindowOutcome::AlreadyRunning:
        return 0;
    case SaverWindowOutcome::Failed: {
        std::string reason = platform::DisplayError();
        if (!reason.empty()) std::fprintf(stderr, "vexlar3d: %s\n", reason.c_str());
        exitCode = kNoWindowExitCode;
        break;
    }
    case SaverWindowOutcome::Created:
        if (!Host.isPreview) SetForegroundWindow(Host.saverWindow);
        exitCode = RunMessageLoop();
        break;
    }
    UnloadPasswordProvider();
    return exitCode;
}

LRESULT SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        // No input-method editor on the saver, and only where one is already loaded.
        HMODULE imm = GetModuleHandleA("IMM32.DLL");
        Host.imeProcedure = imm ? ProcAs<ImmAssociateContextProc>(GetProcAddress(imm, "ImmAssociateContext")) : nullptr;
        if (Host.imeProcedure) Host.savedImeContext = Host.imeProcedure(window, nullptr);
        GetCursorPos(&Host.lastCursorPos);
        if (!Host.isPreview) HideCursor();
        break;
    }
    case WM_DESTROY:
        if (Host.imeProcedure && Host.savedImeContext) Host.imeProcedure(window, Host.savedImeContext);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (Host.closeApproved) return DefWindowProcA(window, message, wParam, lParam);
        if (!Host.isPreview) HideCursor();
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (Host.isPreview) {
            HWND parentWindow = GetParent(window);
            if (IsWindow(parentWindow)) {
                PostMessageA(parentWindow, message, reinterpret_cast<WPARAM>(parentWindow), lParam);
            }
            return 1;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (Host.closeApproved) return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!Host.isPreview && (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE)) {
            return 0;
        }
        break;
    case WM_TIMER:
        if (Host.closeApproved) return 0;
        Sleep(0);
        break;
    default:
        break;
    }
    return applicationProc(window, message, wParam, lParam);
}

LRESULT DefSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Host.isPreview && !Host.closeApproved) {
        LRESULT result = 0;
        if (ApplyCloseRules(window, message, wParam, result)) return result;
    }

    if (Host.autoPlayMessage != 0 && message == Host.autoPlayMessage) {
        PostClose(window);
        return Host.verifyPassword ? 1 : 0;  // 1 cancels AutoPlay while a password guards the desktop
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool VerifyClose(HWND window) {
    if (Host.verifying) return false;
    if (!Host.verifyPassword) {
        Host.closeApproved = true;
        return true;
    }
    if (Host.lastVerifyTime != kNoVerifyTime && GetTickCount() - Host.lastVerifyTime < kVerifyQuietMs) return false;

    Host.verifying = true;
    MSG pending = {};
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    Host.closeApproved = SendMessageA(window, kPasswordQuestion, 0, 0) != 0;
    Host.verifying = false;

    if (!Host.closeApproved) HideCursor();
    Host.lastVerifyTime = GetTickCount();
    return Host.closeApproved;
}
