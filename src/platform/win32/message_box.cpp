// message_box.cpp — MessageBoxA and the conversion of its narrow texts.
//
// A handler set by the tests sees every box; otherwise a display gets a GTK
// dialog (message_box_gtk.cpp), and without one the text goes to stderr as
// "vexlar3d: <caption>: <text>" (no caption part when it is empty) and the
// box answers OK, or Cancel when it asks OK/Cancel, since nobody confirmed.
// Narrow texts may be UTF-8 or code page 1251 (the defaults file's messages):
// text that is not valid UTF-8 is read as 1251.
#include <cstdio>
#include <string>

#include "platform/platform_testing.h"
#include "platform/win32/message_box_gtk.h"

namespace {

platform::MessageBoxHandler g_handler;

// Code page 1251, bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in
// order. 0x98 has no character.
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool IsValidUtf8(const std::string& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.c_str());
    while (*p) {
        unsigned char c = *p;
        int length;
        if (c < 0x80) length = 1;
        else if (c >= 0xC2 && c <= 0xDF) length = IsContinuation(p[1]) ? 2 : 0;
        else if (c >= 0xE0 && c <= 0xEF)
            length = (p[1] >= (c == 0xE0 ? 0xA0 : 0x80) && p[1] <= (c == 0xED ? 0x9F : 0xBF) && IsContinuation(p[2]))
                         ? 3 : 0;
        else if (c >= 0xF0 && c <= 0xF4)
            length = (p[1] >= (c == 0xF0 ? 0x90 : 0x80) && p[1] <= (c == 0xF4 ? 0x8F : 0xBF) &&
                      IsContinuation(p[2]) && IsContinuation(p[3]))
                         ? 4 : 0;
        else length = 0;
        if (length == 0) return false;
        p += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char16_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

namespace platform {

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = std::move(handler); }

std::string ToUtf8FromAnsi(const char* text) {
    if (!text) return {};
    std::string s(text);
    if (IsValidUtf8(s)) return s;
    std::string out;
    out.reserve(s.size() * 2);
    for (unsigned char c : s) {
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0xC0) AppendUtf8(out, kCp1251High[c - 0x80]);
        else AppendUtf8(out, static_cast<char16_t>(0x0410 + (c - 0xC0)));
    }
    return out;
}

}  // namespace platform

int MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type) {
    std::string body = platform::ToUtf8FromAnsi(text ? text : "");
    std::string title = caption ? platform::ToUtf8FromAnsi(caption) : "Error";  // Win32's title for none
    if (g_handler) {
        platform::MessageBoxHandler handler = g_handler;
        return handler(hwnd, body, title, type);
    }
    int result = IDOK;
    if (platform::ShowGtkMessageBox(body, title, type, &result)) return result;
    std::fflush(stdout);
    if (title.empty()) std::fprintf(stderr, "vexlar3d: %s\n", body.c_str());
    else std::fprintf(stderr, "vexlar3d: %s: %s\n", title.c_str(), body.c_str());
    std::fflush(stderr);
    return (type & 0x0F) == MB_OKCANCEL ? IDCANCEL : IDOK;
}
