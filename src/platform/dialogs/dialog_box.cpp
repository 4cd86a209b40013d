// dialog_box.cpp — DialogBoxParamA, CreateDialogParamA, EndDialog,
// DefDlgProcA, SetDlgItemTextA, GetDlgItemTextA, MapDialogRect: templates
// from the resources, controls from the templates, and the modal loop.
#include "platform/dialogs/dialog_box.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialogs/combo_box.h"
#include "platform/dialogs/controls.h"
#include "platform/dialogs/dialog_view_gtk.h"
#include "platform/platform.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

struct DialogState {
    DLGPROC proc = nullptr;
    HWND owner = nullptr;
    int templateId = 0;
    int pointSize = 8;
    DialogBaseUnits units = kClassicDialogBaseUnits;
    bool ended = false;
    INT_PTR result = 0;
    std::vector<HBITMAP> bitmaps;  // pictures the template named; deleted with the dialog
};

std::map<HWND, DialogState>& Dialogs() {
    static std::map<HWND, DialogState> dialogs;
    return dialogs;
}

ModalDialogHook& Hook() {
    static ModalDialogHook hook;
    return hook;
}

DialogState* Find(HWND dialog) {
    auto found = Dialogs().find(dialog);
    return found == Dialogs().end() ? nullptr : &found->second;
}

void RegisterDialogClass() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefDlgProcA;
    wc.lpszClassName = WC_DIALOGA;
    RegisterClassA(&wc);
}

bool LoadTemplate(HINSTANCE instance, LPCSTR name, DialogTemplate* out) {
    HRSRC resource = FindResourceA(instance, name, RT_DIALOG);
    if (!resource) return false;
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(instance, resource)));
    if (!bytes) return false;
    std::string error;
    return ParseDialogTemplate(std::string(bytes, SizeofResource(instance, resource)), out, &error);
}

// `screen`: where DS_CENTER centres; null for the screen's device context.
HWND BuildDialog(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc, LPARAM param,
                 DialogBaseUnits units, const RECT* screenArea) {
    RegisterControlClasses();
    RegisterDialogClass();
    RECT pixels = DialogUnitsToPixels(t.rect, units);
    int width = pixels.right - pixels.left;
    int height = pixels.bottom - pixels.top;
    int x = pixels.left;
    int y = pixels.top;
    if (t.style & DS_CENTER) {
        RECT screen{};
        if (screenArea) screen = *screenArea;
        else GetClipBox(GetDC(nullptr), &screen);
        x = screen.left + std::max(0, static_cast<int>(screen.right - screen.left - width) / 2);
        y = screen.top + std::max(0, static_cast<int>(screen.bottom - screen.top - height) / 2);
    } else if (owner && IsWindow(owner)) {
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        x += origin.x;
        y += origin.y;
    }

    DialogState pending;
    pending.proc = proc;
    pending.owner = owner;
    pending.templateId = t.id;
    pending.pointSize = t.pointSize > 0 ? t.pointSize : 8;
    pending.units = units;
    DWORD style = t.style & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD);
    HWND dialog = CreateWindowExA(t.exStyle, WC_DIALOGA, t.caption.c_str(), style, x, y, width, height, owner,
                                  nullptr, instance, &pending);
    if (!dialog) return nullptr;

    HWND firstTabStop = nullptr;
    for (const DialogControlTemplate& c : t.controls) {
        RECT r = DialogUnitsToPixels(c.rect, units);
        HMENU id = reinterpret_cast<HMENU>(static_cast<intptr_t>(c.id));
        HWND control = CreateWindowExA(c.exStyle, c.className.c_str(), c.textIsResource ? "" : c.text.c_str(),
                                       c.style, r.left, r.top, r.right - r.left, r.bottom - r.top, dialog, id,
                                       instance, nullptr);
        if (!control) {
            DestroyWindow(dialog);
            return nullptr;
        }
        if (c.textIsResource && KindOfControl(control) == ControlKind::StaticBitmap) {
            HBITMAP picture = LoadBitmapA(instance, MAKEINTRESOURCEA(c.textResource));
            if (picture) {
                SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
                if (DialogState* state = Find(dialog)) state->bitmaps.push_back(picture);
            }
        }
        if (!firstTabStop && (c.style & WS_TABSTOP) && !(c.style & WS_DISABLED)) firstTabStop = control;
    }
    SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), param);
    return IsWindow(dialog) ? dialog : nullptr;
}

// Sends what a click on button `id` sends, unless that button is disabled.
void SendButtonCommand(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button)) return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace

void DispatchQueuedMessages(HWND dialog) {
    MSG msg{};
    for (int i = 0; i < 10000 && !DialogEnded(dialog) && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            EndDialog(dialog, IDCANCEL);
            return;
        }
        DispatchMessageA(&msg);
    }
}

namespace {

void RunHeadless(HWND dialog, int templateId) {
    ModalDialogHook hook = Hook();
    if (hook) hook(dialog, templateId);
    DispatchQueuedMessages(dialog);
    if (!DialogEnded(dialog) && IsWindow(dialog)) UserDialogKey(dialog, VK_ESCAPE);
    DispatchQueuedMessages(dialog);
}

}  // namespace

void SetModalDialogHook(ModalDialogHook hook) { Hook() = std::move(hook); }

bool IsDialogWindow(HWND hwnd) { return Find(hwnd) != nullptr; }

bool DialogEnded(HWND dialog) {
    DialogState* state = Find(dialog);
    return !state || state->ended;
}

INT_PTR DialogResult(HWND dialog) {
    DialogState* state = Find(dialog);
    return state && state->ended ? state->result : -1;
}

HWND DialogOwner(HWND dialog) {
    DialogState* state = Find(dialog);
    return state ? state->owner : nullptr;
}

int DialogTemplateId(HWND dialog) {
    DialogState* state = Find(dialog);
    return state ? state->templateId : 0;
}

int DialogFontSize(HWND dialog) {
    DialogState* state = Find(dialog);
    return state ? state->pointSize : 8;
}

DialogBaseUnits DialogUnitsOf(HWND dialog) {
    DialogState* state = Find(dialog);
    return state ? state->units : kClassicDialogBaseUnits;
}

int DefaultButtonId(HWND dialog) {
    for (HWND child : ChildWindows(dialog)) {
        if (KindOfControl(child) == ControlKind::DefPushButton) return GetDlgCtrlID(child);
    }
    return IDOK;
}

void UserDialogKey(HWND dialog, WPARAM key) {
    if (!IsDialogWindow(dialog)) return;
    if (key == VK_RETURN) SendButtonCommand(dialog, DefaultButtonId(dialog));
    else if (key == VK_ESCAPE) SendButtonCommand(dialog, IDCANCEL);
}

void UserCloseDialog(HWND dialog) {
    if (IsDialogWindow(dialog)) SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace platform

using namespace platform;

LRESULT DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        const auto* pending = create ? static_cast<const DialogState*>(create->lpCreateParams) : nullptr;
        Dialogs()[dialog] = pending ? *pending : DialogState{};
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        if (DialogState* state = Find(dialog)) {
            for (HBITMAP picture : state->bitmaps) DeleteObject(picture);
        }
        Dialogs().erase(dialog);
        return 0;
    }
    DialogState* state = Find(dialog);
    if (state && state->proc) {
        DLGPROC proc = state->proc;
        INT_PTR handled = proc(dialog, msg, wParam, lParam);
        if (msg == WM_INITDIALOG || handled) return handled;
    }
    switch (msg) {
    case WM_CLOSE:
        SendButtonCommand(dialog, IDCANCEL);
        return 0;
    case WM_INITDIALOG:
        return 0;
    default:
        return DefWindowProcA(dialog, msg, wParam, lParam);
    }
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    DialogTemplate t;
    if (!LoadTemplate(instance, templateName, &t)) return nullptr;
    bool headless = CurrentWindowBackend() == WindowBackend::Headless;
    if (!headless && !GtkDialogsAvailable()) return nullptr;
    RECT screen = headless ? RECT{} : GtkDialogScreenArea();
    HWND dialog = BuildDialog(instance, t, owner, dialogProc, initParam,
                              headless ? kClassicDialogBaseUnits : GtkDialogBaseUnits(t.pointSize),
                              headless ? nullptr : &screen);
    if (dialog && (t.style & WS_VISIBLE)) ShowWindow(dialog, SW_SHOW);
    return dialog;
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    DialogTemplate t;
    if (!LoadTemplate(instance, templateName, &t)) return -1;
    bool headless = CurrentWindowBackend() == WindowBackend::Headless;
    if (!headless && !GtkDialogsAvailable()) return -1;
    DialogBaseUnits units = headless ? kClassicDialogBaseUnits : GtkDialogBaseUnits(t.pointSize);

    RECT screen = headless ? RECT{} : GtkDialogScreenArea();
    HWND dialog = BuildDialog(instance, t, owner, dialogProc, initParam, units, headless ? nullptr : &screen);
    if (!dialog) return -1;
    bool disabledOwner = owner && IsWindowEnabled(owner);  // windows of other programs are left alone
    if (disabledOwner) EnableWindow(owner, FALSE);
    if (!DialogEnded(dialog)) {
        ShowWindow(dialog, SW_SHOW);
        if (headless) RunHeadless(dialog, t.id);
        else RunGtkModalDialog(dialog);
    }
    INT_PTR result = -1;
    if (DialogState* state = Find(dialog)) result = state->ended ? state->result : -1;
    if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
    DestroyWindow(dialog);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogState* state = Find(dialog);
    if (!state) return FALSE;
    state->ended = true;
    state->result = result;
    return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SetWindowTextA(control, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int bufferSize) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) {
        if (buffer && bufferSize > 0) buffer[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(control, buffer, bufferSize));
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    DialogState* state = Find(dialog);
    if (!state || !rect) return FALSE;
    *rect = MapDialogUnits(*rect, state->units);
    return TRUE;
}
