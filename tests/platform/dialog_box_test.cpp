// The dialog manager and the control models without a display: dialogs from
// templates, the modal loop's keys and results, the user actions on buttons,
// combo boxes and trackbars, window geometry, and ShellExecuteA.
#include "platform/dialogs/dialog_box.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialogs/combo_box.h"
#include "platform/dialogs/controls.h"
#include "platform/platform_testing.h"
#include "platform/win32/gdi_objects.h"
#include "platform/win32/resource_table.h"
#include "platform/win32/shell_execute.h"

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Received> g_received;
INT_PTR g_answer = FALSE;  // what the recording procedure returns for WM_COMMAND

// Records WM_INITDIALOG, WM_COMMAND and WM_HSCROLL; ends on IDOK/IDCANCEL when g_answer says so.
INT_PTR RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG || message == WM_COMMAND || message == WM_HSCROLL)
        g_received.push_back({message, wParam, lParam});
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && g_answer && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 10 : 20);
        return TRUE;
    }
    return FALSE;
}

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

class DialogBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        platform::HeadlessSetScreenSize(1000, 800);
        g_received.clear();
        g_answer = TRUE;
    }
    void TearDown() override {
        platform::SetModalDialogHook({});
        platform::SetShellExecuteHook({});
    }
    // The About template, shown modeless: a default OK button, a group box
    // without id and seven centred statics.
    HWND OpenAbout(LPARAM param = 0) {
        HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(235), nullptr, RecordingProc, param);
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    // A bare parent with one control of each kind that the templates do not give.
    HWND MakeControl(HWND parent, const char* cls, DWORD style, int id) {
        platform::RegisterControlClasses();
        return CreateWindowExA(0, cls, "text", WS_CHILD | WS_VISIBLE | style, 10, 20, 100, 30, parent,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    }
};

TEST_F(DialogBoxTest, TemplateBecomesWindowsAtTheirPixelRectangles) {
    HWND dialog = OpenAbout(77);
    ASSERT_TRUE(platform::IsDialogWindow(dialog));
    EXPECT_EQ(platform::DialogTemplateId(dialog), 235);
    char title[32];
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ(title, "About");

    // Centred on the screen (DS_CENTER): 233 x 116 units are 350 x 189 pixels.
    RECT window{};
    GetWindowRect(dialog, &window);
    EXPECT_EQ(window.right - window.left, 350);
    EXPECT_EQ(window.bottom - window.top, 189);
    EXPECT_EQ(window.left, (1000 - 350) / 2);
    EXPECT_EQ(window.top, (800 - 189) / 2);

    // WM_INITDIALOG: the first tab stop (the OK button) and the parameter.
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(reinterpret_cast<HWND>(g_received[0].wParam), GetDlgItem(dialog, IDOK));
    EXPECT_EQ(g_received[0].lParam, 77);

    HWND line = GetDlgItem(dialog, 1095);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(platform::KindOfControl(line), platform::ControlKind::StaticText);
    RECT r{};
    GetWindowRect(line, &r);
    POINT corner{r.left, r.top};
    ScreenToClient(dialog, &corner);
    EXPECT_EQ(corner.x, 63);  // 42 units
    EXPECT_EQ(corner.y, 54);  // 33 units: 53.6
    RECT units{42, 33, 198, 41};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(units.left, 63);
    EXPECT_EQ(units.right, 297);
    EXPECT_EQ(platform::KindOfControl(GetDlgItem(dialog, -1)), platform::ControlKind::GroupBox);
    EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, -1)), -1);
    EXPECT_EQ(platform::DefaultButtonId(dialog), IDOK);

    EXPECT_TRUE(SetDlgItemTextA(dialog, 1093, "first"));
    char text[16];
    EXPECT_EQ(GetDlgItemTextA(dialog, 1093, text, sizeof text), 5u);
    EXPECT_STREQ(text, "first");
    EXPECT_EQ(GetDlgItemTextA(dialog, 4242, text, sizeof text), 0u);
    EXPECT_FALSE(SetDlgItemTextA(dialog, 4242, "none"));
    EXPECT_EQ(CreateDialogParamA(Self(), MAKEINTRESOURCEA(4242), nullptr, RecordingProc, 0), nullptr);
    DestroyWindow(dialog);
    EXPECT_FALSE(platform::IsDialogWindow(dialog));
}

TEST_F(DialogBoxTest, ModalDialogsEndByTheirKeysAndResults) {
    auto run = [](std::function<void(HWND)> user) {
        platform::SetModalDialogHook([&](HWND dialog, int templateId) {
            EXPECT_EQ(templateId, 235);
            EXPECT_TRUE(IsWindowVisible(dialog));
            if (user) user(dialog);
        });
        return DialogBoxParamA(Self(), MAKEINTRESOURCEA(235), nullptr, RecordingProc, 0);
    };
    EXPECT_EQ(run([](HWND d) { platform::UserDialogKey(d, VK_RETURN); }), 10);   // the default button: IDOK
    EXPECT_EQ(run([](HWND d) { platform::UserDialogKey(d, VK_ESCAPE); }), 20);   // IDCANCEL
    EXPECT_EQ(run([](HWND d) { platform::UserCloseDialog(d); }), 20);            // close box: IDCANCEL
    EXPECT_EQ(run([](HWND d) { platform::UserClick(GetDlgItem(d, IDOK)); }), 10);
    EXPECT_EQ(run([](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }), 20);         // queued messages are dispatched
    EXPECT_EQ(run(nullptr), 20);  // nobody answered: Escape
    // The Enter key does nothing while its button is disabled.
    EXPECT_EQ(run([](HWND d) {
                  EnableWindow(GetDlgItem(d, IDOK), FALSE);
                  platform::UserDialogKey(d, VK_RETURN);
                  EXPECT_FALSE(platform::DialogEnded(d));
                  platform::UserClick(GetDlgItem(d, IDOK));
                  EXPECT_FALSE(platform::DialogEnded(d));
              }),
              20);
    g_answer = FALSE;  // a procedure that never ends its dialog
    EXPECT_EQ(run(nullptr), -1);
    EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(4242), nullptr, RecordingProc, 0), -1);
    EXPECT_EQ(FindWindowA(WC_DIALOGA, nullptr), nullptr);  // every dialog is gone
}

TEST_F(DialogBoxTest, OwnerIsDisabledWhileItsModalDialogRuns) {
    HWND owner = OpenAbout();
    HWND nested = nullptr;
    platform::SetModalDialogHook([&](HWND dialog, int) {
        nested = dialog;
        EXPECT_EQ(platform::DialogOwner(dialog), owner);
        EXPECT_FALSE(IsWindowEnabled(owner));
        platform::UserDialogKey(dialog, VK_RETURN);
    });
    EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(235), owner, RecordingProc, 0), 10);
    EXPECT_NE(nested, nullptr);
    EXPECT_FALSE(IsWindow(nested));
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST_F(DialogBoxTest, ButtonsClickAsWin32ButtonsDo) {
    HWND dialog = OpenAbout();
    HWND autoCheck = MakeControl(dialog, WC_BUTTONA, BS_AUTOCHECKBOX, 300);
    HWND plainCheck = MakeControl(dialog, WC_BUTTONA, BS_CHECKBOX, 301);
    HWND push = MakeControl(dialog, WC_BUTTONA, BS_PUSHBUTTON, 302);
    g_received.clear();

    platform::UserClick(autoCheck);
    EXPECT_EQ(SendMessageA(autoCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
    platform::UserClick(plainCheck);
    EXPECT_EQ(SendMessageA(plainCheck, BM_GETCHECK, 0, 0), BST_UNCHECKED);  // its owner checks it
    SendMessageA(plainCheck, BM_SETCHECK, 5, 0);
    EXPECT_EQ(SendMessageA(plainCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(push, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EnableWindow(autoCheck, FALSE);
    platform::UserClick(autoCheck);  // disabled: nothing
    EXPECT_EQ(SendMessageA(autoCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
    platform::UserClick(GetDlgItem(dialog, -1));  // a group box is not clicked

    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(g_received[0].wParam, MAKEWPARAM(300, BN_CLICKED));
    EXPECT_EQ(reinterpret_cast<HWND>(g_received[0].lParam), autoCheck);
    EXPECT_EQ(g_received[1].wParam, MAKEWPARAM(301, BN_CLICKED));

    // Pictures: a static keeps the bitmap it is given.
    HWND picture = MakeControl(dialog, WC_STATICA, SS_BITMAP, 303);
    EXPECT_EQ(platform::KindOfControl(picture), platform::ControlKind::StaticBitmap);
    HBITMAP fake = reinterpret_cast<HBITMAP>(0x1234);
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fake)), 0);
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(fake));
    DestroyWindow(dialog);
}

TEST_F(DialogBoxTest, ComboChoicesAndTrackbarMovesNotifyTheParent) {
    HWND dialog = OpenAbout();
    HWND combo = MakeControl(dialog, WC_COMBOBOXA, CBS_DROPDOWNLIST, 400);
    for (const char* item : {"one", "two", "three"}) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    g_received.clear();
    platform::UserChooseComboItem(combo, 2);
    ASSERT_EQ(g_received.size(), 3u);
    EXPECT_EQ(g_received[0].wParam, MAKEWPARAM(400, CBN_SELENDOK));
    EXPECT_EQ(g_received[1].wParam, MAKEWPARAM(400, CBN_CLOSEUP));
    EXPECT_EQ(g_received[2].wParam, MAKEWPARAM(400, CBN_SELCHANGE));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);

    HWND slider = MakeControl(dialog, TRACKBAR_CLASSA, TBS_NOTICKS, 401);
    EXPECT_EQ(platform::KindOfControl(slider), platform::ControlKind::Trackbar);
    EXPECT_EQ(SendMessageA(slider, TBM_GETPAGESIZE, 0, 0), 20);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELONG(1, 100));
    SendMessageA(slider, TBM_SETPOS, TRUE, 500);
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 100);  // clamped to the range
    EXPECT_EQ(SendMessageA(slider, TBM_SETPAGESIZE, 0, 10), 20);
    SendMessageA(slider, TBM_SETPOS, TRUE, 50);

    g_received.clear();
    std::vector<int> positions;
    auto step = [&](int code, int position = 0) {
        platform::UserTrackbarAction(slider, code, position);
        positions.push_back(static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0)));
    };
    step(TB_LINEDOWN);
    step(TB_LINEUP);
    step(TB_PAGEDOWN);
    step(TB_PAGEUP);
    step(TB_THUMBTRACK, 77);
    step(TB_THUMBPOSITION, 300);
    step(TB_TOP);
    step(TB_BOTTOM);
    step(TB_ENDTRACK);
    EXPECT_EQ(positions, (std::vector<int>{51, 50, 60, 50, 77, 100, 1, 100, 100}));
    ASSERT_EQ(g_received.size(), 9u);
    EXPECT_EQ(g_received[4].message, static_cast<UINT>(WM_HSCROLL));
    EXPECT_EQ(g_received[4].wParam, MAKEWPARAM(TB_THUMBTRACK, 77));
    EXPECT_EQ(g_received[5].wParam, MAKEWPARAM(TB_THUMBPOSITION, 100));
    EXPECT_EQ(g_received[0].wParam, MAKEWPARAM(TB_LINEDOWN, 0));
    EXPECT_EQ(reinterpret_cast<HWND>(g_received[0].lParam), slider);

    g_received.clear();
    platform::UserTrackbarKey(slider, TB_PAGEUP);
    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(LOWORD(g_received[1].wParam), TB_ENDTRACK);
    EnableWindow(slider, FALSE);
    platform::UserTrackbarKey(slider, TB_TOP);
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 90);
    DestroyWindow(dialog);
}

TEST_F(DialogBoxTest, WindowGeometryTextAndState) {
    HWND dialog = OpenAbout();
    ShowWindow(dialog, SW_SHOW);
    HWND child = MakeControl(dialog, WC_STATICA, SS_LEFT, 500);
    RECT r{};
    GetWindowRect(dialog, &r);
    RECT c{};
    ASSERT_TRUE(GetWindowRect(child, &c));
    EXPECT_EQ(c.left, r.left + 10);
    EXPECT_EQ(c.top, r.top + 20);

    ASSERT_TRUE(SetWindowPos(child, nullptr, 30, 40, 0, 0, SWP_NOSIZE));
    GetWindowRect(child, &c);
    EXPECT_EQ(c.left - r.left, 30);
    EXPECT_EQ(c.right - c.left, 100);
    SetWindowPos(child, nullptr, 0, 0, 70, 5, SWP_NOMOVE | SWP_HIDEWINDOW);
    GetWindowRect(child, &c);
    EXPECT_EQ(c.left - r.left, 30);
    EXPECT_EQ(c.bottom - c.top, 5);
    EXPECT_FALSE(IsWindowVisible(child));
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    EXPECT_TRUE(IsWindowVisible(child));
    ShowWindow(dialog, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(child));  // hidden with its parent

    POINT p{r.left + 5, r.top + 6};
    ASSERT_TRUE(ScreenToClient(dialog, &p));
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 6);

    EXPECT_FALSE(EnableWindow(child, FALSE));
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_TRUE(EnableWindow(child, TRUE));  // it was disabled
    EXPECT_TRUE(IsWindowEnabled(child));
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_ID), 500);
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_HINSTANCE), reinterpret_cast<LONG_PTR>(Self()));
    EXPECT_TRUE(GetWindowLongPtrA(child, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(GetWindowTextLengthA(child), 4);
    char small[3];
    EXPECT_EQ(GetWindowTextA(child, small, sizeof small), 2);
    EXPECT_STREQ(small, "te");
    EXPECT_FALSE(GetWindowRect(nullptr, &r));
    EXPECT_FALSE(SetWindowTextA(nullptr, "x"));
    DestroyWindow(dialog);
}

TEST_F(DialogBoxTest, PicturesComeFromBitmapResourcesAndMayBeMissing) {
    // A 2 x 1 24-bit BMP file.
    const unsigned char bmp[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                                 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // info header
                                 0, 0, 255, 255, 0, 0, 0, 0};                    // red, blue, padding
    const std::string text = "9 DIALOGEX 0, 0, 100, 60\nBEGIN\n"
                             "  CONTROL 900, 1, \"Static\", SS_BITMAP, 0, 0, 20, 20\n"
                             "  CONTROL 901, 2, \"Static\", SS_BITMAP, 30, 0, 20, 20\n"
                             "END";
    const platform::EmbeddedResource table[] = {
        {5, nullptr, 9, reinterpret_cast<const unsigned char*>(text.c_str()), text.size()},
        {2, nullptr, 900, bmp, sizeof bmp},
    };
    platform::SubstituteResources(table, 2);
    size_t objectsBefore = platform::gdi::LiveGdiObjectCount();
    HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(9), nullptr, RecordingProc, 0);
    ASSERT_NE(dialog, nullptr);
    auto picture = [&](int id) {
        return reinterpret_cast<HBITMAP>(SendDlgItemMessageA(dialog, id, STM_GETIMAGE, IMAGE_BITMAP, 0));
    };
    const platform::gdi::BitmapObject* shown = platform::gdi::FindBitmap(picture(1));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->width, 2);
    EXPECT_EQ(shown->pixels[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(picture(2), nullptr);  // missing: left blank
    DestroyWindow(dialog);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), objectsBefore);  // the dialog's picture went with it
    platform::SubstituteResources(nullptr, 0);
}

TEST_F(DialogBoxTest, ShellExecuteOpensThroughTheHook) {
    std::vector<std::string> calls;
    platform::SetShellExecuteHook([&](const std::string& verb, const std::string& file, const std::string&,
                                      const std::string&) {
        calls.push_back(verb + " " + file);
        return reinterpret_cast<HINSTANCE>(42);
    });
    EXPECT_EQ(ShellExecuteA(nullptr, "open", "file:///tmp/x", nullptr, nullptr, SW_SHOWNORMAL),
              reinterpret_cast<HINSTANCE>(42));
    EXPECT_EQ(calls, std::vector<std::string>{"open file:///tmp/x"});
    platform::SetShellExecuteHook({});
    // Without the hook: verbs other than "open" are not offered.
    EXPECT_EQ(ShellExecuteA(nullptr, "print", "file:///tmp/x", nullptr, nullptr, SW_SHOWNORMAL),
              reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC));
    EXPECT_EQ(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOWNORMAL),
              reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC));
}

}  // namespace
