// dialog_template.cpp — the reader of DIALOG and DIALOGEX statements.
#include "platform/dialogs/dialog_template.h"

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace platform {
namespace {

enum class Kind { Word, String, Punct, End };

struct Token {
    Kind kind = Kind::End;
    std::string text;
    int line = 0;
};

struct ParseFailure {
    std::string message;
};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

std::vector<Token> Tokenize(const std::string& src) {
    std::vector<Token> out;
    int line = 1;
    size_t i = 0;
    const size_t n = src.size();
    while (i < n) {
        char c = src[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
        } else if (c == '"') {
            std::string value;
            size_t j = i + 1;
            for (;;) {
                if (j >= n || src[j] == '\n') throw ParseFailure{"line " + std::to_string(line) + ": unterminated string"};
                if (src[j] == '"') {
                    if (j + 1 < n && src[j + 1] == '"') {
                        value += '"';
                        j += 2;
                        continue;
                    }
                    break;
                }
                value += src[j++];
            }
            out.push_back({Kind::String, value, line});
            i = j + 1;
        } else if (std::strchr(",|(){}", c)) {
            out.push_back({Kind::Punct, std::string(1, c), line});
            ++i;
        } else {
            size_t j = i;
            while (j < n && !std::strchr(" \t\r\n\f\v\",|(){}", src[j])) ++j;
            out.push_back({Kind::Word, src.substr(i, j - i), line});
            i = j;
        }
    }
    return out;
}

const std::map<std::string, DWORD>& StyleNames() {
    static const std::map<std::string, DWORD> names = {
        {"WS_OVERLAPPED", 0}, {"WS_POPUP", WS_POPUP}, {"WS_CHILD", WS_CHILD}, {"WS_VISIBLE", WS_VISIBLE},
        {"WS_DISABLED", WS_DISABLED}, {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS}, {"WS_CLIPCHILDREN", WS_CLIPCHILDREN},
        {"WS_CAPTION", WS_CAPTION}, {"WS_BORDER", WS_BORDER}, {"WS_DLGFRAME", WS_DLGFRAME},
        {"WS_VSCROLL", WS_VSCROLL}, {"WS_HSCROLL", WS_HSCROLL}, {"WS_SYSMENU", WS_SYSMENU},
        {"WS_THICKFRAME", 0x00040000}, {"WS_GROUP", WS_GROUP}, {"WS_TABSTOP", WS_TABSTOP},
        {"WS_MINIMIZEBOX", 0x00020000}, {"WS_MAXIMIZEBOX", 0x00010000},
        {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME}, {"WS_EX_NOPARENTNOTIFY", 0x4}, {"WS_EX_TOPMOST", WS_EX_TOPMOST},
        {"WS_EX_TRANSPARENT", 0x20}, {"WS_EX_TOOLWINDOW", 0x80}, {"WS_EX_WINDOWEDGE", 0x100},
        {"WS_EX_CLIENTEDGE", 0x200}, {"WS_EX_CONTROLPARENT", 0x10000}, {"WS_EX_STATICEDGE", 0x20000},
        {"DS_ABSALIGN", 0x1}, {"DS_SYSMODAL", DS_SYSMODAL}, {"DS_3DLOOK", DS_3DLOOK}, {"DS_FIXEDSYS", DS_FIXEDSYS},
        {"DS_NOFAILCREATE", 0x10}, {"DS_LOCALEDIT", 0x20}, {"DS_SETFONT", DS_SETFONT},
        {"DS_MODALFRAME", DS_MODALFRAME}, {"DS_NOIDLEMSG", 0x100}, {"DS_SETFOREGROUND", 0x200},
        {"DS_CONTROL", 0x400}, {"DS_CENTER", DS_CENTER}, {"DS_CENTERMOUSE", 0x1000}, {"DS_CONTEXTHELP", 0x2000},
        {"DS_SHELLFONT", DS_SHELLFONT},
        {"BS_PUSHBUTTON", BS_PUSHBUTTON}, {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {"BS_CHECKBOX", BS_CHECKBOX},
        {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX}, {"BS_RADIOBUTTON", 0x4}, {"BS_3STATE", 0x5}, {"BS_AUTO3STATE", 0x6},
        {"BS_GROUPBOX", BS_GROUPBOX}, {"BS_AUTORADIOBUTTON", 0x9}, {"BS_LEFTTEXT", 0x20}, {"BS_TEXT", 0},
        {"BS_BITMAP", 0x80}, {"BS_LEFT", 0x100}, {"BS_RIGHT", 0x200}, {"BS_CENTER", 0x300}, {"BS_TOP", 0x400},
        {"BS_BOTTOM", 0x800}, {"BS_VCENTER", 0xC00}, {"BS_MULTILINE", 0x2000}, {"BS_NOTIFY", 0x4000},
        {"BS_FLAT", 0x8000},
        {"SS_LEFT", SS_LEFT}, {"SS_CENTER", SS_CENTER}, {"SS_RIGHT", SS_RIGHT}, {"SS_BITMAP", SS_BITMAP},
        {"SS_LEFTNOWORDWRAP", 0xC}, {"SS_NOPREFIX", 0x80}, {"SS_NOTIFY", 0x100}, {"SS_CENTERIMAGE", 0x200},
        {"SS_REALSIZEIMAGE", 0x800}, {"SS_SUNKEN", 0x1000}, {"SS_REALSIZECONTROL", 0x40},
        {"CBS_SIMPLE", 0x1}, {"CBS_DROPDOWN", CBS_DROPDOWN}, {"CBS_DROPDOWNLIST", CBS_DROPDOWNLIST},
        {"CBS_AUTOHSCROLL", 0x40}, {"CBS_SORT", 0x100}, {"CBS_HASSTRINGS", 0x200}, {"CBS_NOINTEGRALHEIGHT", 0x400},
        {"CBS_DISABLENOSCROLL", 0x800},
        {"TBS_AUTOTICKS", TBS_AUTOTICKS}, {"TBS_HORZ", TBS_HORZ}, {"TBS_BOTTOM", 0}, {"TBS_TOP", 0x4},
        {"TBS_BOTH", 0x8}, {"TBS_NOTICKS", TBS_NOTICKS}, {"TBS_ENABLESELRANGE", 0x20}, {"TBS_FIXEDLENGTH", 0x40},
        {"TBS_NOTHUMB", 0x80}, {"TBS_TOOLTIPS", 0x100},
    };
    return names;
}

// Decimal or 0x hexadecimal, an optional minus sign and L suffix.
bool ParseNumber(std::string text, long long* value) {
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.erase(0, 1);
    }
    if (!text.empty() && (text.back() == 'L' || text.back() == 'l')) text.pop_back();
    int base = 10;
    size_t i = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i >= text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        v = v * base + digit;
        if (v > 0xFFFFFFFFLL) return false;
    }
    *value = negative ? -v : v;
    return true;
}

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

    DialogTemplate Run() {
        DialogTemplate d;
        d.id = static_cast<int>(Number("the dialog id"));
        std::string type = Upper(Word("DIALOG or DIALOGEX"));
        if (type != "DIALOG" && type != "DIALOGEX") Fail("expected DIALOG or DIALOGEX, found " + type);
        d.extended = type == "DIALOGEX";
        while (Peek().kind == Kind::Word && IsMemoryOption(Upper(Peek().text))) ++pos_;
        d.rect = Rectangle();
        if (Comma()) Number("the help id");
        d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
        bool hasCaption = false;
        for (;;) {
            const Token& t = Peek();
            if (IsOpen(t)) break;
            std::string word = Upper(Word("a dialog statement or BEGIN"));
            if (word == "STYLE") {
                d.style = Style(0);
            } else if (word == "EXSTYLE") {
                d.exStyle = Style(0);
            } else if (word == "CAPTION") {
                d.caption = String("the caption");
                hasCaption = true;
            } else if (word == "FONT") {
                d.pointSize = static_cast<int>(Number("the font size"));
                Expect(",");
                d.faceName = String("the font name");
                while (Comma()) Number("a font attribute");
            } else if (word == "LANGUAGE") {
                Word("the language");
                Expect(",");
                Word("the sublanguage");
            } else if (word == "CLASS" || word == "MENU") {
                Next();
            } else if (word == "CHARACTERISTICS" || word == "VERSION") {
                Number(word.c_str());
            } else {
                Fail("unknown dialog statement " + word);
            }
        }
        if (hasCaption) d.style |= WS_CAPTION;
        if (d.pointSize > 0) d.style |= DS_SETFONT;
        ++pos_;  // BEGIN
        while (!IsClose(Peek())) {
            if (Peek().kind == Kind::End) Fail("the dialog has no END");
            d.controls.push_back(Control());
        }
        ++pos_;
        if (Peek().kind != Kind::End) Fail("text after the dialog's END");
        return d;
    }

private:
    static bool IsMemoryOption(const std::string& w) {
        for (const char* o : {"PRELOAD", "LOADONCALL", "FIXED", "MOVEABLE", "DISCARDABLE", "PURE", "IMPURE"})
            if (w == o) return true;
        return false;
    }
    static bool IsOpen(const Token& t) {
        return (t.kind == Kind::Punct && t.text == "{") || (t.kind == Kind::Word && Upper(t.text) == "BEGIN");
    }
    static bool IsClose(const Token& t) {
        return (t.kind == Kind::Punct && t.text == "}") || (t.kind == Kind::Word && Upper(t.text) == "END");
    }

    const Token& Peek() {
        static const Token end;
        return pos_ < t_.size() ? t_[pos_] : end;
    }
    const Token& Next() {
        const Token& t = Peek();
        if (t.kind == Kind::End) Fail("unexpected end of the dialog");
        ++pos_;
        return t;
    }
    [[noreturn]] void Fail(const std::string& message) {
        int line = pos_ < t_.size() ? t_[pos_].line : (t_.empty() ? 1 : t_.back().line);
        throw ParseFailure{"line " + std::to_string(line) + ": " + message};
    }
    std::string Word(const char* what) {
        const Token& t = Peek();
        if (t.kind != Kind::Word) Fail(std::string("expected ") + what);
        ++pos_;
        return t.text;
    }
    std::string String(const char* what) {
        const Token& t = Peek();
        if (t.kind != Kind::String) Fail(std::string("expected ") + what + " in quotes");
        ++pos_;
        return t.text;
    }
    long long Number(const char* what) {
        const Token& t = Peek();
        long long v = 0;
        if (t.kind != Kind::Word || !ParseNumber(t.text, &v)) Fail(std::string("expected a number for ") + what);
        ++pos_;
        return v;
    }
    void Expect(const char* punct) {
        const Token& t = Peek();
        if (t.kind != Kind::Punct || t.text != punct) Fail(std::string("expected '") + punct + "'");
        ++pos_;
    }
    bool Comma() {
        if (Peek().kind == Kind::Punct && Peek().text == ",") {
            ++pos_;
            return true;
        }
        return false;
    }
    // A template holds x, y, width and height as 16-bit numbers, as the
    // binary DLGITEMTEMPLATE does; so the edges and their pixels stay in range.
    long long DialogUnit(const char* what) {
        long long v = Number(what);
        if (v < -32768 || v > 32767) {
            --pos_;
            Fail(std::string("expected a number from -32768 to 32767 for ") + what);
        }
        return v;
    }
    RECT Rectangle() {
        long long x = DialogUnit("x");
        Expect(",");
        long long y = DialogUnit("y");
        Expect(",");
        long long cx = DialogUnit("the width");
        Expect(",");
        long long cy = DialogUnit("the height");
        return RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + cx), static_cast<LONG>(y + cy)};
    }
    // A style expression applied to `base`: names and numbers joined by "|",
    // NOT before a term clearing its bits.
    DWORD Style(DWORD base, DWORD* given = nullptr) {
        DWORD value = base;
        DWORD set = 0;
        for (;;) {
            bool clear = false;
            if (Peek().kind == Kind::Word && Upper(Peek().text) == "NOT") {
                clear = true;
                ++pos_;
            }
            DWORD term = Term();
            if (clear) {
                value &= ~term;
            } else {
                value |= term;
                set |= term;
            }
            if (Peek().kind == Kind::Punct && Peek().text == "|") {
                ++pos_;
                continue;
            }
            break;
        }
        if (given) *given = set;
        return value;
    }
    DWORD Term() {
        if (Peek().kind == Kind::Punct && Peek().text == "(") {
            // Each parenthesis is a level of recursion: bounded, so that no
            // text can exhaust the stack.
            if (++depth_ > kMaxStyleNesting) Fail("a style nested more than 16 deep");
            ++pos_;
            DWORD v = Style(0);
            Expect(")");
            --depth_;
            return v;
        }
        std::string word = Word("a style");
        long long number = 0;
        if (ParseNumber(word, &number)) return static_cast<DWORD>(number);
        auto found = StyleNames().find(Upper(word));
        if (found == StyleNames().end()) Fail("unknown style " + word);
        return found->second;
    }
    // Text as a string, or a number naming a resource.
    void Text(DialogControlTemplate* c) {
        if (Peek().kind == Kind::String) {
            c->text = String("the text");
        } else {
            c->textIsResource = true;
            c->textResource = static_cast<int>(Number("the text"));
        }
        Expect(",");
    }
    void OptionalStyles(DialogControlTemplate* c, DWORD* given) {
        if (!Comma()) return;
        c->style = Style(c->style, given);
        if (!Comma()) return;
        c->exStyle = Style(0);
        if (Comma()) Number("the help id");
    }

    DialogControlTemplate Control() {
        DialogControlTemplate c;
        std::string keyword = Upper(Word("a control"));
        const DWORD base = WS_CHILD | WS_VISIBLE;
        if (keyword == "CONTROL") {
            Text(&c);
            c.id = static_cast<int>(Number("the control id"));
            Expect(",");
            if (Peek().kind == Kind::String) {
                c.className = String("the class");
            } else {
                std::string cls = Upper(Word("the class"));
                static const std::map<std::string, std::string> known = {
                    {"BUTTON", WC_BUTTONA}, {"STATIC", WC_STATICA}, {"COMBOBOX", WC_COMBOBOXA},
                    {"EDIT", "Edit"}, {"LISTBOX", "ListBox"}, {"SCROLLBAR", "ScrollBar"}};
                auto found = known.find(cls);
                if (found == known.end()) Fail("unknown control class " + cls);
                c.className = found->second;
            }
            Expect(",");
            c.style = Style(base);
            Expect(",");
            c.rect = Rectangle();
            if (Comma()) {
                c.exStyle = Style(0);
                if (Comma()) Number("the help id");
            }
            return c;
        }
        struct Keyword {
            const char* name;
            const char* className;
            DWORD style;
            bool hasText;
        };
        static const Keyword keywords[] = {
            {"LTEXT", WC_STATICA, SS_LEFT | WS_GROUP, true},
            {"CTEXT", WC_STATICA, SS_CENTER | WS_GROUP, true},
            {"RTEXT", WC_STATICA, SS_RIGHT | WS_GROUP, true},
            {"PUSHBUTTON", WC_BUTTONA, BS_PUSHBUTTON | WS_TABSTOP, true},
            {"DEFPUSHBUTTON", WC_BUTTONA, BS_DEFPUSHBUTTON | WS_TABSTOP, true},
            {"CHECKBOX", WC_BUTTONA, BS_CHECKBOX | WS_TABSTOP, true},
            {"AUTOCHECKBOX", WC_BUTTONA, BS_AUTOCHECKBOX | WS_TABSTOP, true},
            {"GROUPBOX", WC_BUTTONA, BS_GROUPBOX, true},
            {"COMBOBOX", WC_COMBOBOXA, WS_TABSTOP, false},
        };
        for (const Keyword& k : keywords) {
            if (keyword != k.name) continue;
            c.className = k.className;
            if (k.hasText) Text(&c);
            c.id = static_cast<int>(Number("the control id"));
            Expect(",");
            c.rect = Rectangle();
            c.style = base | k.style;
            DWORD given = 0;
            OptionalStyles(&c, &given);
            // A combo box is CBS_SIMPLE unless its style names another kind.
            if (keyword == "COMBOBOX" && (given & 0x3) == 0) c.style |= 0x1;
            return c;
        }
        Fail("unknown control " + keyword);
    }

    static constexpr int kMaxStyleNesting = 16;

    std::vector<Token> t_;
    size_t pos_ = 0;
    int depth_ = 0;
};

LONG Scale(LONG value, int base, int divisor) {
    long long product = static_cast<long long>(value) * base;
    long long half = divisor / 2;
    return static_cast<LONG>(product >= 0 ? (product + half) / divisor : -((-product + half) / divisor));
}

}  // namespace

bool ParseDialogTemplate(const std::string& text, DialogTemplate* out, std::string* error) {
    try {
        *out = Parser(Tokenize(text)).Run();
        if (error) error->clear();
        return true;
    } catch (const ParseFailure& failure) {
        if (error) *error = failure.message;
        return false;
    }
}

RECT DialogUnitsToPixels(const RECT& units, DialogBaseUnits base) {
    LONG left = Scale(units.left, base.x, 4);
    LONG top = Scale(units.top, base.y, 8);
    return RECT{left, top, left + Scale(units.right - units.left, base.x, 4),
                top + Scale(units.bottom - units.top, base.y, 8)};
}

RECT MapDialogUnits(const RECT& units, DialogBaseUnits base) {
    return RECT{Scale(units.left, base.x, 4), Scale(units.top, base.y, 8), Scale(units.right, base.x, 4),
                Scale(units.bottom, base.y, 8)};
}

}  // namespace platform
