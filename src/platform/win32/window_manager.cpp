// window_manager.cpp — Win32 windows, window classes, painting and the
// cursor, over a WindowBackendImpl. The message queue, timers and signals
// are in message_queue.cpp; the two share window_table.h.
//
// Provides: RegisterClassA, UnregisterClassA, CreateWindowExA, DestroyWindow,
// DefWindowProcA, IsWindow, GetParent, GetDlgItem, GetDlgCtrlID,
// SendDlgItemMessageA, FindWindowA, SetForegroundWindow,
// GetForegroundWindow, GetClientRect, ClientToScreen, ShowWindow,
// InvalidateRect, UpdateWindow, BeginPaint, EndPaint, GetStockObject,
// GetCursorPos, SetCursor, LoadCursorA, GetDC, ReleaseDC, GetClipBox;
// SetWindowTextA, GetWindowTextA, GetWindowTextLengthA, EnableWindow,
// IsWindowEnabled, IsWindowVisible, GetWindowRect, ScreenToClient,
// SetWindowPos, GetWindowLongPtrA.
//
// Painting: BeginPaint erases the background only when the window asked for
// it (shown, or invalidated with erase), as Win32 does, so a second
// BeginPaint in the same WM_PAINT leaves what the first one painted. A
// window's DC draws into its picture (window_image.h), shown on the native
// window when the DC is released.
//
// Foreign windows (other programs) can be asked about and raised, but
// messages cannot be delivered to them. Windows of the dialog class have no
// backend window: the dialog layer shows them, and hears of their changes
// through the window-change observer.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_testing.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_backend.h"
#include "platform/win32/window_image.h"
#include "platform/win32/window_state.h"
#include "platform/win32/window_table.h"

namespace platform {
using namespace wm;

namespace {

struct WindowClass {
    WNDCLASSA wc{};
    std::string name;
};

struct Manager {
    WindowBackend kind = WindowBackend::Sdl;
    std::unique_ptr<WindowBackendImpl> backend;
    bool backendOpened = false;
    bool backendUsable = false;
    std::map<std::string, WindowClass> classes;  // key: lower-case name
    std::map<uintptr_t, Window> windows;
    uintptr_t nextSerial = 1;
    HWND foreground = nullptr;
    bool cursorHidden = false;
};

Manager& M() {
    static Manager manager;
    return manager;
}

std::function<void(HWND)>& ChangeObserver() {
    static std::function<void(HWND)> observer;
    return observer;
}

void NotifyChanged(HWND hwnd) {
    if (ChangeObserver()) ChangeObserver()(hwnd);
}

void DestroyTree(Window& w);

}  // namespace

namespace wm {

std::map<uintptr_t, Window>& Windows() { return M().windows; }

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

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w || !w->proc) return 0;
    WNDPROC proc = w->proc;
    return proc(hwnd, msg, wParam, lParam);
}

}  // namespace wm

namespace {

HGDIOBJ ClassBackground(const Window& w) {
    auto cls = M().classes.find(Lower(w.className.c_str()));
    return cls == M().classes.end() ? nullptr : static_cast<HGDIOBJ>(cls->second.wc.hbrBackground);
}

}  // namespace

// ---- backend selection and test controls --------------------------------------

void SelectWindowBackend(WindowBackend backend) {
    Manager& m = M();
    m.windows.clear();
    m.classes.clear();
    ResetMessageQueue();
    m.foreground = nullptr;
    m.cursorHidden = false;
    m.backend.reset();
    m.backendOpened = false;
    m.backendUsable = false;
    m.kind = backend;
    ResetHeadlessWorld();
}

WindowBackend CurrentWindowBackend() { return M().kind; }

std::string DisplayError() {
    Manager& m = M();
    if (!m.backendOpened) Backend();
    // A usable backend may still say why its last window could not be made.
    return m.backend ? m.backend->Error() : std::string();
}

uintptr_t RootWindowId() {
    WindowBackendImpl* b = Backend();
    return b ? b->RootWindowId() : 0;
}

LRESULT SendNotification(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallProc(hwnd, msg, wParam, lParam);
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
    KillTimersOf(hwnd);
    Manager& m = M();
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
    if (child) w.controlId = reinterpret_cast<UINT_PTR>(menu);
    w.instance = instance;
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
    bool needsNative = (!child || request.foreignParent != 0) && Lower(className) != Lower(WC_DIALOGA);
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
    NotifyChanged(hwnd);
    w = Find(hwnd);
    if (!w) return wasVisible ? TRUE : FALSE;
    if (show) {
        w->needsPaint = true;
        w->needsErase = true;
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
        if (w && !w->image.empty() && GetStockObject(BLACK_BRUSH) == ClassBackground(*w)) {
            std::fill(w->image.begin(), w->image.end(), 0xFF000000u);
        }
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

HWND GetDlgItem(HWND dialog, int id) {
    for (auto& [value, w] : M().windows) {
        if (w.parent == dialog && (w.style & WS_CHILD) && !w.destroying && w.controlId == static_cast<UINT_PTR>(id))
            return w.hwnd;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && (w->style & WS_CHILD) ? static_cast<int>(w->controlId) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, msg, wParam, lParam) : 0;
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

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL erase) {
    if (hwnd == nullptr) {
        for (auto& [value, w] : M().windows) {
            w.needsPaint = true;
            w.needsErase = w.needsErase || erase;
        }
        return TRUE;
    }
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->needsPaint = true;
    w->needsErase = w->needsErase || erase;
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
    const bool erase = w->needsErase;
    w->needsPaint = false;
    w->needsErase = false;
    paint->rcPaint = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    paint->fErase = erase && !CallProc(hwnd, WM_ERASEBKGND, 0, 0) ? TRUE : FALSE;
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

int ReleaseDC(HWND, HDC dc) {
    if (!dc) return 0;
    // A window's DC is its handle: show what was drawn into it.
    Window* w = Find(reinterpret_cast<HWND>(dc));
    if (w && w->imageChanged) {
        w->imageChanged = false;
        if (w->hasNative) {
            if (WindowBackendImpl* b = Backend()) {
                b->PresentImage(w->hwnd, w->image.data(), w->imageWidth, w->imageHeight);
            }
        }
    }
    return 1;
}

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

// ---- texts, state and geometry -------------------------------------------------------------

namespace platform {

void SetWindowChangeObserver(std::function<void(HWND)> observer) { ChangeObserver() = std::move(observer); }

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (auto& [value, w] : M().windows) {  // handle values grow with creation order
        if (w.parent == parent && (w.style & WS_CHILD) && !w.destroying) children.push_back(w.hwnd);
    }
    return children;
}

std::string WindowClassName(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? w->className : std::string();
}

std::string WindowText(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? w->title : std::string();
}

}  // namespace platform

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->title = text ? text : "";
    NotifyChanged(hwnd);
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int bufferSize) {
    Window* w = Find(hwnd);
    if (!buffer || bufferSize <= 0) return 0;
    buffer[0] = '\0';
    if (!w) return 0;
    size_t count = std::min(w->title.size(), static_cast<size_t>(bufferSize - 1));
    std::memcpy(buffer, w->title.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

int GetWindowTextLengthA(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? static_cast<int>(w->title.size()) : 0;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
    if (enable) w->style &= ~static_cast<DWORD>(WS_DISABLED);
    else w->style |= WS_DISABLED;
    CallProc(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    NotifyChanged(hwnd);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    for (Window* w = Find(hwnd); w; w = (w->style & WS_CHILD) ? Find(w->parent) : nullptr) {
        if (!w->visible) return FALSE;
        if (!(w->style & WS_CHILD)) return TRUE;
    }
    return FALSE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    if (!rect) return FALSE;
    *rect = RECT{};
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    *rect = RECT{origin.x, origin.y, origin.x + (w->rect.right - w->rect.left),
                 origin.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    if (!point || !Find(hwnd)) return FALSE;
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int width, int height, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    RECT before = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        w->rect.right = x + (before.right - before.left);
        w->rect.bottom = y + (before.bottom - before.top);
        w->rect.left = x;
        w->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + std::max(width, 0);
        w->rect.bottom = w->rect.top + std::max(height, 0);
    }
    RECT after = w->rect;
    bool moved = after.left != before.left || after.top != before.top;
    bool resized = after.right - after.left != before.right - before.left ||
                   after.bottom - after.top != before.bottom - before.top;
    if (moved || resized) NotifyChanged(hwnd);
    if (moved && Find(hwnd)) CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(after.left, after.top));
    if (resized && Find(hwnd))
        CallProc(hwnd, WM_SIZE, 0, MAKELPARAM(after.right - after.left, after.bottom - after.top));
    if ((flags & SWP_SHOWWINDOW) && Find(hwnd)) ShowWindow(hwnd, SW_SHOW);
    if ((flags & SWP_HIDEWINDOW) && Find(hwnd)) ShowWindow(hwnd, SW_HIDE);
    return Find(hwnd) ? TRUE : FALSE;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWL_STYLE:
        return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_ID:
        return static_cast<LONG_PTR>(w->controlId);
    default:
        return 0;
    }
}

// ---- window pictures ----------------------------------------------------------------------

namespace platform {

bool WindowImageOf(HWND hwnd, WindowImageView* out) {
    Window* w = Find(hwnd);
    if (!w || !out) return false;
    const int width = static_cast<int>(w->rect.right - w->rect.left);
    const int height = static_cast<int>(w->rect.bottom - w->rect.top);
    if (width <= 0 || height <= 0) return false;
    if (width != w->imageWidth || height != w->imageHeight) {
        w->image.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
        w->imageWidth = width;
        w->imageHeight = height;
    }
    out->bits = w->image.data();
    out->width = width;
    out->height = height;
    return true;
}

void MarkWindowImageChanged(HWND hwnd) {
    if (Window* w = Find(hwnd)) w->imageChanged = true;
}

bool ReadWindowImage(HWND hwnd, std::vector<uint32_t>* pixels, int* width, int* height) {
    WindowImageView view;
    if (!pixels || !WindowImageOf(hwnd, &view)) return false;
    pixels->resize(static_cast<size_t>(view.width) * static_cast<size_t>(view.height));
    for (size_t i = 0; i < pixels->size(); ++i) (*pixels)[i] = view.bits[i] & 0x00FFFFFFu;
    if (width) *width = view.width;
    if (height) *height = view.height;
    return true;
}

void NativeWindowResized(HWND hwnd, int width, int height) {
    if (!Find(hwnd)) return;
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void NativeParentDestroyed(HWND hwnd) {
    if (Find(hwnd)) DestroyWindow(hwnd);
}

void NativeVisibilityChanged(HWND hwnd, bool visible) {
    if (!Find(hwnd)) return;
    SendNotification(hwnd, WM_SHOWWINDOW, visible ? TRUE : FALSE, visible ? SW_PARENTOPENING : SW_PARENTCLOSING);
}

std::vector<HWND> ChildrenOfForeignWindow(uintptr_t id) {
    std::vector<HWND> children;
    for (auto& [value, w] : M().windows) {
        if ((w.style & WS_CHILD) && HandleValue(w.parent) == id && !w.destroying) children.push_back(w.hwnd);
    }
    return children;
}

void HeadlessDestroyForeignWindow(uintptr_t id) {
    HeadlessForgetForeignWindow(id);
    for (HWND child : ChildrenOfForeignWindow(id)) NativeParentDestroyed(child);
}

void HeadlessShowForeignWindow(uintptr_t id, bool visible) {
    for (HWND child : ChildrenOfForeignWindow(id)) NativeVisibilityChanged(child, visible);
}

void HeadlessResizeForeignWindow(uintptr_t id, int width, int height) {
    HeadlessAddForeignWindow(id, width, height);
    for (HWND child : ChildrenOfForeignWindow(id)) NativeWindowResized(child, width, height);
}

}  // namespace platform
