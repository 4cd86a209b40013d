// Dialog templates in the resource-script syntax: the shipped templates,
// the resource compiler's defaults, errors, and dialog units.
#include "platform/dialogs/dialog_template.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

platform::DialogTemplate Shipped(int id) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_DIALOG);
    EXPECT_NE(resource, nullptr);
    platform::DialogTemplate t;
    if (!resource) return t;
    std::string text(static_cast<const char*>(LockResource(LoadResource(nullptr, resource))),
                     SizeofResource(nullptr, resource));
    std::string error;
    EXPECT_TRUE(platform::ParseDialogTemplate(text, &t, &error)) << error;
    return t;
}

const platform::DialogControlTemplate* Control(const platform::DialogTemplate& t, int id) {
    for (const auto& c : t.controls)
        if (c.id == id) return &c;
    return nullptr;
}

bool SameRect(const RECT& r, LONG x, LONG y, LONG w, LONG h) {
    return r.left == x && r.top == y && r.right == x + w && r.bottom == y + h;
}

TEST(DialogTemplateTest, ShippedSettingsDialogAndAboutBox) {
    platform::DialogTemplate config = Shipped(2003);
    EXPECT_EQ(config.id, 2003);
    EXPECT_TRUE(config.extended);
    EXPECT_EQ(config.caption, "3D Vexlar ScreenSaver: \"Inside the Vexlar\" Configuration");
    EXPECT_EQ(config.pointSize, 8);
    EXPECT_EQ(config.faceName, "Microsoft Sans Serif");
    const DWORD configStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
    EXPECT_EQ(config.style, configStyle);
    EXPECT_TRUE(SameRect(config.rect, 0, 0, 401, 198));
    ASSERT_EQ(config.controls.size(), 29u);
    // Template order is tab order: the picture first, the products text last.
    const auto& picture = config.controls.front();
    EXPECT_EQ(picture.id, -1);
    EXPECT_EQ(picture.className, "Static");
    EXPECT_TRUE(picture.textIsResource);
    EXPECT_EQ(picture.textResource, 165);
    EXPECT_EQ(picture.style & SS_TYPEMASK, static_cast<DWORD>(SS_BITMAP));
    EXPECT_EQ(config.controls.back().id, 1112);

    const auto* modes = Control(config, 1011);
    ASSERT_NE(modes, nullptr);
    EXPECT_EQ(modes->className, WC_COMBOBOXA);
    EXPECT_EQ(modes->style & 0x3, static_cast<DWORD>(CBS_DROPDOWN));
    EXPECT_EQ(modes->style & (WS_VSCROLL | WS_TABSTOP | WS_CHILD | WS_VISIBLE),
              static_cast<DWORD>(WS_VSCROLL | WS_TABSTOP | WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(Control(config, 1015)->style & 0x3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    const auto* volume = Control(config, 1023);
    EXPECT_EQ(volume->className, TRACKBAR_CLASSA);
    EXPECT_TRUE(volume->style & TBS_NOTICKS);
    EXPECT_TRUE(SameRect(volume->rect, 157, 16, 96, 13));
    EXPECT_EQ(Control(config, 1012)->style & (BS_TYPEMASK | WS_TABSTOP), static_cast<DWORD>(BS_AUTOCHECKBOX | WS_TABSTOP));
    EXPECT_EQ(Control(config, 1044)->style & (BS_TYPEMASK | WS_TABSTOP), static_cast<DWORD>(BS_AUTOCHECKBOX));
    EXPECT_EQ(Control(config, 1078)->text, "Hight Quality Textures");
    EXPECT_EQ(Control(config, 1103)->style & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
    EXPECT_EQ(Control(config, IDOK)->style & (BS_TYPEMASK | WS_TABSTOP), static_cast<DWORD>(BS_PUSHBUTTON | WS_TABSTOP));
    EXPECT_TRUE(SameRect(Control(config, IDCANCEL)->rect, 328, 179, 59, 12));
    EXPECT_EQ(Control(config, 1022)->style & (SS_TYPEMASK | WS_GROUP), static_cast<DWORD>(SS_LEFT | WS_GROUP));

    platform::DialogTemplate about = Shipped(235);
    EXPECT_EQ(about.caption, "About");
    EXPECT_EQ(about.style & (WS_SYSMENU | DS_SYSMODAL | DS_CENTER | WS_CAPTION),
              static_cast<DWORD>(DS_SYSMODAL | DS_CENTER | WS_CAPTION));
    ASSERT_EQ(about.controls.size(), 9u);
    EXPECT_EQ(about.controls[0].style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(about.controls[1].id, -1);
    EXPECT_EQ(about.controls[1].text, "");
    for (int i = 0; i < 7; ++i) {
        const auto& line = about.controls[2 + i];
        EXPECT_EQ(line.id, 1093 + i);
        EXPECT_EQ(line.style & SS_TYPEMASK, static_cast<DWORD>(SS_CENTER));
        EXPECT_TRUE(SameRect(line.rect, 42, 11 + 11 * i, 156, 8));
    }
}

TEST(DialogTemplateTest, ResourceCompilerDefaultsAndErrors) {
    platform::DialogTemplate t;
    std::string error;
    ASSERT_TRUE(platform::ParseDialogTemplate(
        "7 DIALOG DISCARDABLE 10, 20, 100, 50\n"
        "{\n"
        "  LTEXT \"a\", 1, 0, 0, 10, 8, NOT WS_GROUP | 0x100\n"
        "  PUSHBUTTON \"b\", 2, 0, 10, 10, 8, WS_DISABLED\n"
        "  COMBOBOX 3, 0, 20, 10, 30\n"
        "  CONTROL \"c\", 4, BUTTON, BS_AUTOCHECKBOX | NOT WS_VISIBLE, 0, 30, 10, 8, WS_EX_CLIENTEDGE\n"
        "}",
        &t, &error))
        << error;
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU));  // no STYLE, no CAPTION, no FONT
    ASSERT_EQ(t.controls.size(), 4u);
    EXPECT_EQ(t.controls[0].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | SS_LEFT | 0x100));
    EXPECT_EQ(t.controls[1].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED));
    EXPECT_EQ(t.controls[2].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | 0x1));  // CBS_SIMPLE
    EXPECT_EQ(t.controls[3].className, WC_BUTTONA);
    EXPECT_EQ(t.controls[3].style, static_cast<DWORD>(WS_CHILD | BS_AUTOCHECKBOX));
    EXPECT_EQ(t.controls[3].exStyle, 0x200u);

    for (const char* bad : {"1 DIALOGEX 0, 0, 10, 10\nSTYLE WS_NOSUCH\nBEGIN\nEND",
                            "1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  EDITTEXT 3, 0, 0, 5, 5\nEND",
                            "1 DIALOGEX 0, 0, 10\nBEGIN\nEND", "1 DIALOGEX 0, 0, 10, 10\nBEGIN\n",
                            "1 DIALOGEX 0, 0, 10, 10\nCAPTION \"open\nBEGIN\nEND", "1 MENU 0, 0, 1, 1"}) {
        EXPECT_FALSE(platform::ParseDialogTemplate(bad, &t, &error)) << bad;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
    }
}

TEST(DialogTemplateTest, PositionsSizesAndNestingStayInBounds) {
    platform::DialogTemplate t;
    std::string error;
    // The extremes a binary template can hold still read and convert.
    ASSERT_TRUE(platform::ParseDialogTemplate(
        "1 DIALOG -32768, 0, 32767, 1\nBEGIN\n  LTEXT \"a\", 1, 32767, -32768, 32767, 32767\nEND", &t, &error))
        << error;
    EXPECT_EQ(t.rect.right, -1);
    ASSERT_EQ(t.controls.size(), 1u);
    EXPECT_EQ(t.controls[0].rect.right, 65534);
    RECT pixels = platform::DialogUnitsToPixels(t.controls[0].rect, platform::kClassicDialogBaseUnits);
    EXPECT_EQ(pixels.left, 49151);
    EXPECT_EQ(pixels.right - pixels.left, 49151);
    // Past them the number is refused on its line: an edge of 0xFFFFFFFF and a
    // width of 0x80000000 once overflowed the conversion to pixels.
    EXPECT_FALSE(platform::ParseDialogTemplate("1 DIALOG 0xFFFFFFFF, 0, 0x80000000, 1\nBEGIN\nEND", &t, &error));
    EXPECT_EQ(error, "line 1: expected a number from -32768 to 32767 for x");
    EXPECT_FALSE(platform::ParseDialogTemplate("1 DIALOG 0, 0, 1, 1\nBEGIN\n  LTEXT \"a\", 1, 0,\n 32768, 1, 1\nEND",
                                               &t, &error));
    EXPECT_EQ(error, "line 4: expected a number from -32768 to 32767 for y");

    // Parentheses nest 16 deep; deeper ones, however many, are refused
    // without exhausting the stack.
    auto nested = [](int depth) {
        return "1 DIALOG 0, 0, 1, 1\nSTYLE " + std::string(depth, '(') + "WS_POPUP" + std::string(depth, ')') +
               "\nBEGIN\nEND";
    };
    ASSERT_TRUE(platform::ParseDialogTemplate(nested(16), &t, &error)) << error;
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP));
    for (int depth : {17, 100000}) {
        EXPECT_FALSE(platform::ParseDialogTemplate(nested(depth), &t, &error)) << depth;
        EXPECT_EQ(error, "line 2: a style nested more than 16 deep") << depth;
    }
}

TEST(DialogTemplateTest, DialogUnitsBecomePixelsAsWin32RoundsThem) {
    // The bottom row of the settings dialog at the classic 6 x 13 base units.
    RECT ok = platform::DialogUnitsToPixels(RECT{263, 179, 263 + 59, 179 + 12}, platform::kClassicDialogBaseUnits);
    EXPECT_EQ(ok.left, 395);  // 394.5 rounds up
    EXPECT_EQ(ok.top, 291);   // 290.875
    EXPECT_EQ(ok.right - ok.left, 89);   // 88.5, converted on its own
    EXPECT_EQ(ok.bottom - ok.top, 20);   // 19.5
    RECT mapped = platform::MapDialogUnits(RECT{263, 179, 322, 191}, platform::kClassicDialogBaseUnits);
    EXPECT_EQ(mapped.right, 483);  // 483: edges converted one by one
    EXPECT_EQ(mapped.bottom, 310);
    RECT wide = platform::DialogUnitsToPixels(RECT{0, 0, 401, 198}, platform::DialogBaseUnits{7, 13});
    EXPECT_EQ(wide.right, 702);
    EXPECT_EQ(wide.bottom, 322);
    RECT negative = platform::DialogUnitsToPixels(RECT{-2, -3, 2, 3}, platform::kClassicDialogBaseUnits);
    EXPECT_EQ(negative.left, -3);
    EXPECT_EQ(negative.top, -5);
}

}  // namespace
