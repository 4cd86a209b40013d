// rc_script.cpp — the resource-script reader and the embedding source writer
// behind rc_pack (see rc_script.h for what the script may contain).
#include "rc_script.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <tuple>

namespace rcpack {
namespace {

enum class TokenKind { Word, String, Punct };

struct Token {
    TokenKind kind;
    std::string text;  // a string token holds its value, quotes removed
    int line;
    size_t begin;      // offsets in the source
    size_t end;
};

struct Scanned {
    std::vector<Token> tokens;
    std::string cleaned;  // the source with comments blanked, line breaks kept
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsPunct(char c) { return c != '\0' && std::strchr(",{}|()", c) != nullptr; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string Upper(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

bool Is(const Token& t, const char* keyword) { return t.kind == TokenKind::Word && Upper(t.text) == keyword; }
bool IsOpen(const Token& t) { return (t.kind == TokenKind::Punct && t.text == "{") || Is(t, "BEGIN"); }
bool IsClose(const Token& t) { return (t.kind == TokenKind::Punct && t.text == "}") || Is(t, "END"); }

[[noreturn]] void Fail(const std::string& path, int line, const std::string& message) {
    throw ScriptError(path + ":" + std::to_string(line) + ": " + message);
}

Scanned Scan(const std::string& src, const std::string& path) {
    Scanned out;
    out.cleaned = src;
    const size_t n = src.size();
    int line = 1;
    bool lineStart = true;
    size_t i = 0;
    while (i < n) {
        char c = src[i];
        if (c == '\n') {
            ++line;
            ++i;
            lineStart = true;
            continue;
        }
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && src[i + 1] == '/') {
            while (i < n && src[i] != '\n') out.cleaned[i++] = ' ';
            continue;
        }
        if (c == '/' && i + 1 < n && src[i + 1] == '*') {
            int startLine = line;
            out.cleaned[i] = out.cleaned[i + 1] = ' ';
            size_t j = i + 2;
            while (j + 1 < n && !(src[j] == '*' && src[j + 1] == '/')) {
                if (src[j] == '\n') ++line;
                else out.cleaned[j] = ' ';
                ++j;
            }
            if (j + 1 >= n) Fail(path, startLine, "unterminated comment");
            out.cleaned[j] = out.cleaned[j + 1] = ' ';
            i = j + 2;
            continue;
        }
        if (c == '#' && lineStart) {
            size_t j = i + 1;
            while (j < n && (src[j] == ' ' || src[j] == '\t')) ++j;
            size_t nameStart = j;
            while (j < n && !IsBlank(src[j])) ++j;
            std::string directive = src.substr(nameStart, j - nameStart);
            if (directive != "pragma") Fail(path, line, "preprocessor directive #" + directive + " is not supported");
            while (i < n && src[i] != '\n') out.cleaned[i++] = ' ';
            continue;
        }
        lineStart = false;
        if (c == '"') {
            std::string value;
            size_t j = i + 1;
            for (;;) {
                if (j >= n || src[j] == '\n') Fail(path, line, "unterminated string");
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
            out.tokens.push_back({TokenKind::String, value, line, i, j + 1});
            i = j + 1;
            continue;
        }
        if (IsPunct(c)) {
            out.tokens.push_back({TokenKind::Punct, std::string(1, c), line, i, i + 1});
            ++i;
            continue;
        }
        size_t j = i;
        while (j < n && !IsBlank(src[j]) && !IsPunct(src[j]) && src[j] != '"' &&
               !(src[j] == '/' && j + 1 < n && (src[j + 1] == '/' || src[j + 1] == '*')))
            ++j;
        out.tokens.push_back({TokenKind::Word, src.substr(i, j - i), line, i, j});
        i = j;
    }
    return out;
}

// Decimal or 0x hexadecimal, with the optional L suffix of the .rc syntax.
bool ParseNumber(std::string text, uint32_t* value) {
    if (!text.empty() && (text.back() == 'L' || text.back() == 'l')) text.pop_back();
    int base = 10;
    size_t i = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i >= text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        v = v * base + digit;
        if (v > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

struct Keyword {
    const char* name;
    uint16_t type;
};
constexpr Keyword kFileTypes[] = {
    {"BITMAP", kTypeBitmap},        {"ICON", kTypeIconGroup},       {"CURSOR", kTypeCursorGroup},
    {"FONT", kTypeFont},            {"RCDATA", kTypeRcData},        {"HTML", kTypeHtml},
    {"MESSAGETABLE", kTypeMessageTable},
};
constexpr const char* kUnsupportedBlocks[] = {"STRINGTABLE", "ACCELERATORS", "MENU",    "MENUEX",
                                              "VERSIONINFO", "TEXTINCLUDE",  "DLGINIT", "TOOLBAR"};
constexpr const char* kMemoryOptions[] = {"PRELOAD", "LOADONCALL", "FIXED",  "MOVEABLE", "DISCARDABLE",
                                          "PURE",    "IMPURE",     "SHARED", "NONSHARED"};

class Parser {
public:
    Parser(const Scanned& scanned, const std::string& path, bool checkFiles)
        : s_(scanned), t_(scanned.tokens), path_(path), checkFiles_(checkFiles) {
        std::filesystem::path script(path);
        dir_ = script.has_parent_path() ? script.parent_path() : std::filesystem::path(".");
    }

    std::vector<ScriptResource> Run() {
        while (pos_ < t_.size()) Statement();
        return std::move(out_);
    }

private:
    const Token& Next(int afterLine, const char* what) {
        if (pos_ >= t_.size()) Fail(path_, afterLine, std::string("unexpected end of script: ") + what + " missing");
        return t_[pos_++];
    }

    void Statement() {
        const Token& first = t_[pos_++];
        if (Is(first, "LANGUAGE")) {
            Next(first.line, "language");
            const Token& comma = Next(first.line, "sublanguage");
            if (comma.kind != TokenKind::Punct || comma.text != ",") Fail(path_, comma.line, "expected ',' in LANGUAGE");
            Next(first.line, "sublanguage");
            return;
        }
        for (const char* block : kUnsupportedBlocks)
            if (Is(first, block)) Fail(path_, first.line, std::string(block) + " is not supported");
        uint32_t id = 0;
        if (first.kind != TokenKind::Word) Fail(path_, first.line, "expected a resource id, found '" + first.text + "'");
        if (!ParseNumber(first.text, &id))
            Fail(path_, first.line, "resource id '" + first.text + "' is not a number (symbolic ids are not supported)");
        if (id == 0 || id > 0xFFFF) Fail(path_, first.line, "resource id must be from 1 to 65535");

        ScriptResource r;
        r.id = static_cast<uint16_t>(id);
        r.line = first.line;
        const Token& type = Next(first.line, "resource type");
        if (type.kind == TokenKind::Punct) Fail(path_, type.line, "expected a resource type, found '" + type.text + "'");
        if (Is(type, "DIALOG") || Is(type, "DIALOGEX")) {
            r.typeId = kTypeDialog;
            r.text = DialogText(first);
            Add(std::move(r));
            return;
        }
        for (const char* block : kUnsupportedBlocks)
            if (Is(type, block)) Fail(path_, type.line, std::string(block) + " resources are not supported");
        uint32_t numericType = 0;
        bool keyword = false;
        for (const Keyword& k : kFileTypes)
            if (Is(type, k.name)) {
                r.typeId = k.type;
                keyword = true;
            }
        if (!keyword) {
            if (type.kind == TokenKind::Word && ParseNumber(type.text, &numericType)) {
                if (numericType == 0 || numericType > 0xFFFF)
                    Fail(path_, type.line, "resource type must be from 1 to 65535");
                r.typeId = static_cast<uint16_t>(numericType);
            } else if (type.text.empty()) {
                Fail(path_, type.line, "empty resource type name");
            } else {
                r.typeName = type.text;
            }
        }
        while (pos_ < t_.size() && IsMemoryOption(t_[pos_])) ++pos_;
        const Token& file = Next(type.line, "file name");
        if (IsOpen(file)) Fail(path_, file.line, "inline resource data is not supported; name a file");
        if (file.kind == TokenKind::Punct) Fail(path_, file.line, "expected a file name, found '" + file.text + "'");
        r.file = ResolveFile(file);
        Add(std::move(r));
    }

    static bool IsMemoryOption(const Token& t) {
        for (const char* option : kMemoryOptions)
            if (Is(t, option)) return true;
        return false;
    }

    // The statement from its id to the END that closes its first BEGIN.
    std::string DialogText(const Token& first) {
        int depth = 0;
        while (pos_ < t_.size()) {
            const Token& t = t_[pos_++];
            if (IsOpen(t)) {
                ++depth;
            } else if (IsClose(t)) {
                if (depth == 0) Fail(path_, t.line, "END without BEGIN");
                if (--depth == 0) return s_.cleaned.substr(first.begin, t.end - first.begin);
            }
        }
        Fail(path_, first.line, "dialog " + first.text + " has no matching END");
    }

    std::string ResolveFile(const Token& token) {
        std::string name = token.text;
        if (name.empty()) Fail(path_, token.line, "empty file name");
        for (char& c : name)
            if (c == '\\') c = '/';
        std::filesystem::path p(name);
        if (p.is_relative()) p = dir_ / p;
        std::error_code ec;
        std::filesystem::path full = std::filesystem::absolute(p, ec).lexically_normal();
        if (ec) Fail(path_, token.line, "cannot resolve file '" + token.text + "'");
        if (checkFiles_ && !std::filesystem::is_regular_file(full, ec))
            Fail(path_, token.line, "cannot find file '" + token.text + "' (" + full.string() + ")");
        return full.string();
    }

    void Add(ScriptResource r) {
        auto key = std::make_tuple(r.typeId, Upper(r.typeName), r.id);
        if (!seen_.insert(key).second)
            Fail(path_, r.line, "duplicate resource " + std::to_string(r.id) + " of type " +
                                    (r.typeName.empty() ? std::to_string(r.typeId) : r.typeName));
        out_.push_back(std::move(r));
    }

    const Scanned& s_;
    const std::vector<Token>& t_;
    std::string path_;
    std::filesystem::path dir_;
    bool checkFiles_;
    size_t pos_ = 0;
    std::vector<ScriptResource> out_;
    std::set<std::tuple<uint16_t, std::string, uint16_t>> seen_;
};

// A string for the assembler: quotes and backslashes escaped, everything that
// is not printable ASCII as an octal escape.
std::string AsmString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 32 || c >= 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// A C++ string literal: the same escapes, with tab and line feed by name.
std::string CppString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 32 || c >= 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string AsmLine(const std::string& text) { return "    " + CppString("\t" + text + "\n") + "\n"; }
std::string AsmLabel(const std::string& name) { return "    " + CppString(name + ":\n") + "\n"; }

}  // namespace

std::vector<ScriptResource> ParseResourceScript(const std::string& text, const std::string& scriptPath,
                                                bool checkFiles) {
    Scanned scanned = Scan(text, scriptPath);
    return Parser(scanned, scriptPath, checkFiles).Run();
}

void ApplyOverlay(std::vector<ScriptResource>& resources, const std::string& scriptPath,
                  const std::string& overlayDir) {
    std::filesystem::path script(scriptPath);
    std::error_code ec;
    std::filesystem::path dir =
        std::filesystem::absolute(script.has_parent_path() ? script.parent_path() : ".", ec).lexically_normal();
    std::filesystem::path overlay = std::filesystem::absolute(overlayDir, ec).lexically_normal();
    for (ScriptResource& r : resources) {
        if (r.file.empty()) continue;
        std::filesystem::path relative = std::filesystem::path(r.file).lexically_relative(dir);
        // Only files inside the script's folder have a place in the overlay.
        if (relative.empty() || *relative.begin() == "..") continue;
        std::filesystem::path replacement = (overlay / relative).lexically_normal();
        if (std::filesystem::is_regular_file(replacement, ec)) r.file = replacement.string();
    }
}

std::string GenerateResourceSource(const std::vector<ScriptResource>& resources, const std::string& scriptName) {
    std::ostringstream out;
    out << "// Generated by rc_pack from " << scriptName << "; edit the resource script, not this file.\n"
        << "#include <cstddef>\n#include <cstdint>\n\n#include \"platform/win32/resource_table.h\"\n\n";
    if (resources.empty()) {
        out << "namespace platform {\n"
            << "const EmbeddedResource* EmbeddedResources(size_t* count) {\n"
            << "    if (count) *count = 0;\n    return nullptr;\n}\n}  // namespace platform\n";
        return out.str();
    }

    out << "asm(\n" << AsmLine(".pushsection .rodata");
    for (size_t i = 0; i < resources.size(); ++i) {
        const ScriptResource& r = resources[i];
        std::string sym = "vexlar_rc_" + std::to_string(i);
        out << AsmLine(".balign 16") << AsmLabel(sym);
        if (!r.file.empty()) {
            out << AsmLine(".incbin " + AsmString(r.file));
        } else {
            for (size_t at = 0; at < r.text.size(); at += 16) {
                std::string bytes = ".byte ";
                for (size_t k = at; k < r.text.size() && k < at + 16; ++k) {
                    if (k > at) bytes += ',';
                    bytes += std::to_string(static_cast<unsigned char>(r.text[k]));
                }
                out << AsmLine(bytes);
            }
        }
        out << AsmLabel(sym + "_end") << AsmLine(".byte 0") << AsmLine(".balign 4") << AsmLabel(sym + "_size")
            << AsmLine(".long " + sym + "_end - " + sym);
    }
    out << AsmLine(".popsection") << ");\n\n";

    for (size_t i = 0; i < resources.size(); ++i) {
        std::string sym = "vexlar_rc_" + std::to_string(i);
        out << "extern \"C\" const unsigned char " << sym << "[];\n"
            << "extern \"C\" const uint32_t " << sym << "_size;\n";
    }
    out << "\nnamespace platform {\n"
        << "const EmbeddedResource* EmbeddedResources(size_t* count) {\n"
        << "    static const EmbeddedResource table[] = {\n";
    for (size_t i = 0; i < resources.size(); ++i) {
        const ScriptResource& r = resources[i];
        std::string sym = "vexlar_rc_" + std::to_string(i);
        out << "        {" << r.typeId << ", " << (r.typeName.empty() ? "nullptr" : CppString(r.typeName)) << ", "
            << r.id << ", " << sym << ", " << sym << "_size},  // line " << r.line << "\n";
    }
    out << "    };\n"
        << "    if (count) *count = sizeof table / sizeof table[0];\n"
        << "    return table;\n}\n}  // namespace platform\n";
    return out.str();
}

}  // namespace rcpack
