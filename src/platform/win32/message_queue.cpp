// message_queue.cpp — the Win32 message queue, timers and termination
// signals of the window layer (window_manager.cpp holds the windows; the two
// share window_table.h).
//
// Provides: GetMessageA, PeekMessageA (PM_REMOVE, PM_NOYIELD, window and
// range filters), TranslateMessage, DispatchMessageA, PostMessageA,
// SendMessageA, PostQuitMessage, RegisterWindowMessageA, SetTimer,
// KillTimer; input from the backends (PostInput), SIGTERM, SIGINT and
// SIGHUP as WM_CLOSE to every top-level window.
//
// One thread, one queue. GetMessageA returns, in Win32's order: posted and
// input messages, then WM_QUIT once the queue is empty, then WM_PAINT for a
// window that needs painting, then due timers. As in Win32, an interval
// below USER_TIMER_MINIMUM (10 ms) counts as 10 ms, so a timer of interval 0
// fires at most a hundred times a second. Messages sent to a window run its
// procedure at once, so SendMessageA is re-entrant. Messages and timers of a
// destroyed window are dropped; messages cannot be posted to windows of
// other programs.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/platform_testing.h"
#include "platform/win32/window_backend.h"
#include "platform/win32/window_table.h"

namespace platform {
using namespace wm;

namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval;
    TIMERPROC proc;
    DWORD lastFired;
};

struct Queue {
    std::deque<MSG> queue;
    std::vector<Timer> timers;
    bool quitPosted = false;
    int quitCode = 0;
    std::map<std::string, UINT> registeredMessages;
    UINT nextRegisteredMessage = 0xC000;
};

Queue& Q() {
    static Queue queue;
    return queue;
}

std::atomic<bool> g_closeRequested{false};

bool InRange(UINT msg, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) return true;
    return msg >= filterMin && msg <= filterMax;
}

bool WindowMatches(HWND msgWindow, HWND filter) { return filter == nullptr || msgWindow == filter; }

// A signal that came before any top-level window exists stays pending until
// one does: a saver still starting up closes as soon as it can.
void CheckCloseRequest() {
    if (!g_closeRequested.load()) return;
    for (auto& [value, w] : Windows()) {
        if (!(w.style & WS_CHILD) || !Find(w.parent)) {
            g_closeRequested.store(false);
            PostCloseToTopLevelWindows();
            return;
        }
    }
}

// One pass over every source of messages, in Win32's order of priority.
bool Fetch(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
    Queue& m = Q();
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
        for (auto& [value, w] : Windows()) {
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
    const Queue& m = Q();
    uint32_t budget = 100;  // also bounds how late a signal is noticed
    DWORD now = GetTickCount();
    for (const Timer& t : m.timers) {
        DWORD due = t.lastFired + t.interval;
        uint32_t left = (due - now) > t.interval ? 0 : due - now;
        budget = std::min(budget, left);
    }
    return budget;
}

volatile sig_atomic_t g_lastTerminationSignal = 0;

void OnTerminationSignal(int signal) {
    g_lastTerminationSignal = signal;
    g_closeRequested.store(true);
}

}  // namespace

namespace wm {

void ResetMessageQueue() {
    Queue& m = Q();
    m.queue.clear();
    m.timers.clear();
    m.quitPosted = false;
    m.quitCode = 0;
}

void KillTimersOf(HWND hwnd) {
    Queue& m = Q();
    m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(), [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                   m.timers.end());
}

}  // namespace wm

// ---- input, close requests and signals ----------------------------------------------------

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

void PostCloseToTopLevelWindows() {
    std::vector<HWND> targets;
    for (auto& [value, w] : Windows()) {
        if (!(w.style & WS_CHILD) || !Find(w.parent)) targets.push_back(w.hwnd);
    }
    for (HWND hwnd : targets) PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

void RequestCloseFromSignal() { g_closeRequested.store(true); }

void InstallTerminationHandlers() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);  // a terminal closed, a session ended
    // Under a file-size limit (ulimit -f) a write past it then fails with
    // EFBIG, which the settings writer reports, instead of ending the process.
    signal(SIGXFSZ, SIG_IGN);
}

void ReleaseTerminationHandlers() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
    const int arrived = g_lastTerminationSignal;
    if (arrived != 0 && g_closeRequested.exchange(false)) raise(arrived);
}

}  // namespace platform

using namespace platform;

// ---- messages and timers ------------------------------------------------------------------

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    for (;;) {
        if (Fetch(msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        WindowBackendImpl* b = Backend();
        uint32_t wait = WaitBudget();
        if (b) b->PumpEvents(wait);
        else if (Q().queue.empty() && Q().timers.empty() && !Q().quitPosted) {
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
    Q().queue.push_back(msg);
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallProc(hwnd, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    Q().quitPosted = true;
    Q().quitCode = exitCode;
}

UINT RegisterWindowMessageA(LPCSTR name) {
    if (!name || !*name) return 0;
    Queue& m = Q();
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
    elapse = std::max<UINT>(elapse, USER_TIMER_MINIMUM);
    Queue& m = Q();
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
    Queue& m = Q();
    auto before = m.timers.size();
    m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(),
                                  [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }),
                   m.timers.end());
    if (before == m.timers.size()) return FALSE;
    // Timer messages already taken from the queue are not recalled, as in Win32.
    return TRUE;
}
