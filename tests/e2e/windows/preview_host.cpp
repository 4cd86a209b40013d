// preview_host.cpp — a stand-in for the Display control panel's preview: a
// top-level window at (100, 100) with a black 152 x 112 "preview box" child,
// into which it starts "<saver> /p <box>". It keeps pumping messages,
// destroys the box after the given seconds (the saver's parent goes away),
// keeps pumping until the saver ends and prints:
//   box X Y                   the box's top-left corner on the screen
//   child CLASS WxH visible   the box's child window just before the close
//                             ("child none" without one, "hidden" when not shown)
//   exit N after M ms         the saver's exit code and how long after the close
//                             it ended ("exit N before the close" when it did
//                             not wait; "exit running" when not within 10 s)
// Build: x86_64-w64-mingw32-g++-posix -static -O2 -o preview_host.exe preview_host.cpp -lgdi32
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kBoxWidth = 152;
constexpr int kBoxHeight = 112;
constexpr DWORD kSaverEndLimitMs = 10000;

void PrintChild(HWND box) {
    HWND child = GetWindow(box, GW_CHILD);
    char name[128] = "";
    if (!child || !GetClassNameA(child, name, sizeof name)) {
        std::printf("child none\n");
        return;
    }
    RECT size = {0, 0, 0, 0};
    GetClientRect(child, &size);
    std::printf("child %s %ldx%ld %s\n", name, size.right, size.bottom, IsWindowVisible(child) ? "visible" : "hidden");
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Pumps messages until `process` ends or `ms` have passed; true when it ended.
bool PumpUntilEnded(HANDLE process, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return false;
        if (MsgWaitForMultipleObjects(1, &process, FALSE, ms - spent, QS_ALLINPUT) == WAIT_OBJECT_0) return true;
        PumpMessages();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_host <saver.scr> <seconds>\n");
        return 2;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = DefWindowProcA;
    hostClass.hInstance = instance;
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    hostClass.lpszClassName = "VexlarPreviewHost";
    WNDCLASSA boxClass = hostClass;
    boxClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    boxClass.lpszClassName = "VexlarPreviewBox";
    if (!RegisterClassA(&hostClass) || !RegisterClassA(&boxClass)) return 2;

    HWND host = CreateWindowExA(0, hostClass.lpszClassName, "Preview host", WS_POPUP | WS_VISIBLE, 100, 100, 320,
                                240, nullptr, nullptr, instance, nullptr);
    HWND box = host ? CreateWindowExA(0, boxClass.lpszClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 84, 64,
                                      kBoxWidth, kBoxHeight, host, nullptr, instance, nullptr)
                    : nullptr;
    if (!box) return 2;
    UpdateWindow(host);
    POINT corner = {0, 0};
    ClientToScreen(box, &corner);
    std::printf("box %ld %ld\n", corner.x, corner.y);
    std::fflush(stdout);

    std::string command = "\"" + std::string(argv[1]) + "\" /p " +
                          std::to_string(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(box)));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION saver = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &saver)) {
        std::printf("cannot start the saver (error %lu)\n", GetLastError());
        return 2;
    }

    const bool endedEarly = PumpUntilEnded(saver.hProcess, static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    PrintChild(box);
    const DWORD closedAt = GetTickCount();
    DestroyWindow(box);
    DWORD code = STILL_ACTIVE;
    if (endedEarly) {
        GetExitCodeProcess(saver.hProcess, &code);
        std::printf("exit %ld before the close\n", static_cast<long>(code));
    } else if (PumpUntilEnded(saver.hProcess, kSaverEndLimitMs)) {
        GetExitCodeProcess(saver.hProcess, &code);
        std::printf("exit %ld after %lu ms\n", static_cast<long>(code), GetTickCount() - closedAt);
    } else {
        std::printf("exit running\n");
        TerminateProcess(saver.hProcess, 1);
    }
    std::fflush(stdout);
    DestroyWindow(host);
    CloseHandle(saver.hThread);
    CloseHandle(saver.hProcess);
    return 0;
}
