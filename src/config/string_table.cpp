// string_table.cpp — decoder, table, lookup and About lines of the
// localization file.
#include "config/string_table.h"

#include <windows.h>

#include "config/defaults_file.h"

StringTableData StringTable;
std::string AboutLines[kAboutLineCount];

namespace {

constexpr int kStringsResourceId = 255;
constexpr char kStringsResourceType[] = "CustomData";

bool tablePending = true;

}  // namespace

wchar_t DecodeUtf8Char(const unsigned char*& cursor, const unsigned char* end) {
    if (cursor >= end) return 0;
    const ptrdiff_t left = end - cursor;
    const unsigned char b0 = cursor[0];
    if (left >= 3 && b0 == 0xEF && cursor[1] == 0xBB && cursor[2] == 0xBF) {
        cursor += 3;
        return 0;
    }
    if (b0 < 0x80) {
        cursor += 1;
        return static_cast<wchar_t>(b0);
    }
    int length = (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xE0) == 0xC0 ? 2 : 0;
    if (length == 0) {  // a continuation byte or a 4-byte lead: nothing, one byte on
        cursor += 1;
        return 0;
    }
    if (left < length) {  // cut by the end of the data
        cursor = end;
        return 0;
    }
    wchar_t c;
    if (length == 3)
        c = static_cast<wchar_t>(((b0 & 0x0F) << 12) | ((cursor[1] & 0x3F) << 6) | (cursor[2] & 0x3F));
    else
        c = static_cast<wchar_t>(((b0 & 0x1F) << 6) | (cursor[1] & 0x3F));
    cursor += length;
    return c;
}

std::wstring ReadUtf8Line(const unsigned char*& cursor, const unsigned char* end) {
    std::wstring line;
    while (cursor < end) {
        wchar_t c = DecodeUtf8Char(cursor, end);
        if (c == L'\n') break;
        if (c != 0 && c != L'\r') line += c;
    }
    return line;
}

std::string WideToNarrow(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out += static_cast<char>(static_cast<unsigned char>(c & 0xFF));
    return out;
}

void ParseStringTable(StringTableData& table, const unsigned char* data, size_t size) {
    table.count = 0;
    if (!data) return;
    const unsigned char* cursor = data;
    const unsigned char* end = data + size;
    while (cursor < end && table.count < kStringTableCapacity) {
        std::wstring line = ReadUtf8Line(cursor, end);
        if (!line.empty() && line[0] == L'#') {
            for (size_t i = 1; i + 1 < line.size(); ++i) {
                if (line[i] >= L'A' && line[i] <= L'Z') line[i] = static_cast<wchar_t>(line[i] + 32);
            }
        }
        table.lines[table.count++] = line;
    }
}

std::string LookupString(const StringTableData& table, const std::wstring& key) {
    const std::wstring wanted = AsciiLower(key);
    for (int i = 0; i + 1 < table.count; ++i) {  // the last line is never a key
        const std::wstring& line = table.lines[i];
        if (line.empty() || line[0] != L'#') continue;
        size_t difference = line.size() > wanted.size() ? line.size() - wanted.size() : wanted.size() - line.size();
        if (line.compare(1, wanted.size(), wanted) == 0 && difference <= 2) return WideToNarrow(table.lines[i + 1]);
    }
    return std::string();
}

std::string LookupString(const std::wstring& key) { return LookupString(StringTable, key); }

void SplitAboutText(const std::string& text, std::string (&lines)[kAboutLineCount]) {
    for (std::string& line : lines) line.clear();
    int index = 0;
    for (char c : text) {
        if (c == '%') ++index;
        else if (index < kAboutLineCount) lines[index] += c;
    }
}

void LoadStringTable() {
    if (!tablePending) return;
    tablePending = false;
    StringTable.count = 0;
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kStringsResourceId), kStringsResourceType);
    if (resource) {
        HGLOBAL loaded = LoadResource(nullptr, resource);
        const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
        ParseStringTable(StringTable, data, data ? SizeofResource(nullptr, resource) : 0);
    }
    SplitAboutText(LookupString(L"about_window_text"), AboutLines);
}
