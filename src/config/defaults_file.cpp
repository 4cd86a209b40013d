// defaults_file.cpp — parser, table and lookups of the built-in defaults file.
//
// The two messages are kept as code-page-1251 bytes, the encoding of the
// file they are about; the platform shows them converted.
#include "config/defaults_file.h"

#include <windows.h>

#include <climits>

#include "config/setting_table.h"
#include "config/settings.h"

DefaultsTableData DefaultsTable;
std::string ProductWebPageAddress;

namespace {

constexpr int kDefaultsResourceId = 256;
constexpr char kDefaultsResourceType[] = "CustomData";

// "wrong format of file def_settings.txt"
constexpr char kBadFormatText[] =
    "\xED\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xF4\xEE\xF0\xEC\xE0\xF2 \xF4\xE0\xE9\xEB\xE0 "
    "def_settings.txt";
// "parameter not found in file def_settings.txt"
constexpr char kNotFoundText[] =
    "\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE2 \xF4\xE0\xE9\xEB\xE5 "
    "def_settings.txt";

bool defaultsPending = true;

// The first entry whose key matches, or null after the "not found" message.
const DefaultsEntry* FindDefault(const DefaultsTableData& table, const std::string& key) {
    const std::string wanted = AsciiLower(key);
    for (int i = 0; i < table.count; ++i) {
        if (AsciiLower(table.entries[i].key) == wanted) return &table.entries[i];
    }
    MessageBoxA(nullptr, kNotFoundText, wanted.c_str(), 0);
    return nullptr;
}

// atoi's reading (optional sign, digits up to the first non-digit), held to
// the 32-bit range instead of overflowing.
int32_t DecimalValue(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

}  // namespace

std::string AsciiLower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return lower;
}

std::wstring AsciiLower(const std::wstring& text) {
    std::wstring lower = text;
    for (wchar_t& c : lower) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    }
    return lower;
}

std::string CleanDefaultsLine(const std::string& line) {
    std::string clean;
    clean.reserve(line.size());
    for (char c : line) {
        if (static_cast<signed char>(c) > 32) clean.push_back(c);
    }
    const size_t comment = clean.find(';');
    if (comment != std::string::npos) clean.resize(comment);
    return clean;
}

void ParseDefaultsText(DefaultsTableData& table, const char* start, size_t size) {
    if (!start) return;
    const char* cursor = start;
    const char* const end = start + size;
    while (cursor < end) {
        // Only CR ends a line; a bare LF stays in it and is cleaned away.
        const char* lineEnd = cursor;
        while (lineEnd < end && *lineEnd != '\r') ++lineEnd;
        const std::string line = CleanDefaultsLine(std::string(cursor, lineEnd));
        cursor = lineEnd;
        if (cursor < end && *cursor == '\r') ++cursor;
        if (cursor < end && *cursor == '\n') ++cursor;

        if (line.empty()) continue;
        std::string key = line;
        std::string value = line;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            MessageBoxA(nullptr, kBadFormatText, "", 0);
        } else {
            key = line.substr(0, equals);
            value = line.substr(equals + 1);
        }
        // A full table keeps what it has; the rest of the file is still read
        // so that malformed lines beyond it are reported all the same.
        if (table.count < kDefaultsCapacity) {
            table.entries[table.count].key = std::move(key);
            table.entries[table.count].value = std::move(value);
            ++table.count;
        }
    }
}

void ParseDefaultsText(const char* start, size_t size) {
    ParseDefaultsText(DefaultsTable, start, size);
}

void LoadDefaultsResource() {
    if (!defaultsPending) return;
    defaultsPending = false;

    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(kDefaultsResourceId), kDefaultsResourceType);
    if (resource) {
        HGLOBAL loaded = LoadResource(module, resource);
        const char* bytes = static_cast<const char*>(LockResource(loaded));
        const DWORD size = SizeofResource(module, resource);
        if (bytes) ParseDefaultsText(DefaultsTable, bytes, size);
    }

    // The address keeps its case as written: on this system a file path or
    // URL path differs by case, so the lower-cased lookup value would not open.
    const DefaultsEntry* address = FindDefault(DefaultsTable, "main_web_site_url");
    ProductWebPageAddress = address ? address->value : std::string();
}

std::string LookupDefault(const DefaultsTableData& table, const std::string& key) {
    const DefaultsEntry* entry = FindDefault(table, key);
    return entry ? AsciiLower(entry->value) : std::string();
}

std::string LookupDefault(const std::string& key) {
    return LookupDefault(DefaultsTable, key);
}

int32_t ReadDefaultInt(const DefaultsTableData& table, const std::string& key) {
    const std::string value = LookupDefault(table, key);
    if (value == "true") return 1;
    if (value == "false") return 0;
    return DecimalValue(value);
}

int32_t ReadDefaultInt(const std::string& key) {
    return ReadDefaultInt(DefaultsTable, key);
}

void FillDefaultSettings() {
    // The fill order decides the order of the messages for missing keys.
    ForEachSettingInOrder(&SettingInfo::fillRank, [](const SettingInfo& info) {
        DefaultSettings.*info.field = ReadDefaultInt(info.defaultsKey);
    });
}
