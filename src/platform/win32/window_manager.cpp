// window_manager.cpp — Win32 windows, window classes, the message queue,
// timers, painting and the cursor, over a WindowBackendImpl.
//
// Provides: RegisterClassA, UnregisterClassA, CreateWindowExA, DestroyWindow,
// DefWindowProcA, IsWindow, GetParent, FindWindowA, SetForegroundWindow,
// GetForegroundWindow, GetClientRect, ClientToScreen, ShowWindow,
// InvalidateRect, UpdateWindow, BeginPaint, EndPaint, GetStockObject,
// GetMessageA, PeekMessageA (PM_REMOVE, PM_NOYIELD, window and range
// filters), TranslateMessage, DispatchMessageA, PostMessageA, SendMessageA,
// PostQuitMessage, RegisterWindowMessageA, SetTimer, KillTimer, GetCursorPos,
// SetCursor, LoadCursorA, GetDC, ReleaseDC, GetClipBox.
//
// One thread, one queue. GetMessageA returns, in Win32's order: posted and
// input messages, then WM_QUIT once the queue is empty, then WM_PAINT for a
// window that needs painting, then due timers. A timer of interval 0 is due
// whenever nothing else is waiting. Messages sent to a window run its
// procedure at once, so SendMessageA is re-entrant. Messages and timers of a
// destroyed window are dropped. Foreign windows (other programs) can be asked
// about and raised, but messages cannot be delivered to them.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_backend.h"

namespace platform {
namespace {

struct WindowClass {
    WNDCLASSA wc{};
    std::string name;
};

struct Window {
    HWND hwnd = nullptr;
    std::string className;
    std::string title;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    RECT rect{};  // screen rectangle (top-level) or rectangle in the parent's client area (child)
    bool visible = false;
    bool needsPaint = false;
    bool hasNative = false;
    bool destroying = false;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval;
    TIMERPROC proc;
    DWORD lastFired;
};

struct Manager {
    WindowBackend kind = WindowBackend::Sdl;
    std::unique_ptr<WindowBackendImpl> backend;
    bool backendOpened = false;
    bool backendUsable = false;
    std::map<std::string, WindowClass> classes;  // key: lower-case name
    std::map<uintptr_t, Window> windows;
    uintptr_t nextSerial = 1;
    std::deque<MSG> queue;
    std::vector<Timer> timers;
    bool quitPosted = false;
    int quitCode = 0;
    HWND foreground = nullptr;
    std::vector<MSG> delivered;
    std::map<std::string, UINT> registeredMessages;
    UINT nextRegisteredMessage = 0xC000;
    bool cursorHidden = false;
};

Manager& M() {
    static Manager manager;
    return manager;
}

std::atomic<bool> g_closeRequested{false};

std::string Lower(const char* text) {
    std::string out = text ? text : "";
    for (char& ch : out) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
    }
    return out;
}

WindowBackendImpl* Backend() {
    Manager& m = M();
    if (!m.backend) m.backend = m.kind == WindowBackend::Sdl ? MakeSdlBackend() : MakeHeadlessBackend();
    if (!m.backendOpened) {
        m.backendOpened = true;
        m.backendUsable = m.backend->Open();
    }
    return m.backendUsable ? m.backend.get() : nullptr;
}

Window* Find(HWND hwnd) {
    if (!IsOwnWindowHandle(hwnd)) return nullptr;
    auto it = M().windows.find(HandleValue(hwnd));
    return it == M().windows.end() ? nullptr : &it->second;
}

void Record(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    M().delivered.push_back(m);
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w || !w->proc) return 0;
    WNDPROC proc = w->proc;
    Record(hwnd, msg, wParam, lParam);
    return proc(hwnd, msg, wParam, lParam);
}

bool InRange(UINT msg, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) return true;
    return msg >= filterMin && msg <= filterMax;
}

bool WindowMatches(HWND msgWindow, HWND filter) { return filter == nullptr || msgWindow == filter; }

void CheckCloseRequest() {
    if (g_closeRequested.exchange(false)) PostCloseToTopLevelWindows();
}

// One pass over every source of messages, in Win32's order of priority.
bool Fetch(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
    Manager& m = M();
    for (int pass = 0; pass < 2; ++pass) {
        CheckCloseRequest();
        for (auto it = m.queue.begin(); it != m.queue.end(); ++it) {
            if (it->hwnd && !Find(it->hwnd)) continue;  // window gone: dropped below
            if (!WindowMatches(it->hwnd, hwnd) || !InRange(it->message, filterMin, filterMax)) continue;
            *out = *it;
            if (remove) m.queue.erase(it);
            return true;
        }
        m.queue.erase(std::remove_if(m.queue.begin(), m.queue.end(),
                                     [](const MSG& msg) { return msg.hwnd && !Find(msg.hwnd); }),
                      m.queue.end());
        if (pass == 0) {
            if (WindowBackendImpl* b = Backend()) b->PumpEvents(0);
        }
    }
    if (m.quitPosted && InRange(WM_QUIT, filterMin, filterMax)) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(m.quitCode);
        out->time = GetTickCount();
        if (remove) m.quitPosted = false;
        return true;
    }
    if (InRange(WM_PAINT, filterMin, filterMax)) {
        for (auto& [value, w] : m.windows) {
            if (w.needsPaint && w.visible && WindowMatches(w.hwnd, hwnd)) {
                *out = MSG{};
                out->hwnd = w.hwnd;
                out->message = WM_PAINT;
                out->time = GetTickCount();
                return true;
            }
        }
    }
    if (InRange(WM_TIMER, filterMin, filterMax)) {
        DWORD now = GetTickCount();
        for (Timer& t : m.timers) {
            if (!WindowMatches(t.hwnd, hwnd)) continue;
            if (t.interval != 0 && now - t.lastFired < t.interval) continue;
            *out = MSG{};
            out->hwnd = t.hwnd;
            out->message = WM_TIMER;
            out->wParam = t.id;
            out->lParam = reinterpret_cast<LPARAM>(t.proc);
            out->time = now;
            if (remove) t.lastFired = now;
            return true;
        }
    }
    return false;
}

// How long GetMessageA may sleep before the next timer is due.
uint32_t WaitBudget() {
    const Manager& m = M();
    uint32_t budget = 100;  // also bounds how late a signal is noticed
    DWORD now = GetTickCount();
    for (const Timer& t : m.timers) {
        DWORD due = t.lastFired + t.interval;
        uint32_t left = (due - now) > t.interval ? 0 : due - now;
        budget = std::min(budget, left);
    }
    return budget;
}

void DestroyTree(Window& w);

}  // namespace

// ---- backend selection and test controls --------------------------------------

void SelectWindowBackend(WindowBackend backend) {
    Manager& m = M();
    m.windows.clear();
    m.classes.clear();
    m.queue.clear();
    m.timers.clear();
    m.quitPosted = false;
    m.quitCode = 0;
    m.foreground = nullptr;
    m.delivered.clear();
    m.cursorHidden = false;
    m.backend.reset();
    m.backendOpened = false;
    m.backendUsable = false;
    m.kind = backend;
    ResetHeadlessWorld();
}

WindowBackend CurrentWindowBackend() { return M().kind; }

const std::vector<MSG>& DeliveredMessages() { return M().delivered; }
void ClearDeliveredMessages() { M().delivered.clear(); }

std::string DisplayError() {
    Manager& m = M();
    if (!m.backendOpened) Backend();
    return m.backendUsable ? std::string() : m.backend->Error();
}

uintptr_t RootWindowId() {
    WindowBackendImpl* b = Backend();
    return b ? b->RootWindowId() : 0;
}

void HeadlessInjectMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    PostInput(hwnd, msg, wParam, lParam);
}

void PostInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Find(hwnd)) return;
    bool isMouse = msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
    if (isMouse) {
        const WPARAM kHitClient = 1;
        CallProc(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(kHitClient, msg));
        if (!Find(hwnd)) return;
    }
    PostMessageA(hwnd, msg, wParam, lParam);
}

LRESULT SendNotification(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallProc(hwnd, msg, wParam, lParam);
}

void PostCloseToTopLevelWindows() {
    std::vector<HWND> targets;
    for (auto& [value, w] : M().windows) {
        if (!(w.style & WS_CHILD) || !Find(w.parent)) targets.push_back(w.hwnd);
    }
    for (HWND hwnd : targets) PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

void RequestCloseFromSignal() { g_closeRequested.store(true); }

namespace {
void OnTerminationSignal(int) { g_closeRequested.store(true); }
}  // namespace

void InstallTerminationHandlers() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

namespace {

void DestroyTree(Window& w) {
    HWND hwnd = w.hwnd;
    w.destroying = true;
    CallProc(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    for (auto& [value, child] : M().windows) {
        if (child.parent == hwnd && (child.style & WS_CHILD) && !child.destroying) children.push_back(child.hwnd);
    }
    for (HWND child : children) {
        if (Window* c = Find(child)) DestroyTree(*c);
    }
    if (Window* again = Find(hwnd)) {
        CallProc(hwnd, WM_NCDESTROY, 0, 0);
        if (again->hasNative) {
            if (WindowBackendImpl* b = Backend()) b->DestroyNative(hwnd);
        }
    }
    Manager& m = M();
    m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(), [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                   m.timers.end());
    if (m.foreground == hwnd) m.foreground = nullptr;
    m.windows.erase(HandleValue(hwnd));
}

}  // namespace
}  // namespace platform

using namespace platform;

// ---- classes and windows --------------------------------------------------------

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpszClassName || IS_INTRESOURCE(wndClass->lpszClassName) || !wndClass->lpfnWndProc)
        return 0;
    std::string key = Lower(wndClass->lpszClassName);
    Manager& m = M();
    if (m.classes.count(key)) return 0;  // ERROR_CLASS_ALREADY_EXISTS
    WindowClass wc;
    wc.wc = *wndClass;
    wc.name = wndClass->lpszClassName;
    wc.wc.lpszClassName = nullptr;
    wc.wc.lpszMenuName = nullptr;
    m.classes[key] = wc;
    return static_cast<ATOM>(0xC000 + m.classes.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    if (!className || IS_INTRESOURCE(className)) return FALSE;
    return M().classes.erase(Lower(className)) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (!className || IS_INTRESOURCE(className)) return nullptr;
    Manager& m = M();
    auto cls = m.classes.find(Lower(className));
    if (cls == m.classes.end()) return nullptr;
    bool child = (style & WS_CHILD) != 0;
    if (child && !IsWindow(parent)) return nullptr;
    WindowBackendImpl* backend = Backend();
    if (!backend) return nullptr;

    Window w;
    w.hwnd = HandleFromValue(kOwnWindowBase + m.nextSerial++);
    w.className = cls->second.name;
    w.title = windowName ? windowName : "";
    w.proc = cls->second.wc.lpfnWndProc;
    w.style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w.exStyle = exStyle;
    w.parent = parent;
    if (width == CW_USEDEFAULT) width = 640;
    if (height == CW_USEDEFAULT) height = 480;
    if (x == CW_USEDEFAULT) x = 0;
    if (y == CW_USEDEFAULT) y = 0;
    w.rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    HWND hwnd = w.hwnd;
    m.windows[HandleValue(hwnd)] = w;

    NativeWindowRequest request;
    request.hwnd = hwnd;
    request.className = w.className;
    request.title = w.title;
    request.style = style;
    request.exStyle = exStyle;
    request.rect = w.rect;
    request.foreignParent = child && IsForeignWindowHandle(parent) ? HandleValue(parent) : 0;
    bool needsNative = !child || request.foreignParent != 0;
    if (needsNative) {
        if (!backend->CreateNative(request)) {
            m.windows.erase(HandleValue(hwnd));
            return nullptr;
        }
        Find(hwnd)->hasNative = true;
    }

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = static_cast<int>(w.rect.right - w.rect.left);
    cs.cy = static_cast<int>(w.rect.bottom - w.rect.top);
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    LPARAM csParam = reinterpret_cast<LPARAM>(&cs);
    if (!CallProc(hwnd, WM_NCCREATE, 0, csParam)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!Find(hwnd)) return nullptr;
    if (CallProc(hwnd, WM_CREATE, 0, csParam) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!Find(hwnd)) return nullptr;
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    if (Find(hwnd)) CallProc(hwnd, WM_SIZE, 0, MAKELPARAM(cs.cx, cs.cy));
    return Find(hwnd) ? hwnd : nullptr;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    bool wasVisible = w->visible;
    bool show = cmdShow != SW_HIDE;
    if (show == wasVisible) return wasVisible ? TRUE : FALSE;
    CallProc(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    w = Find(hwnd);
    if (!w) return FALSE;
    w->visible = show;
    if (show) w->style |= WS_VISIBLE;
    else w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (w->hasNative) {
        if (WindowBackendImpl* b = Backend()) b->ShowNative(hwnd, show);
    }
    if (show) {
        w->needsPaint = true;
        if (!(w->style & WS_CHILD) && M().foreground == nullptr) {
            M().foreground = hwnd;
            CallProc(hwnd, WM_ACTIVATEAPP, TRUE, 0);
        }
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || w->destroying) return FALSE;
    DestroyTree(*w);
    return TRUE;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        Window* w = Find(hwnd);
        if (w && w->hasNative) {
            auto cls = M().classes.find(Lower(w->className.c_str()));
            bool black = cls != M().classes.end() &&
                         cls->second.wc.hbrBackground == static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            if (black) {
                if (WindowBackendImpl* b = Backend()) b->FillBlack(hwnd);
                return 1;
            }
        }
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4) PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SETCURSOR:
        return 0;
    default:
        return 0;
    }
}

BOOL IsWindow(HWND hwnd) {
    if (Find(hwnd)) return TRUE;
    if (IsForeignWindowHandle(hwnd) || IsOtherSaverHandle(hwnd)) {
        WindowBackendImpl* b = Backend();
        if (!b) return FALSE;
        if (IsOtherSaverHandle(hwnd)) return b->FindOtherProcessWindow(nullptr, nullptr) == kOtherSaverHandle;
        return b->ForeignWindowExists(HandleValue(hwnd)) ? TRUE : FALSE;
    }
    return FALSE;
}

HWND GetParent(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && (w->style & WS_CHILD) ? w->parent : nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
    std::string cls = className && !IS_INTRESOURCE(className) ? Lower(className) : "";
    for (auto& [value, w] : M().windows) {
        if (w.destroying) continue;
        if (!cls.empty() && Lower(w.className.c_str()) != cls) continue;
        if (windowName && w.title != windowName) continue;
        return w.hwnd;
    }
    WindowBackendImpl* b = Backend();
    if (!b) return nullptr;
    uintptr_t other = b->FindOtherProcessWindow(className && !IS_INTRESOURCE(className) ? className : nullptr,
                                                windowName);
    return other ? HandleFromValue(other) : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (Window* w = Find(hwnd)) {
        M().foreground = hwnd;
        if (w->hasNative) {
            if (WindowBackendImpl* b = Backend()) b->RaiseNative(hwnd);
        }
        return TRUE;
    }
    if (IsForeignWindowHandle(hwnd) || IsOtherSaverHandle(hwnd)) {
        WindowBackendImpl* b = Backend();
        return b && b->RaiseForeign(HandleValue(hwnd)) ? TRUE : FALSE;
    }
    return FALSE;
}

HWND GetForegroundWindow() {
    if (M().foreground) return M().foreground;
    WindowBackendImpl* b = Backend();
    return b ? HandleFromValue(b->ForeignForegroundWindow()) : nullptr;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    if (!rect) return FALSE;
    *rect = RECT{};
    if (Window* w = Find(hwnd)) {
        rect->right = w->rect.right - w->rect.left;
        rect->bottom = w->rect.bottom - w->rect.top;
        return TRUE;
    }
    if (IsForeignWindowHandle(hwnd)) {
        WindowBackendImpl* b = Backend();
        int width = 0, height = 0;
        if (b && b->ForeignClientSize(HandleValue(hwnd), &width, &height)) {
            rect->right = width;
            rect->bottom = height;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    if (!point) return FALSE;
    Window* w = Find(hwnd);
    if (!w) return IsWindow(hwnd);
    point->x += w->rect.left;
    point->y += w->rect.top;
    if ((w->style & WS_CHILD) && Find(w->parent)) return ClientToScreen(w->parent, point);
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    if (hwnd == nullptr) {
        for (auto& [value, w] : M().windows) w.needsPaint = true;
        return TRUE;
    }
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->needsPaint = true;
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (w->needsPaint && w->visible) CallProc(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    Window* w = Find(hwnd);
    if (!w || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    w->needsPaint = false;
    paint->rcPaint = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    paint->fErase = CallProc(hwnd, WM_ERASEBKGND, 0, 0) ? FALSE : TRUE;
    paint->hdc = GetDC(hwnd);
    return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (paint) ReleaseDC(hwnd, paint->hdc);
    return Find(hwnd) ? TRUE : FALSE;
}

HGDIOBJ GetStockObject(int object) {
    // Stock objects are constants; only their identity matters to callers.
    if (object < 0 || object > 19) return nullptr;
    return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x7E000000 + object));
}

// ---- messages -------------------------------------------------------------------------

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    for (;;) {
        if (Fetch(msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        WindowBackendImpl* b = Backend();
        uint32_t wait = WaitBudget();
        if (b) b->PumpEvents(wait);
        else if (M().queue.empty() && M().timers.empty() && !M().quitPosted) {
            // Nothing can ever arrive: behave as if the thread had been told to quit.
            *msg = MSG{};
            msg->message = WM_QUIT;
            return FALSE;
        }
    }
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg) return FALSE;
    return Fetch(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    // Character messages are not used by the saver; key messages pass unchanged.
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !Find(msg->hwnd)) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd != nullptr && !Find(hwnd)) return FALSE;  // other programs' windows cannot be reached
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    GetCursorPos(&msg.pt);
    M().queue.push_back(msg);
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallProc(hwnd, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    M().quitPosted = true;
    M().quitCode = exitCode;
}

UINT RegisterWindowMessageA(LPCSTR name) {
    if (!name || !*name) return 0;
    Manager& m = M();
    std::string key = Lower(name);
    auto it = m.registeredMessages.find(key);
    if (it != m.registeredMessages.end()) return it->second;
    if (m.nextRegisteredMessage == 0xFFFF) return 0;
    UINT id = m.nextRegisteredMessage++;
    m.registeredMessages[key] = id;
    return id;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC func) {
    if (hwnd && !Find(hwnd)) return 0;
    Manager& m = M();
    if (!hwnd) {
        UINT_PTR fresh = 1;
        for (const Timer& t : m.timers) {
            if (!t.hwnd) fresh = std::max(fresh, t.id + 1);
        }
        id = fresh;
    }
    for (Timer& t : m.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.interval = elapse;
            t.proc = func;
            t.lastFired = GetTickCount();
            return hwnd ? 1 : id;
        }
    }
    m.timers.push_back(Timer{hwnd, id, elapse, func, GetTickCount()});
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    Manager& m = M();
    auto before = m.timers.size();
    m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(),
                                  [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }),
                   m.timers.end());
    if (before == m.timers.size()) return FALSE;
    // Timer messages already taken from the queue are not recalled, as in Win32.
    return TRUE;
}

// ---- cursor and screen ------------------------------------------------------------------

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    WindowBackendImpl* b = Backend();
    *point = b ? b->CursorPos() : POINT{};
    return b ? TRUE : FALSE;
}

HCURSOR SetCursor(HCURSOR cursor) {
    Manager& m = M();
    static const HCURSOR kArrow = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x7E100001));
    HCURSOR previous = m.cursorHidden ? nullptr : kArrow;
    m.cursorHidden = cursor == nullptr;
    if (WindowBackendImpl* b = Backend()) b->SetCursorVisible(cursor != nullptr);
    return previous;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance != nullptr || !IS_INTRESOURCE(name)) return nullptr;
    return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x7E100001));
}

HDC GetDC(HWND hwnd) {
    if (hwnd == nullptr) return ScreenDc();
    return Find(hwnd) ? reinterpret_cast<HDC>(HandleValue(hwnd)) : nullptr;
}

int ReleaseDC(HWND, HDC dc) { return dc ? 1 : 0; }

int GetClipBox(HDC dc, LPRECT rect) {
    if (!rect) return ERROR;
    *rect = RECT{};
    if (IsScreenDc(dc)) {
        WindowBackendImpl* b = Backend();
        if (!b) return ERROR;
        *rect = b->ScreenRect();
        return SIMPLEREGION;
    }
    HWND hwnd = reinterpret_cast<HWND>(dc);
    if (!Find(hwnd)) return ERROR;
    GetClientRect(hwnd, rect);
    return SIMPLEREGION;
}
