// The "ComboBox" control model: items, item data and selection with Win32's
// results, reached through the dialog-item calls.
#include <gtest/gtest.h>

#include <vector>

#include "platform/dialogs/combo_box.h"
#include "platform/platform_testing.h"

namespace {

class ComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        platform::RegisterControlClasses();
        platform::RegisterControlClasses();  // a second call changes nothing
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "ComboTestDialog";
        ASSERT_NE(RegisterClassA(&wc), 0);
        dialog = CreateWindowExA(0, "ComboTestDialog", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(dialog, nullptr);
        combo = MakeCombo(1011);
        ASSERT_NE(combo, nullptr);
    }
    void TearDown() override { platform::SetComboBoxObserver({}); }

    HWND MakeCombo(int id) {
        return CreateWindowExA(0, WC_COMBOBOXA, "", WS_CHILD | WS_TABSTOP | CBS_DROPDOWNLIST, 10, 10, 100, 80, dialog,
                               reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
    }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendDlgItemMessageA(dialog, 1011, msg, wParam, lParam);
    }
    LRESULT Add(const char* text) { return Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }

    HWND dialog = nullptr;
    HWND combo = nullptr;
};

TEST_F(ComboBoxTest, ItemsDataAndSelectionAnswerAsWin32Does) {
    EXPECT_EQ(GetDlgItem(dialog, 1011), combo);
    EXPECT_EQ(GetDlgCtrlID(combo), 1011);
    EXPECT_EQ(Send(CB_GETCOUNT), 0);
    EXPECT_EQ(Send(CB_GETCURSEL), CB_ERR);

    EXPECT_EQ(Add("640 x 480  16 bits"), 0);
    EXPECT_EQ(Add("800 x 600  16 bits"), 1);
    EXPECT_EQ(Add(""), 2);
    EXPECT_EQ(Send(CB_ADDSTRING, 0, 0), CB_ERR);
    EXPECT_EQ(Send(CB_GETCOUNT), 3);

    EXPECT_EQ(Send(CB_GETLBTEXTLEN, 1), 18);
    char text[32] = {};
    EXPECT_EQ(Send(CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 18);
    EXPECT_STREQ(text, "800 x 600  16 bits");
    EXPECT_EQ(Send(CB_GETLBTEXTLEN, 3), CB_ERR);
    EXPECT_EQ(Send(CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text)), CB_ERR);

    EXPECT_EQ(Send(CB_GETITEMDATA, 1), 0);
    EXPECT_NE(Send(CB_SETITEMDATA, 1, 42), CB_ERR);
    EXPECT_EQ(Send(CB_GETITEMDATA, 1), 42);
    EXPECT_EQ(Send(CB_SETITEMDATA, 3, 7), CB_ERR);
    EXPECT_EQ(Send(CB_GETITEMDATA, 3), CB_ERR);

    EXPECT_EQ(Send(CB_SETCURSEL, 2), 2);
    EXPECT_EQ(Send(CB_GETCURSEL), 2);
    EXPECT_EQ(Send(CB_SETCURSEL, 3), CB_ERR);  // out of range clears the selection
    EXPECT_EQ(Send(CB_GETCURSEL), CB_ERR);
    Send(CB_SETCURSEL, 1);
    EXPECT_EQ(Send(CB_SETCURSEL, static_cast<WPARAM>(-1)), CB_ERR);
    EXPECT_EQ(Send(CB_GETCURSEL), CB_ERR);

    Send(CB_SETCURSEL, 0);
    EXPECT_EQ(Send(CB_RESETCONTENT), CB_OKAY);
    EXPECT_EQ(Send(CB_GETCOUNT), 0);
    EXPECT_EQ(Send(CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(Add("again"), 0);
}

TEST_F(ComboBoxTest, EachControlHasItsOwnModelForItsLifetime) {
    HWND other = MakeCombo(1015);
    std::vector<HWND> changed;
    platform::SetComboBoxObserver([&](HWND control) { changed.push_back(control); });
    Add("first");
    SendDlgItemMessageA(dialog, 1015, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("other"));
    Send(CB_GETCOUNT);
    EXPECT_EQ(changed, (std::vector<HWND>{combo, other}));  // queries are not changes
    ASSERT_NE(platform::FindComboBox(combo), nullptr);
    EXPECT_EQ(platform::FindComboBox(combo)->items[0].text, "first");
    EXPECT_EQ(platform::FindComboBox(other)->items.size(), 1u);

    EXPECT_EQ(SendDlgItemMessageA(dialog, 999, CB_GETCOUNT, 0, 0), 0);  // no such control
    DestroyWindow(combo);
    EXPECT_EQ(platform::FindComboBox(combo), nullptr);
    EXPECT_EQ(GetDlgItem(dialog, 1011), nullptr);
}

}  // namespace
