// dialog_template.h — dialog templates in the resource-script syntax, and
// dialog units.
//
// The resource packer stores each DIALOG or DIALOGEX statement of the
// manifest as its text (comments blanked); this parser reads it back.
// Understood: the header (id, DIALOG or DIALOGEX, memory options, x, y,
// width, height, help id), STYLE, EXSTYLE, CAPTION, FONT (size, face, weight,
// italic, charset), LANGUAGE, CLASS, MENU, CHARACTERISTICS and VERSION (the
// last four ignored), and between BEGIN and END (or braces) the controls
// CONTROL, LTEXT, CTEXT, RTEXT, PUSHBUTTON, DEFPUSHBUTTON, CHECKBOX,
// AUTOCHECKBOX, GROUPBOX and COMBOBOX. Positions and sizes are 16-bit
// numbers (-32768 to 32767), as the binary template holds them. Styles are
// expressions of numbers and the WS_, WS_EX_, DS_, BS_, SS_, CBS_ and TBS_
// names joined by "|" and grouped by parentheses at most 16 deep, where NOT
// clears bits; each control starts from WS_CHILD | WS_VISIBLE and the
// defaults of its keyword, as the resource compiler does. Strings double a
// quote to contain one. Anything else fails the parse with a message naming
// the line.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

struct DialogControlTemplate {
    std::string className;
    std::string text;
    bool textIsResource = false;  // the text was a number: a resource id (SS_BITMAP pictures)
    int textResource = 0;
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};  // dialog units: left, top, right, bottom
};

struct DialogTemplate {
    int id = 0;
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};  // dialog units
    std::string caption;
    int pointSize = 0;  // 0 without FONT
    std::string faceName;
    std::vector<DialogControlTemplate> controls;
};

// Parses one DIALOG or DIALOGEX statement. On failure returns false and says
// why in `error`.
bool ParseDialogTemplate(const std::string& text, DialogTemplate* out, std::string* error);

// Horizontal base unit: the average width of the font's letters; vertical:
// the font's height, both in pixels. A dialog unit is a quarter of the first
// across and an eighth of the second down.
struct DialogBaseUnits {
    int x;
    int y;
};
// What Win32's classic 8-point dialog font gives; the headless runner uses it.
inline constexpr DialogBaseUnits kClassicDialogBaseUnits{6, 13};

// A control's or dialog's rectangle in pixels as dialog creation places it:
// origin and size converted separately, each rounded as MulDiv rounds.
RECT DialogUnitsToPixels(const RECT& units, DialogBaseUnits base);
// Every edge converted on its own, as MapDialogRect does.
RECT MapDialogUnits(const RECT& units, DialogBaseUnits base);

}  // namespace platform
