// combo_box.cpp — the "ComboBox" window class: items, item data and the
// selection, answered with Win32's results. State lives per window from
// WM_NCCREATE to WM_NCDESTROY.
#include "platform/dialogs/combo_box.h"

#include "platform/dialogs/controls.h"

#include <cstring>
#include <map>
#include <utility>

namespace platform {
namespace {

std::map<HWND, ComboBoxState>& States() {
    static std::map<HWND, ComboBoxState> states;
    return states;
}

std::function<void(HWND)>& Observer() {
    static std::function<void(HWND)> observer;
    return observer;
}

bool ValidIndex(const ComboBoxState& state, WPARAM index) {
    return index < state.items.size();
}

LRESULT Changed(HWND control, LRESULT result) {
    if (Observer()) Observer()(control);
    NotifyControlChanged(control);
    return result;
}

LRESULT ComboBoxProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        States()[control] = ComboBoxState{};
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        States().erase(control);
        return 0;
    }
    auto found = States().find(control);
    if (found == States().end()) return DefWindowProcA(control, msg, wParam, lParam);
    ComboBoxState& state = found->second;

    switch (msg) {
    case CB_ADDSTRING: {
        if (!lParam) return CB_ERR;
        state.items.push_back(ComboBoxItem{reinterpret_cast<LPCSTR>(lParam), 0});
        return Changed(control, static_cast<LRESULT>(state.items.size() - 1));
    }
    case CB_GETCOUNT:
        return static_cast<LRESULT>(state.items.size());
    case CB_GETCURSEL:
        return state.selection;
    case CB_SETCURSEL:
        // Win32: an index out of range (and -1) clears the selection and answers CB_ERR.
        state.selection = ValidIndex(state, wParam) ? static_cast<int>(wParam) : CB_ERR;
        return Changed(control, state.selection);
    case CB_GETLBTEXTLEN:
        if (!ValidIndex(state, wParam)) return CB_ERR;
        return static_cast<LRESULT>(state.items[wParam].text.size());
    case CB_GETLBTEXT: {
        if (!ValidIndex(state, wParam) || !lParam) return CB_ERR;
        const std::string& text = state.items[wParam].text;
        std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
        return static_cast<LRESULT>(text.size());
    }
    case CB_GETITEMDATA:
        if (!ValidIndex(state, wParam)) return CB_ERR;
        return state.items[wParam].data;
    case CB_SETITEMDATA:
        if (!ValidIndex(state, wParam)) return CB_ERR;
        state.items[wParam].data = lParam;
        return Changed(control, TRUE);
    case CB_RESETCONTENT:
        state.items.clear();
        state.selection = CB_ERR;
        return Changed(control, CB_OKAY);
    default:
        return DefWindowProcA(control, msg, wParam, lParam);
    }
}

}  // namespace

void RegisterControlClasses() {
    RegisterStandardControlClasses();
    WNDCLASSA wc{};
    wc.lpfnWndProc = ComboBoxProc;
    wc.lpszClassName = WC_COMBOBOXA;
    RegisterClassA(&wc);
}

const ComboBoxState* FindComboBox(HWND control) {
    auto found = States().find(control);
    return found == States().end() ? nullptr : &found->second;
}

void SetComboBoxObserver(std::function<void(HWND)> observer) { Observer() = std::move(observer); }

}  // namespace platform
