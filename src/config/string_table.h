// string_table.h — the localization table: every line of the built-in
// localization file ("CustomData" resource 255) as a wide string, the lookup
// of a key's text, and the About text cut into lines.
//
// The file is UTF-8 (1- to 3-byte sequences, U+0000..U+FFFF); a key line is
// "#key#" and the line after it is the key's text. Byte-order marks vanish
// wherever they stand, CR never reaches the table, LF ends a line. Bounds:
// at most kStringTableCapacity lines are kept (the rest of a longer file is
// not read); the About text fills at most kAboutLineCount lines (text after
// the sixth "%" is dropped); a lead byte that starts no sequence, and a
// stray continuation byte, decode to nothing and advance one byte; a
// sequence cut by the end of the data decodes to nothing and ends it. A
// missed lookup gives an empty text.
#pragma once

#include <cstddef>
#include <string>

inline constexpr int kStringTableCapacity = 200;
inline constexpr int kAboutLineCount = 7;

struct StringTableData {
    std::wstring lines[kStringTableCapacity];  // 16-bit characters, file order
    int count = 0;
};

// The process-wide table and About lines that LoadStringTable fills.
extern StringTableData StringTable;
extern std::string AboutLines[kAboutLineCount];

// Loads the localization resource into StringTable and AboutLines; only the
// first call in the process does anything.
void LoadStringTable();

// One character at `cursor`, which advances; never reads at or past `end`.
// Yields 0 for a byte-order mark and for bytes that decode to nothing.
wchar_t DecodeUtf8Char(const unsigned char*& cursor, const unsigned char* end);
// One line without its CR, LF and NUL characters; stops after LF or at `end`.
std::wstring ReadUtf8Line(const unsigned char*& cursor, const unsigned char* end);
// Each character's low byte.
std::string WideToNarrow(const std::wstring& text);

// Reads [data, data + size) into `table`, lower-casing the key part of key lines.
void ParseStringTable(StringTableData& table, const unsigned char* data, size_t size);
// The narrow text of the line after the first key line matching `key`
// without regard to ASCII case; "" when there is none.
std::string LookupString(const StringTableData& table, const std::wstring& key);
std::string LookupString(const std::wstring& key);
// Cuts `text` at each "%" into `lines` (all cleared first).
void SplitAboutText(const std::string& text, std::string (&lines)[kAboutLineCount]);
