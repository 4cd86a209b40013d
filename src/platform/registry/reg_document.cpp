// reg_document.cpp — parsing and writing the .reg text of the registry store.
// See reg_document.h for what is understood and what is kept as it stands.
#include "platform/registry/reg_document.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace platform::registry {

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
    return TrimRight(s);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// 1 to 8 hex digits, nothing else.
bool ParseHexDword(std::string_view digits, DWORD& out) {
    if (digits.empty() || digits.size() > 8) return false;
    out = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return false;
        out = (out << 4) | static_cast<DWORD>(d);
    }
    return true;
}

// Reads a quoted string starting at s[pos] == '"', undoing the \\ and \"
// escapes; any other backslash stands for itself. On success pos is just
// past the closing quote.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < s.size() && (s[pos] == '\\' || s[pos] == '"')) c = s[pos++];
        out += c;
    }
    return false;
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

enum class DataForm { Known, Unknown, Bad };

// The data after "=" of a value line that is not a quoted string.
DataForm ParseData(std::string_view data, RegValue& value) {
    std::string_view d = Trim(data);
    if (StartsWithIgnoreCase(d, "dword:")) {
        DWORD v = 0;
        if (!ParseHexDword(Trim(d.substr(6)), v)) return DataForm::Bad;
        value.type = REG_DWORD;
        value.data = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                      static_cast<BYTE>(v >> 24)};
        return DataForm::Known;
    }
    if (!StartsWithIgnoreCase(d, "hex:") && !StartsWithIgnoreCase(d, "hex(")) return DataForm::Unknown;
    size_t pos = 3;
    value.type = REG_BINARY;
    if (d[pos] == '(') {
        size_t close = d.find(')', pos);
        if (close == std::string_view::npos || !ParseHexDword(d.substr(pos + 1, close - pos - 1), value.type))
            return DataForm::Bad;
        pos = close + 1;
        if (pos >= d.size() || d[pos] != ':') return DataForm::Bad;
    }
    std::string_view rest = Trim(d.substr(pos + 1));
    value.data.clear();
    while (!rest.empty()) {
        size_t comma = rest.find(',');
        std::string_view token = Trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (token.empty()) {
            if (!Trim(rest).empty() || comma == std::string_view::npos) return DataForm::Bad;
            break;  // a trailing comma
        }
        if (token.size() > 2) return DataForm::Bad;
        int hi = token.size() == 2 ? HexDigit(token[0]) : 0;
        int lo = HexDigit(token.back());
        if (hi < 0 || lo < 0) return DataForm::Bad;
        value.data.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return DataForm::Known;
}

void ParseSectionName(std::string_view inner, RegSection& section) {
    section.root = RegRoot::Unknown;
    section.path = std::string(inner);
    if (!inner.empty() && inner[0] == '-') return;  // a deletion: kept, never matched
    size_t slash = inner.find('\\');
    std::string_view rootName = inner.substr(0, slash);
    for (RegRoot root : {RegRoot::ClassesRoot, RegRoot::CurrentUser, RegRoot::LocalMachine}) {
        if (EqualsIgnoreCase(rootName, RegRootName(root))) {
            section.root = root;
            section.path = slash == std::string_view::npos ? std::string() : std::string(inner.substr(slash + 1));
            return;
        }
    }
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

bool IsBlankLine(const RegLine& line) { return line.kind == RegLine::Kind::Other && Trim(line.text).empty(); }

bool SectionMatches(const RegSection& section, RegRoot root, std::string_view path) {
    return section.root == root && root != RegRoot::Unknown && EqualsIgnoreCase(section.path, path);
}

size_t AppendSection(RegDocument& doc, RegRoot root, std::string_view path) {
    if (!doc.sections.empty()) {
        std::vector<RegLine>& last = doc.sections.back().lines;
        if (last.empty() || !IsBlankLine(last.back())) last.push_back(RegLine{});
    } else if (doc.preamble.empty() || !Trim(doc.preamble.back()).empty()) {
        doc.preamble.emplace_back();
    }
    RegSection section;
    section.root = root;
    section.path = std::string(path);
    section.header = std::string("[") + RegRootName(root) + (path.empty() ? "" : "\\") + section.path + "]";
    section.lines.push_back(RegLine{});
    doc.sections.push_back(std::move(section));
    return doc.sections.size() - 1;
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool PathCovers(std::string_view key, std::string_view candidate) {
    if (key.empty()) return true;
    if (candidate.size() < key.size() || !EqualsIgnoreCase(candidate.substr(0, key.size()), key)) return false;
    return candidate.size() == key.size() || candidate[key.size()] == '\\';
}

bool IsCleanText(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c < 0x20 && c != '\t') return false;
            ++i;
            continue;
        }
        size_t len = 0;
        uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i < len) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

const char* RegRootName(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
        case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
        case RegRoot::Unknown: break;
    }
    return "";
}

RegDocument NewRegDocument() {
    RegDocument doc;
    doc.preamble.emplace_back();
    return doc;
}

namespace {

// One value line (with its continuation lines, which advance `i`) into `line`;
// false when it is damaged.
bool ParseValueLine(const std::vector<std::string_view>& lines, size_t& i, RegLine& line) {
    std::string_view raw = lines[i];
    std::string_view t = Trim(raw);
    size_t pos = 1;
    if (t[0] == '"') {
        pos = 0;
        if (!ParseQuoted(t, pos, line.name)) return false;
    }
    while (pos < t.size() && IsBlankChar(t[pos])) ++pos;
    if (pos >= t.size() || t[pos] != '=') return false;
    ++pos;
    while (pos < t.size() && IsBlankChar(t[pos])) ++pos;
    std::string data(t.substr(pos));
    line.text = std::string(raw);
    if (!data.empty() && data[0] == '"') {
        std::string text;
        size_t end = 0;
        if (!ParseQuoted(data, end, text) || !Trim(std::string_view(data).substr(end)).empty()) return false;
        line.kind = RegLine::Kind::Value;
        line.value.type = REG_SZ;
        line.value.data.assign(text.begin(), text.end());
        line.value.data.push_back(0);
        return true;
    }
    // Long data continues on the next line after a trailing backslash.
    while (!TrimRight(data).empty() && TrimRight(data).back() == '\\') {
        if (i + 1 >= lines.size() || !IsCleanText(lines[i + 1])) return false;
        ++i;
        line.text += '\n';
        line.text += lines[i];
        data.resize(TrimRight(data).size() - 1);
        data += lines[i];
    }
    DataForm form = ParseData(data, line.value);
    if (form == DataForm::Bad) return false;
    line.kind = form == DataForm::Known ? RegLine::Kind::Value : RegLine::Kind::Opaque;
    if (form == DataForm::Unknown) line.value = RegValue{};
    return true;
}

// The first line names the format. One a few bytes off the header (a damaged
// or stray byte) is still that header; anything further off is another file.
bool IsDamagedHeader(std::string_view line) {
    constexpr size_t kSlack = 4;
    line = TrimRight(line);
    const std::string_view header = kRegFileHeader;
    if (line.size() > header.size() + kSlack) return false;
    std::vector<size_t> row(header.size() + 1), next(header.size() + 1);
    for (size_t j = 0; j <= header.size(); ++j) row[j] = j;
    for (size_t i = 0; i < line.size(); ++i) {
        next[0] = i + 1;
        for (size_t j = 0; j < header.size(); ++j)
            next[j + 1] = std::min({row[j + 1] + 1, next[j] + 1, row[j] + (line[i] == header[j] ? 0 : 1)});
        row.swap(next);
    }
    return row[header.size()] <= kSlack;
}

// A line that is, or was before damage, a section line: it opens with "[" or,
// not being a value or a comment, closes with "]".
bool IsSectionLike(std::string_view t) {
    if (t.empty()) return false;
    if (t[0] == '[') return true;
    return t.back() == ']' && t[0] != '"' && t[0] != '@' && t[0] != ';';
}

// A section line into `section`. The key is what lies between "[" and the
// last "]"; damage outside it (stray bytes after the "]") costs the line, not
// the key: the line counts as damaged and is written back clean. False when
// the key itself cannot be read.
bool ReadSectionLine(std::string_view raw, RegSection& section, int& damagedLines) {
    std::string_view t = Trim(raw);
    const size_t close = t.rfind(']');
    if (t.empty() || t[0] != '[' || close == std::string_view::npos) return false;
    std::string_view inner = t.substr(1, close - 1);
    if (!IsCleanText(inner)) return false;
    ParseSectionName(inner, section);
    if (close + 1 == t.size() && IsCleanText(raw)) {
        section.header = std::string(raw);
    } else {
        section.header.assign(1, '[');
        section.header.append(inner);
        section.header.push_back(']');
        ++damagedLines;
    }
    return true;
}

// UTF-16 text (after its byte-order mark) as UTF-8. A unit that is no
// character (an unpaired surrogate, an odd last byte) becomes a byte no UTF-8
// text holds, so that only its own line reads as damaged.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    auto unitAt = [&](size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? a << 8 | b : b << 8 | a);
    };
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        uint32_t cp = unitAt(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unitAt(i + 2) >= 0xDC00 &&
            unitAt(i + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            out += '\xFF';
            continue;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    if (i < bytes.size()) out += '\xFF';
    return out;
}

}  // namespace

bool ParseRegDocument(std::string_view bytes, RegDocument& doc) {
    doc = RegDocument{};
    if (bytes.size() > kMaxRegistryFileBytes) return false;
    std::string decoded;
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        decoded = Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE');
        bytes = decoded;
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        doc = NewRegDocument();
        return true;
    }
    std::vector<std::string_view> lines = SplitLines(bytes);
    RegDocument parsed;
    if (!IsCleanText(lines[0]) || TrimRight(lines[0]) != kRegFileHeader) {
        if (!IsDamagedHeader(lines[0])) return false;
        ++parsed.damagedLines;  // written back whole
    }

    // A damaged line is left out and counted; every line that still reads is kept.
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view raw = lines[i];
        std::string_view t = Trim(raw);
        if (IsSectionLike(t)) {
            RegSection section;
            if (!ReadSectionLine(raw, section, parsed.damagedLines)) {
                // Values below an unreadable section line belong to no key.
                ++parsed.damagedLines;
                while (i + 1 < lines.size() && !IsSectionLike(Trim(lines[i + 1]))) {
                    ++i;
                    ++parsed.damagedLines;
                }
                continue;
            }
            parsed.sections.push_back(std::move(section));
            continue;
        }
        if (!IsCleanText(raw)) {
            ++parsed.damagedLines;
            continue;
        }
        if (t.empty() || t[0] == ';') {
            if (parsed.sections.empty())
                parsed.preamble.emplace_back(raw);
            else
                parsed.sections.back().lines.push_back(RegLine{RegLine::Kind::Other, std::string(raw), {}, {}});
            continue;
        }
        RegLine line;
        if ((t[0] != '"' && t[0] != '@') || parsed.sections.empty() || !ParseValueLine(lines, i, line)) {
            ++parsed.damagedLines;
            continue;
        }
        parsed.sections.back().lines.push_back(std::move(line));
    }
    doc = std::move(parsed);
    return true;
}

std::string SerializeRegDocument(const RegDocument& doc) {
    std::string out(kRegFileHeader);
    out += '\n';
    for (const std::string& line : doc.preamble) {
        out += line;
        out += '\n';
    }
    for (const RegSection& section : doc.sections) {
        out += section.header;
        out += '\n';
        for (const RegLine& line : section.lines) {
            out += line.text;
            out += '\n';
        }
    }
    return out;
}

std::string FormatRegValueLine(std::string_view name, const RegValue& value) {
    std::string out = name.empty() ? std::string("@") : Quote(name);
    out += '=';
    const std::vector<BYTE>& d = value.data;
    if (value.type == REG_DWORD && d.size() == 4) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x",
                      static_cast<unsigned>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<DWORD>(d[3]) << 24));
        return out + buf;
    }
    if (value.type == REG_SZ && !d.empty() && d.back() == 0) {
        std::string_view text(reinterpret_cast<const char*>(d.data()), d.size() - 1);
        if (text.find('\0') == std::string_view::npos && IsCleanText(text)) return out + Quote(text);
    }
    // Everything else, strings that a quoted form cannot carry included, as hex bytes.
    char buf[24];
    if (value.type == REG_BINARY)
        out += "hex:";
    else {
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
        out += buf;
    }
    size_t column = out.size();
    for (size_t i = 0; i < d.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(d[i]));
        out += buf;
        column += 2;
        if (i + 1 < d.size()) {
            out += ',';
            if (++column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    return out;
}

bool RegKeyExists(const RegDocument& doc, RegRoot root, std::string_view path) {
    if (root == RegRoot::Unknown) return false;
    for (const RegSection& section : doc.sections)
        if (section.root == root && PathCovers(path, section.path)) return true;
    return false;
}

const RegLine* FindRegValue(const RegDocument& doc, RegRoot root, std::string_view path, std::string_view name) {
    const RegLine* found = nullptr;
    for (const RegSection& section : doc.sections) {
        if (!SectionMatches(section, root, path)) continue;
        for (const RegLine& line : section.lines)
            if (line.kind != RegLine::Kind::Other && EqualsIgnoreCase(line.name, name)) found = &line;
    }
    return found;
}

bool EnsureRegKey(RegDocument& doc, RegRoot root, std::string_view path) {
    if (RegKeyExists(doc, root, path)) return false;
    AppendSection(doc, root, path);
    return true;
}

bool SetRegValue(RegDocument& doc, RegRoot root, std::string_view path, std::string_view name,
                 const RegValue& value) {
    RegLine* found = nullptr;
    size_t lastSection = doc.sections.size();
    for (size_t s = 0; s < doc.sections.size(); ++s) {
        if (!SectionMatches(doc.sections[s], root, path)) continue;
        lastSection = s;
        for (RegLine& line : doc.sections[s].lines)
            if (line.kind != RegLine::Kind::Other && EqualsIgnoreCase(line.name, name)) found = &line;
    }
    if (found) {
        // The value keeps the spelling of its name already in the file.
        if (found->kind == RegLine::Kind::Value && found->value.type == value.type && found->value.data == value.data)
            return false;
        found->kind = RegLine::Kind::Value;
        found->value = value;
        found->text = FormatRegValueLine(found->name, value);
        return true;
    }
    if (lastSection == doc.sections.size()) lastSection = AppendSection(doc, root, path);
    std::vector<RegLine>& lines = doc.sections[lastSection].lines;
    size_t at = lines.size();
    while (at > 0 && IsBlankLine(lines[at - 1])) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 RegLine{RegLine::Kind::Value, FormatRegValueLine(name, value), std::string(name), value});
    return true;
}

}  // namespace platform::registry
