// about_dialog.cpp — the About box and the shared OK/Cancel procedure.
#include "config/about_dialog.h"

#include "config/string_table.h"

INT_PTR OkCancelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowTextA(dialog, LookupString(L"about").c_str());
        SetDlgItemTextA(dialog, IDOK, LookupString(L"ok").c_str());
        for (int i = 0; i < kAboutLineCount; ++i) SetDlgItemTextA(dialog, kFirstAboutLine + i, AboutLines[i].c_str());
    }
    return OkCancelDialogProc(dialog, message, wParam, lParam);
}
