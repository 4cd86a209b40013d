// controls.cpp — the "Button", "Static" and "msctls_trackbar32" window
// classes, and the user actions on every control. State lives per window
// from WM_NCCREATE to WM_NCDESTROY; other messages go to DefWindowProcA.
#include "platform/dialogs/controls.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <utility>

#include "platform/dialogs/combo_box.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

struct ButtonState {
    WPARAM check = BST_UNCHECKED;
};

struct StaticState {
    HBITMAP bitmap = nullptr;
};

template <typename State>
std::map<HWND, State>& States() {
    static std::map<HWND, State> states;
    return states;
}

std::function<void(HWND)>& Observer() {
    static std::function<void(HWND)> observer;
    return observer;
}

LRESULT Changed(HWND control, LRESULT result) {
    NotifyControlChanged(control);
    return result;
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)); }

void Notify(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

// Per-window state for State, made on WM_NCCREATE and dropped on WM_NCDESTROY;
// null for other messages of a window without state.
template <typename State>
State* Lifetime(HWND control, UINT msg, bool* handled) {
    *handled = false;
    if (msg == WM_NCCREATE) {
        States<State>()[control] = State{};
        *handled = true;
        return nullptr;
    }
    if (msg == WM_NCDESTROY) {
        States<State>().erase(control);
        *handled = true;
        return nullptr;
    }
    auto found = States<State>().find(control);
    return found == States<State>().end() ? nullptr : &found->second;
}

LRESULT ButtonProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    ButtonState* state = Lifetime<ButtonState>(control, msg, &handled);
    if (handled) return msg == WM_NCCREATE ? TRUE : 0;
    if (!state) return DefWindowProcA(control, msg, wParam, lParam);
    switch (msg) {
    case BM_GETCHECK:
        return static_cast<LRESULT>(state->check);
    case BM_SETCHECK: {
        DWORD type = StyleOf(control) & BS_TYPEMASK;
        if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX) return 0;
        state->check = wParam == BST_UNCHECKED ? BST_UNCHECKED : BST_CHECKED;
        return Changed(control, 0);
    }
    case BM_CLICK: {
        if (!IsWindowEnabled(control)) return 0;
        DWORD type = StyleOf(control) & BS_TYPEMASK;
        if (type == BS_GROUPBOX) return 0;
        if (type == BS_AUTOCHECKBOX) {
            state->check = state->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            NotifyControlChanged(control);
        }
        Notify(control, BN_CLICKED);
        return 0;
    }
    default:
        return DefWindowProcA(control, msg, wParam, lParam);
    }
}

LRESULT StaticProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    StaticState* state = Lifetime<StaticState>(control, msg, &handled);
    if (handled) return msg == WM_NCCREATE ? TRUE : 0;
    if (!state) return DefWindowProcA(control, msg, wParam, lParam);
    switch (msg) {
    case STM_SETIMAGE: {
        if (wParam != IMAGE_BITMAP) return 0;
        HBITMAP previous = state->bitmap;
        state->bitmap = reinterpret_cast<HBITMAP>(lParam);
        return Changed(control, reinterpret_cast<LRESULT>(previous));
    }
    case STM_GETIMAGE:
        return wParam == IMAGE_BITMAP ? reinterpret_cast<LRESULT>(state->bitmap) : 0;
    default:
        return DefWindowProcA(control, msg, wParam, lParam);
    }
}

void Clamp(TrackbarState& state) {
    state.position = std::clamp(state.position, state.minimum, std::max(state.minimum, state.maximum));
}

LRESULT TrackbarProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    TrackbarState* state = Lifetime<TrackbarState>(control, msg, &handled);
    if (handled) return msg == WM_NCCREATE ? TRUE : 0;
    if (!state) return DefWindowProcA(control, msg, wParam, lParam);
    switch (msg) {
    case TBM_GETPOS:
        return state->position;
    case TBM_GETRANGEMIN:
        return state->minimum;
    case TBM_GETRANGEMAX:
        return state->maximum;
    case TBM_SETPOS:
        state->position = static_cast<int>(lParam);
        Clamp(*state);
        return Changed(control, 0);
    case TBM_SETRANGE:
        state->minimum = static_cast<int16_t>(LOWORD(lParam));
        state->maximum = static_cast<int16_t>(HIWORD(lParam));
        Clamp(*state);
        return Changed(control, 0);
    case TBM_SETRANGEMIN:
        state->minimum = static_cast<int>(lParam);
        Clamp(*state);
        return Changed(control, 0);
    case TBM_SETRANGEMAX:
        state->maximum = static_cast<int>(lParam);
        Clamp(*state);
        return Changed(control, 0);
    case TBM_SETPAGESIZE: {
        int previous = state->pageSize;
        state->pageSize = static_cast<int>(lParam);
        return Changed(control, previous);
    }
    case TBM_GETPAGESIZE:
        return state->pageSize;
    case TBM_SETLINESIZE: {
        int previous = state->lineSize;
        state->lineSize = static_cast<int>(lParam);
        return Changed(control, previous);
    }
    case TBM_GETLINESIZE:
        return state->lineSize;
    default:
        return DefWindowProcA(control, msg, wParam, lParam);
    }
}

bool SameClass(HWND hwnd, const char* name) {
    std::string a = WindowClassName(hwnd);
    std::string b = name;
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

void Register(const char* name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

void RegisterStandardControlClasses() {
    Register(WC_BUTTONA, ButtonProc);
    Register(WC_STATICA, StaticProc);
    Register(TRACKBAR_CLASSA, TrackbarProc);
}

ControlKind KindOfControl(HWND control) {
    DWORD style = StyleOf(control);
    if (SameClass(control, WC_BUTTONA)) {
        switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON: return ControlKind::PushButton;
        case BS_DEFPUSHBUTTON: return ControlKind::DefPushButton;
        case BS_CHECKBOX: return ControlKind::CheckBox;
        case BS_AUTOCHECKBOX: return ControlKind::AutoCheckBox;
        case BS_GROUPBOX: return ControlKind::GroupBox;
        default: return ControlKind::Unknown;
        }
    }
    if (SameClass(control, WC_STATICA))
        return (style & SS_TYPEMASK) == SS_BITMAP ? ControlKind::StaticBitmap : ControlKind::StaticText;
    if (SameClass(control, WC_COMBOBOXA))
        return (style & 0x3) == CBS_DROPDOWNLIST ? ControlKind::DropDownListComboBox : ControlKind::ComboBox;
    if (SameClass(control, TRACKBAR_CLASSA)) return ControlKind::Trackbar;
    return ControlKind::Unknown;
}

const TrackbarState* FindTrackbar(HWND control) {
    auto found = States<TrackbarState>().find(control);
    return found == States<TrackbarState>().end() ? nullptr : &found->second;
}

void SetControlObserver(std::function<void(HWND)> observer) { Observer() = std::move(observer); }

void NotifyControlChanged(HWND control) {
    if (Observer()) Observer()(control);
}

void UserClick(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

void UserChooseComboItem(HWND comboBox, int index) {
    if (!IsWindowEnabled(comboBox) || !FindComboBox(comboBox)) return;
    SendMessageA(comboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Notify(comboBox, CBN_SELENDOK);
    Notify(comboBox, CBN_CLOSEUP);
    Notify(comboBox, CBN_SELCHANGE);
}

void UserTrackbarAction(HWND trackbar, int code, int position) {
    auto found = States<TrackbarState>().find(trackbar);
    if (found == States<TrackbarState>().end() || !IsWindowEnabled(trackbar)) return;
    TrackbarState& state = found->second;
    switch (code) {
    case TB_LINEUP: state.position -= state.lineSize; break;
    case TB_LINEDOWN: state.position += state.lineSize; break;
    case TB_PAGEUP: state.position -= state.pageSize; break;
    case TB_PAGEDOWN: state.position += state.pageSize; break;
    case TB_THUMBPOSITION:
    case TB_THUMBTRACK: state.position = position; break;
    case TB_TOP: state.position = state.minimum; break;
    case TB_BOTTOM: state.position = state.maximum; break;
    case TB_ENDTRACK: break;
    default: return;
    }
    Clamp(state);
    int reported = state.position;
    NotifyControlChanged(trackbar);
    bool thumb = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
    if (HWND parent = GetParent(trackbar))
        SendMessageA(parent, WM_HSCROLL, MAKEWPARAM(code, thumb ? reported : 0), reinterpret_cast<LPARAM>(trackbar));
}

void UserTrackbarKey(HWND trackbar, int code) {
    UserTrackbarAction(trackbar, code);
    UserTrackbarAction(trackbar, TB_ENDTRACK);
}

}  // namespace platform

void InitCommonControls() { platform::RegisterControlClasses(); }
